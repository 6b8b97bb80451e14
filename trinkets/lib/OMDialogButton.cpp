#include "trinkets/lib/OMDialogButton.h"

#include <cstring>

#include "framework/OMFont.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMRegion.h"
#include "framework/OMSystem.h"
#include "trinkets/lib/DialogPaint.h"
#include "trinkets/lib/OMDialogLabel.h"
#include "trinkets/src/OMScriptableObjectProperty.h"

namespace {

// The corners of an arrow's triangle, in quarters of the button.
struct Arrow {
  char key;
  int corners[3][2];
};
constexpr Arrow arrows[] = {{'>', {{1, 1}, {3, 2}, {1, 3}}},
                            {'<', {{3, 1}, {3, 3}, {1, 2}}},
                            {'^', {{2, 1}, {3, 3}, {1, 3}}},
                            {'v', {{1, 1}, {3, 1}, {2, 3}}}};

const Arrow* arrowOf(const std::string& caption)
{
  for (const Arrow& arrow : arrows)
    if (!caption.empty() && caption.front() == arrow.key) return &arrow;
  return nullptr;
}

}  // namespace

OMDialogButton::OMDialogButton(const OMRect& rect, const char* caption, int id, OMFont* font,
                               OMTrinketWindow* host)
    : OMTrinket(host, 2), font_(font)
{
  setSubclassWord(id);
  setRect(rect);
  setCaption(caption);
}

OMDialogButton::~OMDialogButton() = default;

void OMDialogButton::setCaption(const char* text)
{
  caption_ = OMDialogLabel::unquoted(text);
  mnemonicIndex_ = -1;
  const std::size_t ampersand = caption_.find('&');
  if (ampersand != std::string::npos) {
    caption_.erase(ampersand, 1);
    // An "&" at the end marks nothing.
    if (ampersand < caption_.size()) mnemonicIndex_ = static_cast<int>(ampersand);
  }
  invalidate();
}

int OMDialogButton::mnemonic() const
{
  return mnemonicIndex_ < 0 ? 0 : static_cast<unsigned char>(caption_[std::size_t(mnemonicIndex_)]);
}

void OMDialogButton::setHitLink(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(hitLink_, link);
}

void OMDialogButton::setPressed(int pressed)
{
  if (pressed == pressed_) return;
  pressed_ = pressed;
  markWholeDirty();
}

void OMDialogButton::onMouseDown()
{
  setPressed(1);
}

void OMDialogButton::onDrag()
{
  const bool inside = containsPoint(currentEventMousePoint());
  if (inside) {
    showHoverCursor();
  } else {
    showDefaultCursor();
  }
  setPressed(inside ? 1 : 0);
}

void OMDialogButton::onMouseUp()
{
  setPressed(0);
  if (!containsPoint(currentEventMousePoint())) return;
  // Either may delete the button (a dismissal deletes the whole dialog): nothing after.
  if (hitLink_) {
    hitLink_->call();
  } else {
    raise("hit");
  }
}

void OMDialogButton::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  if (!canvas) return;
  dialogpaint::Painter painter(*canvas);
  const int left = x(), top = y(), right = rect().right(), bottom = rect().bottom();
  if (!pressed_) {
    painter.fill(OMRect(left + 1, top + 1, right - 2, bottom - 2), dialogpaint::lightGrey);
    painter.line(left, top, right - 2, top, dialogpaint::white);
    painter.line(left, top + 1, left, bottom - 2, dialogpaint::white);
    painter.line(left + 1, bottom - 2, right - 2, bottom - 2, dialogpaint::darkGrey);
    painter.line(right - 2, top + 1, right - 2, bottom - 2, dialogpaint::darkGrey);
    painter.line(left, bottom - 1, right - 1, bottom - 1, dialogpaint::black);
    painter.line(right - 1, top, right - 1, bottom - 1, dialogpaint::black);
  } else {
    painter.fill(OMRect(left + 2, top + 2, right - 2, bottom - 2), dialogpaint::lightGrey);
    painter.frame(OMRect(left + 1, top + 1, right - 1, bottom - 1), dialogpaint::darkGrey);
    painter.frame(rect(), dialogpaint::black);
  }
  const int press = pressed_ ? 1 : 0;
  if (!font_ && arrowOf(caption_)) {
    paintArrow(press);
  } else {
    paintCaption(press);
  }
}

void OMDialogButton::paintArrow(int press)
{
  OMMemCanvas* canvas = windowCanvas();
  const Arrow* arrow = arrowOf(caption_);
  OMPoint corners[3];
  for (int i = 0; i < 3; ++i)
    corners[i] = OMPoint(x() + 1 + press + rect().width() / 4 * arrow->corners[i][0],
                         y() + 1 + press + rect().height() / 4 * arrow->corners[i][1]);
  dialogpaint::Painter painter(*canvas);
  canvas->setFillColor(dialogpaint::black);
  canvas->setFill(true);
  canvas->setFrame(false);
  canvas->drawRegion(OMRegion(corners, 3));
}

void OMDialogButton::paintCaption(int press)
{
  OMMemCanvas* canvas = windowCanvas();
  OMFont* previous = canvas->font();
  if (font_) canvas->setFont(font_);
  OMFont* font = canvas->font();
  if (!font) return;
  const OMRGBColor textColor = canvas->textColor();
  canvas->setTextColor(dialogpaint::black);
  const OMRect bounds = font->textBounds(caption_.c_str());
  const int left = x() + press + (rect().width() - bounds.width()) / 2 - 1;
  const int baseline = y() + press + (rect().height() - bounds.height()) / 2 - 1 + font->ascent();
  if (mnemonicIndex_ < 0) {
    canvas->drawText(left, baseline, caption_.c_str());
  } else {
    const std::string before = caption_.substr(0, std::size_t(mnemonicIndex_));
    const std::string marked = caption_.substr(std::size_t(mnemonicIndex_), 1);
    const std::string after = caption_.substr(std::size_t(mnemonicIndex_) + 1);
    canvas->drawText(left, baseline, before.c_str());
    const int markedLeft = left + font->textWidth(before.c_str());
    const int style = font->style();
    font->setStyle(style | OMFont::underline);
    canvas->drawText(markedLeft, baseline, marked.c_str());
    font->setStyle(style);
    canvas->drawText(markedLeft + font->textWidth(marked.c_str()), baseline, after.c_str());
  }
  canvas->setTextColor(textColor);
  canvas->setFont(previous);
}
