#pragma once

#include <memory>
#include <string>

#include "framework/OMLink.h"
#include "framework/OMRect.h"
#include "trinkets/src/OMTrinket.h"

class OMFont;

// The dialog's grey 3D push button: a centred caption with an optional underlined mnemonic,
// or, without a font, an arrow for a caption that starts with "<", ">", "^" or "v". A click
// that ends over it calls its hit link (or raises "hit"). Its control id is its subclass word.
class OMDialogButton : public OMTrinket {
 public:
  // The font is the dialog's; it may be null.
  OMDialogButton(const OMRect& rect, const char* caption, int id, OMFont* font,
                 OMTrinketWindow* host);
  ~OMDialogButton() override;

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  int mnemonic() const override;
  void showTrackingCursor() override { showHoverCursor(); }
  void reorder() override {}
  void offset(int& /*dx*/, int& /*dy*/) override {}
  void onMouseDown() override;
  void onMouseUp() override;
  void onDrag() override;
  void paint() override;

  // Surrounding double quotes are dropped; the first "&" marks the next character.
  void setCaption(const char* text);
  const std::string& caption() const { return caption_; }
  // A clone is kept; null clears.
  void setHitLink(const OMLink* link);
  void setPressed(int pressed);
  int isPressed() const { return pressed_; }

 private:
  void paintFrame(int press);
  void paintCaption(int press);
  void paintArrow(int press);

  OMFont* font_;
  int pressed_ = 0;
  std::string caption_;
  std::unique_ptr<OMLink> hitLink_;
  int mnemonicIndex_ = -1;
};
