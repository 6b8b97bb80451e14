#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"
#include "trinkets/lib/RTextLayout.h"
#include "trinkets/src/OMTrinket.h"

class OMCanvas;
class OMCursor;
class OMFont;

// The script's text: one font and colour, optionally outlined, either in a fixed box (each line
// centred, the block centred vertically, optionally wrapped) or anchored at a point and sized to
// its text. It can be stamped into the host's background layer.
class RText : public OMTrinket {
 public:
  using CursorHook = OMCursor* (*)(std::uint16_t id);
  using FontCopyHook = OMFont* (*)(OMFont* font);
  using FontByIdHook = OMFont* (*)(std::uint16_t id);
  using FontByNameHook = OMFont* (*)(const char* face, int style, int size);
  using FontReleaseHook = void (*)(OMFont* font);

  // A colour with this palette index leaves the text colour as it is.
  static constexpr std::int32_t keepColor = -2;

  // A null font borrows the host canvas's current font.
  RText(const char* text, const OMRect& rect, OMFont* font, const OMRGBColor& color, int wrap,
        OMTrinketWindow* host);
  RText(const char* text, const OMPoint& point, OMFont* font, const OMRGBColor& color, int center,
        OMTrinketWindow* host);
  RText(const RText& other);
  ~RText() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;
  void paint() override;

  // A null text is ignored; one that begins and ends with a double quote loses both.
  void setText(const char* text);
  const std::string& text() const { return text_; }
  void setColor(const OMRGBColor& color);
  const OMRGBColor& color() const { return textColor_; }
  void setOutlineColor(const OMRGBColor& color);
  const OMRGBColor& outlineColor() const { return outlineColor_; }
  void setCursorById(int id);
  // The font is borrowed: the text neither deletes nor releases it. Null or the same font
  // changes nothing.
  void setFont(OMFont* font);
  OMFont* font() const { return font_; }
  // Through the font hooks; without the by-id hook nothing happens, without the by-name hook
  // the text makes its own TrueType font.
  void setFontById(std::uint16_t id);
  void setFontByName(const char* face, int style, int size);
  // As the two above, then the colour unless its index is keepColor.
  void setBitmapFont(std::uint16_t id, const OMRGBColor& color);
  void setTrueTypeFont(const char* face, int size, int style, const OMRGBColor& color);
  // The assessment edition's "setFont": pops face name, size, style and colour index.
  void setFontFromScriptArgs();
  void setCenter(int center);
  int center() const { return center_; }
  void setOutline(int outline);
  int outline() const { return outline_; }
  void setAnchor(const OMPoint& point);
  const OMPoint& anchor() const { return anchor_; }
  // Ignored in point mode.
  void setWrap(int wrap);
  int wrap() const { return wrap_; }
  bool isPointMode() const { return pointMode_; }
  const RTextLayout::Lines& lines() const { return lines_; }
  int inkLeft() const { return inkLeft_; }

  void stamp();
  void unstamp();

  static void setCursorHook(CursorHook hook);
  static void setFontCopyHook(FontCopyHook hook);
  static void setFontByIdHook(FontByIdHook hook);
  static void setFontByNameHook(FontByNameHook hook);
  static void setFontReleaseHook(FontReleaseHook hook);
  // The hooks as installed, for other classes that take fonts the same way.
  static FontByIdHook idFontHook();
  static FontReleaseHook releaseFontHook();
  // The assessment edition calls this link (a clone; null clears) with every text that is
  // being deleted.
  static void setDeletionHook(const OMLink* link);

 private:
  // How the text holds its font.
  enum FontHold { borrowed, owned, hooked };

  RText(OMFont* font, const OMRGBColor& color, OMTrinketWindow* host);
  OMFont* canvasFont() const;
  void releaseFont();
  void useFont(OMFont* font, FontHold hold);
  void layOut();
  void place();
  // Repaints the old area and the new one, after laying out again when asked.
  void refresh(bool layOutAgain);
  void drawInto(OMCanvas* canvas);

  OMWord setCenterMember(OMWord text);
  OMWord getCenterMember(OMWord buffer);
  OMWord setColorMember(OMWord text);
  OMWord setColorIndexMember(OMWord text);
  OMWord setCursorMember(OMWord text);
  OMWord setFontMember(OMWord text);
  OMWord getAscentMember(OMWord buffer);
  OMWord getDescentMember(OMWord buffer);
  OMWord getLeadingMember(OMWord buffer);
  OMWord setOutlineMember(OMWord text);
  OMWord getOutlineMember(OMWord buffer);
  OMWord setOutlineColorMember(OMWord text);
  OMWord setPointXMember(OMWord text);
  OMWord getPointXMember(OMWord buffer);
  OMWord setPointYMember(OMWord text);
  OMWord getPointYMember(OMWord buffer);
  OMWord setTextMember(OMWord text);
  OMWord getTextMember(OMWord buffer);
  OMWord getTextHeightMember(OMWord buffer);
  OMWord getTextWidthMember(OMWord buffer);
  OMWord setUserDataMember(OMWord text);
  OMWord getUserDataMember(OMWord buffer);
  OMWord setWrapMember(OMWord text);
  OMWord getWrapMember(OMWord buffer);
  OMWord setXMember(OMWord text);
  OMWord getXMember(OMWord buffer);
  OMWord setYMember(OMWord text);
  OMWord getYMember(OMWord buffer);
  OMWord stampMember();
  OMWord unstampMember();
  OMWord setFontMethod();

  int center_ = 0;
  bool ownsCursor_ = false;
  FontHold fontHold_ = borrowed;
  int outline_ = 0;
  bool pointMode_ = false;
  int wrap_ = 0;
  int inkLeft_ = 0;
  OMRGBColor outlineColor_;
  OMRGBColor textColor_;
  OMFont* font_ = nullptr;
  OMCursor* cursor_ = nullptr;
  RTextLayout::Lines lines_;
  OMPoint anchor_;
  std::string text_;
  std::unique_ptr<std::string> userData_;
};
