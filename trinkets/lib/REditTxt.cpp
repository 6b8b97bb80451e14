#include "trinkets/lib/REditTxt.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMSystem.h"
#include "framework/OMTTFont.h"
#include "trinkets/lib/DialogPaint.h"
#include "trinkets/lib/RText.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("REditTxt", &REditTxt::create);

constexpr int fewestChars = 80;
constexpr int ticksPerSecond = 60;

const char* textOf(OMWord word)
{
  const char* text = reinterpret_cast<const char*>(word);
  return text ? text : "";
}

int numberOf(OMWord word)
{
  return std::atoi(textOf(word));
}

bool isDigit(std::uint32_t key)
{
  return key >= '0' && key <= '9';
}

}  // namespace

REditTxt::REditTxt(int x, int y, int colorIndex, int fontSize, int fontStyle, int maxChars,
                   const char* caption, OMTrinketWindow* host)
    : OMTrinket(host, 2), caption_(caption ? caption : "")
{
  setColorIndex(colorIndex);
  maxChars_ = maxChars > 0 ? maxChars : fewestChars;
  font_ = std::make_unique<OMTTFont>("Arial", nullptr, nullptr, nullptr);
  font_->setSize(fontSize);
  font_->setStyle(fontStyle);
  fontStyle_ = fontStyle;
  takeMetrics();
  setRectLTRB(x, y, x, y);
  fitRect();
  setTouchy(0);
  setBlinkRate(2);
  setFocus();
}

REditTxt::~REditTxt()
{
  OMMemCanvas* canvas = windowCanvas();
  if (canvas) canvas->setFont(nullptr);
  if (bitmapFont_ && RText::releaseFontHook()) RText::releaseFontHook()(bitmapFont_);
  bitmapFont_ = nullptr;
  font_.reset();
  tabCallback_.reset();
}

std::unique_ptr<OMScriptableObject> REditTxt::create()
{
  int numbers[6];
  for (int& n : numbers)
    n = std::atoi(popScriptArg());
  const std::string caption = popScriptArg();
  OMTrinketWindow* host = OMTrinketWindow::mainHost();
  if (!host) return nullptr;
  return std::make_unique<REditTxt>(clampCoordinate(numbers[0]), clampCoordinate(numbers[1]),
                                    numbers[2], numbers[3], numbers[4], numbers[5], caption.c_str(),
                                    host);
}

void REditTxt::registerMembers()
{
  using Link = OMLinkToObj<REditTxt>;
  OMTrinket::registerMembers();
  addEvent("finished");
  addEvent("cancel");
  addEvent("tab");
  addMethod("setFont", Link(this, &REditTxt::setFontMethod));
  addMethod("reset", Link(this, &REditTxt::resetMethod));
  addMethod("zTop", Link(this, &REditTxt::zTopMethod));
  addMethod("focus", Link(this, &REditTxt::focusMethod));
  addProperty("caption", Link(this, &REditTxt::setCaption, 0),
              Link(this, &REditTxt::getCaption, 0));
  addProperty("fontColor", Link(this, &REditTxt::setFontColor, 0),
              Link(this, &REditTxt::getFontColor, 0));
  addProperty("fontName", Link(this, &REditTxt::ignoreText, 0),
              Link(this, &REditTxt::getFontName, 0));
  addProperty("fontSize", Link(this, &REditTxt::ignoreText, 0),
              Link(this, &REditTxt::getFontSize, 0));
  addProperty("fontStyle", Link(this, &REditTxt::setFontStyle, 0),
              Link(this, &REditTxt::getFontStyle, 0));
  addProperty("maxChars", Link(this, &REditTxt::setMaxChars, 0),
              Link(this, &REditTxt::getMaxChars, 0));
  addProperty("blinkRate", Link(this, &REditTxt::setBlinkRateMember, 0),
              Link(this, &REditTxt::getBlinkRate, 0));
  const Link bitmapFont(this, &REditTxt::setBitmapFontId, 0);
  addProperty("NFNTFontName", &bitmapFont, nullptr);
  addProperty("numFlag", nullptr, Link(this, &REditTxt::getNumFlag, 0));
}

void REditTxt::setTabCallback(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(tabCallback_, link);
}

OMFont* REditTxt::fontInUse() const
{
  if (usesBitmapFont_ && bitmapFont_) return bitmapFont_;
  return font_.get();
}

void REditTxt::takeMetrics()
{
  const OMFont* font = fontInUse();
  ascent_ = font ? font->ascent() : 0;
  descent_ = font ? font->descent() : 0;
}

void REditTxt::fitRect()
{
  const OMFont* font = fontInUse();
  const int width = font ? font->textBounds(caption_.c_str()).right() : 0;
  invalidate();
  setRectLTRB(x(), y(), clampCoordinate(std::int64_t(x()) + width + 20),
              clampCoordinate(std::int64_t(y()) + ascent_ + descent_));
  invalidate();
}

void REditTxt::setColorIndex(int index)
{
  colorIndex_ = index;
  textColor_ = OMRGBColor::fromIndex(index);
}

void REditTxt::setBlinkRate(int rate)
{
  blinkRate_ = std::clamp(rate, 1, 30);
  blinkInterval_ = static_cast<std::uint32_t>(ticksPerSecond / blinkRate_);
  lastBlink_ = getTicks();
  nextBlink_ = lastBlink_ + blinkInterval_;
  caretOn_ = 1;
}

// Keys and time.

void REditTxt::onKeyDown()
{
  if (locked_) return;
  finishRequested_ = cancelRequested_ = changed_ = 0;
  const auto key = static_cast<std::uint32_t>(currentEventWParam());
  switch (key) {
    case omkey::backspace:
      if (caption_.empty()) return;
      invalidate();
      caption_.pop_back();
      changed_ = 1;
      return;
    case omkey::tab:
      if (tabCallback_) {
        tabCallback_->call();
      } else {
        raise("tab");
      }
      return;
    case omkey::enter:
      finishRequested_ = 1;
      return;
    case omkey::escape:
      cancelRequested_ = 1;
      return;
    default:
      if (isDigit(key)) typeDigit(static_cast<char>(key));
      return;
  }
}

void REditTxt::typeDigit(char digit)
{
  if (caption_.size() + 1 > static_cast<std::size_t>(maxChars_)) return;
  invalidate();
  caption_ += digit;
  changed_ = 1;
}

void REditTxt::tick()
{
  const std::uint32_t now = getTicks();
  // A signed difference: the tick count may wrap.
  if (static_cast<std::int32_t>(now - nextBlink_) >= 0) {
    invalidate();
    lastBlink_ = nextBlink_;
    nextBlink_ += blinkInterval_;
    caretOn_ = !caretOn_;
  }
  if (changed_) {
    fitRect();
    changed_ = 0;
  }
  // A procedure of either event may delete the field.
  const std::weak_ptr<int> alive = alive_;
  if (finishRequested_) {
    finishRequested_ = 0;
    locked_ = 1;
    raise("finished");
  }
  if (alive.expired()) return;
  if (cancelRequested_) {
    cancelRequested_ = 0;
    raise("cancel");
  }
}

void REditTxt::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  OMFont* font = fontInUse();
  if (!canvas || !font) return;
  OMFont* previousFont = canvas->font();
  const OMRGBColor previousColor = canvas->textColor();
  canvas->setFont(font);
  canvas->setTextColor(textColor_);
  canvas->drawText(x(), y() + ascent_, caption_.c_str());
  if (caretOn_ && !locked_) {
    const int width = font->textWidth("r");
    const int caretX = x() + font->textWidth(caption_.c_str()) + 3, caretY = y() + ascent_ - 2;
    dialogpaint::Painter painter(*canvas);
    canvas->setPenWidth(width < 12 ? 1 : 2);
    painter.line(caretX, caretY, caretX + width, caretY, textColor_);
  }
  canvas->setTextColor(previousColor);
  canvas->setFont(previousFont);
}

// Script members.

OMWord REditTxt::setFontMethod()
{
  const std::string face = popScriptArg();
  const int size = std::atoi(popScriptArg());
  const int style = std::atoi(popScriptArg());
  const int color = std::atoi(popScriptArg());
  invalidate();
  setColorIndex(color);
  font_ = std::make_unique<OMTTFont>(face.c_str(), nullptr, nullptr, nullptr);
  font_->setSize(size);
  fontStyle_ = style;
  font_->setStyle(style);
  takeMetrics();
  fitRect();
  changed_ = 1;
  return 1;
}

OMWord REditTxt::resetMethod()
{
  locked_ = 0;
  caretOn_ = 1;
  finishRequested_ = cancelRequested_ = 0;
  digitsOnly_ = 0;
  invalidate();
  return 1;
}

OMWord REditTxt::zTopMethod()
{
  bringToFront();
  return 1;
}

OMWord REditTxt::focusMethod()
{
  setFocus();
  return 1;
}

OMWord REditTxt::setCaption(OMWord text)
{
  invalidate();
  caption_ = textOf(text);
  changed_ = 1;
  return 1;
}

OMWord REditTxt::getCaption(OMWord buffer)
{
  // A script that reads the caption has taken the answer: typing stops until "reset".
  locked_ = 1;
  invalidate();
  return writeText(buffer, caption_.c_str());
}

OMWord REditTxt::setFontColor(OMWord text)
{
  setColorIndex(numberOf(text));
  changed_ = 1;
  invalidate();
  return 1;
}

OMWord REditTxt::getFontColor(OMWord buffer)
{
  return writeNumber(buffer, colorIndex_);
}

OMWord REditTxt::ignoreText(OMWord)
{
  return 1;
}

OMWord REditTxt::getFontName(OMWord buffer)
{
  return writeText(buffer, font_ ? font_->name().c_str() : "");
}

OMWord REditTxt::getFontSize(OMWord buffer)
{
  return writeNumber(buffer, font_ ? font_->size() : 0);
}

OMWord REditTxt::setFontStyle(OMWord text)
{
  fontStyle_ = numberOf(text);
  font_->setStyle(fontStyle_);
  takeMetrics();
  fitRect();
  changed_ = 1;
  return 1;
}

OMWord REditTxt::getFontStyle(OMWord buffer)
{
  return writeNumber(buffer, fontStyle_);
}

OMWord REditTxt::setMaxChars(OMWord text)
{
  const int value = numberOf(text);
  maxChars_ = value > 0 ? value : fewestChars;
  return 1;
}

OMWord REditTxt::getMaxChars(OMWord buffer)
{
  return writeNumber(buffer, maxChars_);
}

OMWord REditTxt::setBlinkRateMember(OMWord text)
{
  setBlinkRate(numberOf(text));
  invalidate();
  return 1;
}

OMWord REditTxt::getBlinkRate(OMWord buffer)
{
  return writeNumber(buffer, blinkRate_);
}

OMWord REditTxt::setBitmapFontId(OMWord text)
{
  const RText::FontByIdHook hook = RText::idFontHook();
  if (!hook) return 1;
  useBitmapFont(hook(static_cast<std::uint16_t>(numberOf(text))));
  return 1;
}

void REditTxt::useBitmapFont(OMFont* font)
{
  // A hook that gives no font leaves the old one.
  if (!font) return;
  invalidate();
  if (bitmapFont_ && bitmapFont_ != font && RText::releaseFontHook())
    RText::releaseFontHook()(bitmapFont_);
  bitmapFont_ = font;
  usesBitmapFont_ = 1;
  takeMetrics();
  fitRect();
  changed_ = 1;
}

OMWord REditTxt::getNumFlag(OMWord buffer)
{
  digitsOnly_ = std::all_of(caption_.begin(), caption_.end(),
                            [](char c) { return isDigit(static_cast<unsigned char>(c)); })
                    ? 1
                    : 0;
  return writeNumber(buffer, digitsOnly_);
}
