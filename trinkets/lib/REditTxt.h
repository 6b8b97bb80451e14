#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/OMLink.h"
#include "framework/OMRGBColor.h"
#include "trinkets/src/OMTrinket.h"

class OMFont;
class OMTTFont;

// The script's entry field for numbers: one line of text with a blinking caret that takes
// digits and Backspace, grows with its text, and tells the script about Enter ("finished",
// after which it is locked until "reset"), Esc ("cancel") and Tab ("tab").
class REditTxt : public OMTrinket {
 public:
  REditTxt(int x, int y, int colorIndex, int fontSize, int fontStyle, int maxChars,
           const char* caption, OMTrinketWindow* host);
  ~REditTxt() override;

  // Arguments: x, y, colour index, font size, font style, most characters, caption.
  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  void onKeyDown() override;
  void tick() override;
  void paint() override;

  // Called instead of raising "tab"; a clone is kept, null clears.
  void setTabCallback(const OMLink* link);

  const std::string& caption() const { return caption_; }
  bool isLocked() const { return locked_ != 0; }
  bool isCaretOn() const { return caretOn_ != 0; }
  int blinkRate() const { return blinkRate_; }
  int maxChars() const { return maxChars_; }
  OMFont* fontInUse() const;

 private:
  void takeMetrics();
  // The text's bounds from (x, y), 20 pixels wider, one line high.
  void fitRect();
  void setColorIndex(int index);
  void setBlinkRate(int rate);
  void typeDigit(char digit);
  void useBitmapFont(OMFont* font);

  OMWord setFontMethod();
  OMWord resetMethod();
  OMWord zTopMethod();
  OMWord focusMethod();
  OMWord setCaption(OMWord text);
  OMWord getCaption(OMWord buffer);
  OMWord setFontColor(OMWord text);
  OMWord getFontColor(OMWord buffer);
  OMWord ignoreText(OMWord text);
  OMWord getFontName(OMWord buffer);
  OMWord getFontSize(OMWord buffer);
  OMWord setFontStyle(OMWord text);
  OMWord getFontStyle(OMWord buffer);
  OMWord setMaxChars(OMWord text);
  OMWord getMaxChars(OMWord buffer);
  OMWord setBlinkRateMember(OMWord text);
  OMWord getBlinkRate(OMWord buffer);
  OMWord setBitmapFontId(OMWord text);
  OMWord getNumFlag(OMWord buffer);

  std::string caption_;
  std::unique_ptr<OMTTFont> font_;
  OMRGBColor textColor_;
  int colorIndex_ = 0;
  int fontStyle_ = 0;
  int ascent_ = 0, descent_ = 0;
  int finishRequested_ = 0;
  int changed_ = 0;
  int maxChars_ = 80;
  int cancelRequested_ = 0;
  int locked_ = 0;
  int caretOn_ = 1;
  int blinkRate_ = 2;
  std::uint32_t lastBlink_ = 0, blinkInterval_ = 30, nextBlink_ = 0;
  int digitsOnly_ = 0;
  int usesBitmapFont_ = 0;
  OMFont* bitmapFont_ = nullptr;
  std::unique_ptr<OMLink> tabCallback_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
