#include "trinkets/lib/RText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "framework/OMCanvas.h"
#include "framework/OMCursor.h"
#include "framework/OMEdition.h"
#include "framework/OMFont.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMSysFont.h"
#include "framework/OMTTFont.h"
#include "trinkets/lib/ScriptColorChannel.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RText", &RText::create);

RText::CursorHook cursorHook = nullptr;
RText::FontCopyHook fontCopyHook = nullptr;
RText::FontByIdHook fontByIdHook = nullptr;
RText::FontByNameHook fontByNameHook = nullptr;
RText::FontReleaseHook fontReleaseHook = nullptr;

std::unique_ptr<OMLink>& deletionHook()
{
  static std::unique_ptr<OMLink> hook;
  return hook;
}

using Link = OMLinkToObj<RText>;

const char* textOf(OMWord word)
{
  const char* text = reinterpret_cast<const char*>(word);
  return text ? text : "";
}

int numberOf(OMWord word)
{
  return std::atoi(textOf(word));
}

// "set t color 5" is palette entry 5; "set t color 65535 32768 0" is red, green and blue.
OMRGBColor scriptColor(OMWord value)
{
  const char* red = popScriptArg();
  if (!*red) return OMRGBColor::fromIndex(numberOf(value));
  const char* green = popScriptArg();
  return OMRGBColor(scriptColorChannel(red), scriptColorChannel(green),
                    scriptColorChannel(textOf(value)));
}

// Lines further off than this lie outside every canvas; drawing them could only overflow.
constexpr std::int64_t drawLimit = 1 << 24;

}  // namespace

RText::RText(OMFont* font, const OMRGBColor& color, OMTrinketWindow* host)
    : OMTrinket(host, 2), textColor_(color)
{
  font_ = font ? font : canvasFont();
}

RText::RText(const char* text, const OMRect& rect, OMFont* font, const OMRGBColor& color, int wrap,
             OMTrinketWindow* host)
    : RText(font, color, host)
{
  center_ = 1;
  wrap_ = wrap;
  setRect(rect);
  setText(text);
}

RText::RText(const char* text, const OMPoint& point, OMFont* font, const OMRGBColor& color,
             int center, OMTrinketWindow* host)
    : RText(font, color, host)
{
  center_ = center;
  pointMode_ = true;
  anchor_ = point;
  setText(text);
}

RText::RText(const RText& other)
    : OMTrinket(other),
      center_(other.center_),
      outline_(other.outline_),
      pointMode_(other.pointMode_),
      wrap_(other.wrap_),
      inkLeft_(other.inkLeft_),
      outlineColor_(other.outlineColor_),
      textColor_(other.textColor_),
      anchor_(other.anchor_),
      text_(other.text_)
{
  // A font taken through a hook is taken again for the copy; a borrowed one is shared. An
  // owned font goes with its owner, so the copy falls back to the canvas's.
  if (other.font_ && other.fontHold_ == hooked && fontCopyHook) {
    font_ = fontCopyHook(other.font_);
    fontHold_ = font_ ? hooked : borrowed;
  } else if (other.fontHold_ == borrowed) {
    font_ = other.font_;
  }
  if (!font_) font_ = canvasFont();
  // The copy has no cursor of its own; one its source made goes with the source.
  if (other.ownsCursor_) {
    setTrackingCursor(defaultTrackingCursor());
    setHoverCursor(defaultHoverCursor());
  }
  refresh(true);
}

RText::~RText()
{
  if (OMEdition::isAssessment() && deletionHook())
    deletionHook()->call(reinterpret_cast<OMWord>(this));
  OMMemCanvas* canvas = windowCanvas();
  if (canvas && font_ && canvas->font() == font_) canvas->setFont(nullptr);
  releaseFont();
  if (ownsCursor_) {
    OMCursor* cursor = cursor_;
    setTrackingCursor(nullptr);
    setHoverCursor(nullptr);
    delete cursor;
  }
}

std::unique_ptr<OMScriptableObject> RText::create()
{
  const char* text = popScriptArg();
  const int x = std::atoi(popScriptArg());
  const int y = std::atoi(popScriptArg());
  const char* a = popScriptArg();
  const char* b = popScriptArg();
  const char* c = popScriptArg();
  OMTrinketWindow* host = OMTrinketWindow::mainHost();
  const OMRGBColor black;
  if (!*b) return std::make_unique<RText>(text, OMPoint(x, y), nullptr, black, std::atoi(a), host);
  const OMRect box(clampCoordinate(x), clampCoordinate(y),
                   clampCoordinate(std::int64_t(x) + std::atoi(a)),
                   clampCoordinate(std::int64_t(y) + std::atoi(b)));
  return std::make_unique<RText>(text, box, nullptr, black, std::atoi(c), host);
}

std::unique_ptr<OMScriptableObject> RText::clone() const
{
  auto copy = std::make_unique<RText>(*this);
  copyMembers(copy.get());
  return copy;
}

void RText::registerMembers()
{
  OMTrinket::registerMembers();
  const auto property = [this](const char* name, Link::MemberFnWithArg setter,
                               Link::MemberFnWithArg getter) {
    const Link set(this, setter, 0), get(this, getter, 0);
    addProperty(name, setter ? &set : nullptr, getter ? &get : nullptr);
  };
  if (OMEdition::isAssessment()) {
    property("colorIndex", &RText::setColorIndexMember, nullptr);
    property("fontAscent", nullptr, &RText::getAscentMember);
    property("fontDescent", nullptr, &RText::getDescentMember);
    property("fontLeading", nullptr, &RText::getLeadingMember);
    property("text", &RText::setTextMember, &RText::getTextMember);
    property("textHeight", nullptr, &RText::getTextHeightMember);
    property("textWidth", nullptr, &RText::getTextWidthMember);
    property("userData", &RText::setUserDataMember, &RText::getUserDataMember);
    property("wrap", &RText::setWrapMember, &RText::getWrapMember);
    addMethod("setFont", Link(this, &RText::setFontMethod));
    return;
  }
  removeMember("x");
  removeMember("y");
  property("center", &RText::setCenterMember, &RText::getCenterMember);
  property("color", &RText::setColorMember, nullptr);
  property("cursor", &RText::setCursorMember, nullptr);
  property("font", &RText::setFontMember, nullptr);
  property("fontAscent", nullptr, &RText::getAscentMember);
  property("fontDescent", nullptr, &RText::getDescentMember);
  property("fontLeading", nullptr, &RText::getLeadingMember);
  property("outline", &RText::setOutlineMember, &RText::getOutlineMember);
  property("outlineColor", &RText::setOutlineColorMember, nullptr);
  property("pointX", &RText::setPointXMember, &RText::getPointXMember);
  property("pointY", &RText::setPointYMember, &RText::getPointYMember);
  property("text", &RText::setTextMember, &RText::getTextMember);
  property("textHeight", nullptr, &RText::getTextHeightMember);
  property("textWidth", nullptr, &RText::getTextWidthMember);
  property("userData", &RText::setUserDataMember, &RText::getUserDataMember);
  property("wrap", &RText::setWrapMember, &RText::getWrapMember);
  property("x", &RText::setXMember, &RText::getXMember);
  property("y", &RText::setYMember, &RText::getYMember);
  addMethod("stamp", Link(this, &RText::stampMember));
  addMethod("unstamp", Link(this, &RText::unstampMember));
}

// Text, colours, cursor and fonts.

void RText::setText(const char* text)
{
  if (!text) return;
  std::string value(text);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  text_ = std::move(value);
  refresh(true);
}

void RText::setColor(const OMRGBColor& color)
{
  textColor_ = color;
  refresh(false);
}

void RText::setOutlineColor(const OMRGBColor& color)
{
  outlineColor_ = color;
  refresh(false);
}

void RText::setCursorById(int id)
{
  if (!id) return;
  OMCursor* old = ownsCursor_ ? cursor_ : nullptr;
  if (cursorHook) {
    cursor_ = cursorHook(static_cast<std::uint16_t>(id));
    ownsCursor_ = false;
  } else {
    cursor_ = new OMCursor(id, nullptr);
    ownsCursor_ = true;
  }
  setHoverCursor(cursor_);
  setTrackingCursor(cursor_);
  delete old;
}

OMFont* RText::canvasFont() const
{
  OMMemCanvas* canvas = windowCanvas();
  return canvas ? canvas->font() : nullptr;
}

void RText::releaseFont()
{
  OMFont* old = font_;
  const FontHold hold = fontHold_;
  font_ = nullptr;
  fontHold_ = borrowed;
  if (!old) return;
  if (hold == owned) {
    delete old;
  } else if (hold == hooked && fontReleaseHook) {
    // Only fonts taken through a hook go back through one: a borrowed font is its giver's.
    fontReleaseHook(old);
  }
}

void RText::useFont(OMFont* font, FontHold hold)
{
  font_ = font;
  fontHold_ = font ? hold : borrowed;
  if (!font_) font_ = canvasFont();
  refresh(true);
}

void RText::setFont(OMFont* font)
{
  if (!font || font == font_) return;
  releaseFont();
  useFont(font, borrowed);
}

void RText::setFontById(std::uint16_t id)
{
  if (!fontByIdHook) return;
  releaseFont();
  OMFont* font = fontByIdHook(id);
  // The font manager answers a missing or broken font with the system font.
  if (font && font->is(OMSysFont::classDescriptor))
    reportDamagedResource("RText", "NFNT", id, "the system font stands in");
  useFont(font, hooked);
}

void RText::setFontByName(const char* face, int style, int size)
{
  releaseFont();
  if (fontByNameHook) {
    useFont(fontByNameHook(face, style, size), hooked);
    return;
  }
  auto* font = new OMTTFont(face, nullptr, nullptr, nullptr);
  font->setStyle(style);
  font->setSize(size);
  useFont(font, owned);
}

void RText::setBitmapFont(std::uint16_t id, const OMRGBColor& color)
{
  setFontById(id);
  if (color.index != keepColor) setColor(color);
}

void RText::setTrueTypeFont(const char* face, int size, int style, const OMRGBColor& color)
{
  setFontByName(face, style, size);
  if (color.index != keepColor) setColor(color);
}

// Flags and the anchor.

void RText::setCenter(int center)
{
  center_ = center;
  refresh(false);
}

void RText::setOutline(int outline)
{
  outline_ = outline;
  refresh(true);
}

void RText::setAnchor(const OMPoint& point)
{
  anchor_ = point;
  refresh(false);
}

void RText::setWrap(int wrap)
{
  if (pointMode_) return;
  wrap_ = wrap;
  refresh(true);
}

// Layout, placing and drawing.

void RText::layOut()
{
  if (pointMode_ || !wrap_ || !font_) {
    lines_ = RTextLayout::single(text_);
  } else {
    lines_ = RTextLayout::wrapped(text_, *font_, rect().width(), outline_ != 0);
  }
}

void RText::place()
{
  if (!pointMode_) return;
  OMRect bounds = font_ ? font_->textBounds(text_.c_str()) : OMRect(0, 0, 0, 0);
  if (outline_) bounds.inset(-1, -1);
  // The left of the widened bounds, so that the outline stays inside the rectangle.
  inkLeft_ = bounds.left();
  const int width = bounds.width(), height = bounds.height();
  std::int64_t left = anchor_.x, top = anchor_.y;
  if (center_) {
    left -= width / 2;
    top -= height / 2;
  }
  const std::int32_t l = clampCoordinate(left), t = clampCoordinate(top);
  setRect(OMRect(l, t, clampCoordinate(std::int64_t(l) + width),
                 clampCoordinate(std::int64_t(t) + height)));
}

void RText::refresh(bool layOutAgain)
{
  invalidate();
  if (layOutAgain) layOut();
  place();
  markWholeDirty();
  invalidate();
}

void RText::paint()
{
  drawInto(windowCanvas());
}

void RText::drawInto(OMCanvas* canvas)
{
  if (!canvas || !font_) return;
  OMFont* previous = canvas->font();
  canvas->setFont(font_);
  const std::int64_t n = static_cast<std::int64_t>(lines_.size());
  const std::int64_t ascent = font_->ascent(), descent = font_->descent(),
                     leading = font_->leading();
  const OMRect box = rect();
  std::int64_t y = box.top() + std::int64_t(box.height()) / 2 - ((n - 1) * leading) / 2 -
                   ascent * ((n - 1) / 2) - descent * (n / 2);
  if (n % 2) y += ascent / 2 - descent / 2;
  static constexpr int around[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0},
                                       {1, 1},   {0, 1},  {-1, 1}, {-1, 0}};
  for (const RTextLine& line : lines_) {
    const std::string characters =
        line.last >= line.first ? text_.substr(static_cast<std::size_t>(line.first),
                                               static_cast<std::size_t>(line.last - line.first + 1))
                                : std::string();
    std::int64_t x = box.left();
    if (center_) {
      x += (std::int64_t(box.width()) - font_->textWidth(characters.c_str())) / 2 - inkLeft_ / 2;
    } else {
      x -= inkLeft_;
    }
    if (!characters.empty() && std::abs(x) < drawLimit && std::abs(y) < drawLimit) {
      const int px = static_cast<int>(x), py = static_cast<int>(y);
      if (outline_ && !outlineColor_.isNone()) {
        canvas->setTextColor(outlineColor_);
        for (const auto& d : around)
          canvas->drawText(px + d[0], py + d[1], characters.c_str());
      }
      if (!textColor_.isNone()) {
        canvas->setTextColor(textColor_);
        canvas->drawText(px, py, characters.c_str());
      }
    }
    y += ascent + descent + leading;
  }
  canvas->setFont(previous);
}

void RText::stamp()
{
  if (isRunning()) return;
  OMDrawLayer* layer = window() ? window()->background() : nullptr;
  if (OMCanvas* canvas = layer ? layer->canvas() : nullptr) {
    setRunning(1);
    layer->saveUnder(rect());
    invalidate();
    drawInto(canvas);
  }
  setVisible(0);
  setDrawState(clean);
}

void RText::unstamp()
{
  if (isRunning()) {
    if (OMDrawLayer* layer = window() ? window()->background() : nullptr) layer->restoreUnder();
    setRunning(0);
  }
  // Shown in any case: a stamp without a layer to draw into only hid the text.
  setVisible(1);
  invalidate();
}

// Class-wide hooks.

void RText::setCursorHook(CursorHook hook)
{
  cursorHook = hook;
}

void RText::setFontCopyHook(FontCopyHook hook)
{
  fontCopyHook = hook;
}

void RText::setFontByIdHook(FontByIdHook hook)
{
  fontByIdHook = hook;
}

void RText::setFontByNameHook(FontByNameHook hook)
{
  fontByNameHook = hook;
}

void RText::setFontReleaseHook(FontReleaseHook hook)
{
  fontReleaseHook = hook;
}

RText::FontByIdHook RText::idFontHook()
{
  return fontByIdHook;
}

RText::FontReleaseHook RText::releaseFontHook()
{
  return fontReleaseHook;
}

void RText::setDeletionHook(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(deletionHook(), link);
}

// Script members.

OMWord RText::setCenterMember(OMWord text)
{
  setCenter(numberOf(text));
  return 1;
}

OMWord RText::getCenterMember(OMWord buffer)
{
  return writeNumber(buffer, center_);
}

OMWord RText::setColorMember(OMWord text)
{
  setColor(scriptColor(text));
  return 1;
}

OMWord RText::setColorIndexMember(OMWord text)
{
  setColor(OMRGBColor::fromIndex(numberOf(text)));
  return 1;
}

OMWord RText::setCursorMember(OMWord text)
{
  setCursorById(numberOf(text));
  return 1;
}

OMWord RText::setFontMember(OMWord text)
{
  const char* face = popScriptArg();
  const char* style = popScriptArg();
  if (!*style) {
    setFontById(static_cast<std::uint16_t>(numberOf(text)));
  } else {
    setFontByName(face, std::atoi(style), numberOf(text));
  }
  return 1;
}

OMWord RText::getAscentMember(OMWord buffer)
{
  return writeNumber(buffer, font_ ? font_->ascent() : 0);
}

OMWord RText::getDescentMember(OMWord buffer)
{
  return writeNumber(buffer, font_ ? font_->descent() : 0);
}

OMWord RText::getLeadingMember(OMWord buffer)
{
  return writeNumber(buffer, font_ ? font_->leading() : 0);
}

OMWord RText::setOutlineMember(OMWord text)
{
  setOutline(numberOf(text));
  return 1;
}

OMWord RText::getOutlineMember(OMWord buffer)
{
  return writeNumber(buffer, outline_);
}

OMWord RText::setOutlineColorMember(OMWord text)
{
  setOutlineColor(scriptColor(text));
  return 1;
}

OMWord RText::setPointXMember(OMWord text)
{
  setAnchor(OMPoint(numberOf(text), anchor_.y));
  return 1;
}

OMWord RText::getPointXMember(OMWord buffer)
{
  return writeNumber(buffer, anchor_.x);
}

OMWord RText::setPointYMember(OMWord text)
{
  setAnchor(OMPoint(anchor_.x, numberOf(text)));
  return 1;
}

OMWord RText::getPointYMember(OMWord buffer)
{
  return writeNumber(buffer, anchor_.y);
}

OMWord RText::setTextMember(OMWord text)
{
  setText(textOf(text));
  return 1;
}

OMWord RText::getTextMember(OMWord buffer)
{
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%s", text_.c_str());
  return 1;
}

OMWord RText::getTextHeightMember(OMWord buffer)
{
  return writeNumber(buffer, font_ ? font_->ascent() + font_->descent() : 0);
}

OMWord RText::getTextWidthMember(OMWord buffer)
{
  return writeNumber(buffer, font_ ? font_->textWidth(text_.c_str()) : 0);
}

OMWord RText::setUserDataMember(OMWord text)
{
  userData_ = std::make_unique<std::string>(textOf(text));
  return 1;
}

OMWord RText::getUserDataMember(OMWord buffer)
{
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%s",
                userData_ ? userData_->c_str() : "");
  return 1;
}

OMWord RText::setWrapMember(OMWord text)
{
  setWrap(numberOf(text));
  return 1;
}

OMWord RText::getWrapMember(OMWord buffer)
{
  return writeNumber(buffer, wrap_);
}

OMWord RText::setXMember(OMWord text)
{
  if (pointMode_) return setPointXMember(text);
  setX(numberOf(text));
  return 1;
}

OMWord RText::getXMember(OMWord buffer)
{
  return writeNumber(buffer, x());
}

OMWord RText::setYMember(OMWord text)
{
  if (pointMode_) return setPointYMember(text);
  setY(numberOf(text));
  return 1;
}

OMWord RText::getYMember(OMWord buffer)
{
  return writeNumber(buffer, y());
}

OMWord RText::stampMember()
{
  stamp();
  return 1;
}

OMWord RText::unstampMember()
{
  unstamp();
  return 1;
}

void RText::setFontFromScriptArgs()
{
  const char* face = popScriptArg();
  const int size = std::atoi(popScriptArg());
  const int style = std::atoi(popScriptArg());
  const int colorIndex = std::atoi(popScriptArg());
  setTrueTypeFont(face, size, style, OMRGBColor::fromIndex(colorIndex));
}

OMWord RText::setFontMethod()
{
  setFontFromScriptArgs();
  return 1;
}
