#include "framework/OMNControl.h"

#include <cstdint>

#include "framework/OMCanvas.h"
#include "framework/OMFont.h"
#include "framework/OMSysFont.h"
#include "framework/OMWindow.h"
#include "framework/OMWndCanvas.h"

namespace {

constexpr int textLimit = 256;
// The palette index that stands for the host canvas's own colour.
constexpr std::int32_t hostColor = -2;

}  // namespace

OMNControl::OMNControl(OMWindow* owner, const char* className, const char* text, DWORD style,
                       const OMRect& bounds, const OMRGBColor& textColor,
                       const OMRGBColor& background)
    : style_(style | WS_CHILD),
      bounds_(bounds),
      owner_(owner),
      window_(CreateWindowExA(0, className, text, style_, bounds.left(), bounds.top(),
                              bounds.width(), bounds.height(), owner ? owner->handle() : nullptr,
                              nullptr, nullptr, nullptr))
{
  setColors(textColor, background);
  if (owner_) owner_->addControl(this);
}

OMNControl::~OMNControl()
{
  if (owner_) owner_->removeControl(this);
  if (window_) DestroyWindow(window_);
  if (brush_) DeleteObject(brush_);
}

void OMNControl::ownerDestroyed()
{
  owner_ = nullptr;
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
}

void OMNControl::callLink(const std::unique_ptr<OMLink>& link, OMWord argument)
{
  if (!link) return;
  // A copy runs: the link may replace itself, or let go of this control.
  const std::unique_ptr<OMLink> running = link->clone();
  running->call(argument);
}

void OMNControl::clicked()
{
  if (!clickLink_) return;
  const std::unique_ptr<OMLink> running = clickLink_->clone();
  running->call();
}

void OMNControl::commanded(int code)
{
  callLink(commandLink_, static_cast<OMWord>(code));
}

void OMNControl::scrolled(int code)
{
  callLink(scrollLink_, static_cast<OMWord>(code));
}

OMCanvas* OMNControl::hostCanvas() const
{
  return owner_ ? owner_->canvas() : nullptr;
}

COLORREF OMNControl::deviceColor(const OMRGBColor& color) const
{
  // A palette entry is the host's; without a host only channels give a colour.
  if (const OMCanvas* host = hostCanvas()) return host->deviceColor(color);
  return color.isByChannels() ? RGB(color.redByte(), color.greenByte(), color.blueByte())
                              : CLR_INVALID;
}

HBRUSH OMNControl::color(HDC dc)
{
  if (const COLORREF text = deviceColor(textColor_); text != CLR_INVALID) SetTextColor(dc, text);
  SetBkMode(dc, TRANSPARENT);
  return brush_;
}

void OMNControl::place()
{
  MoveWindow(window_, bounds_.left(), bounds_.top(), bounds_.width(), bounds_.height(), TRUE);
  InvalidateRect(window_, nullptr, TRUE);
}

void OMNControl::moveTo(int x, int y)
{
  bounds_ = OMRect(x, y, x + bounds_.width(), y + bounds_.height());
  place();
}

void OMNControl::moveBy(int dx, int dy)
{
  moveTo(bounds_.left() + dx, bounds_.top() + dy);
}

void OMNControl::resize(int width, int height)
{
  bounds_ = OMRect(bounds_.left(), bounds_.top(), bounds_.left() + width, bounds_.top() + height);
  place();
}

void OMNControl::setBounds(const OMRect& bounds)
{
  bounds_ = bounds;
  place();
}

void OMNControl::show(bool visible)
{
  ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
  style_ = visible ? style_ | WS_VISIBLE : style_ & ~static_cast<DWORD>(WS_VISIBLE);
}

bool OMNControl::isVisible() const
{
  return IsWindowVisible(window_) != FALSE;
}

void OMNControl::enable(bool enabled)
{
  EnableWindow(window_, enabled ? TRUE : FALSE);
  style_ = enabled ? style_ & ~static_cast<DWORD>(WS_DISABLED) : style_ | WS_DISABLED;
}

bool OMNControl::isEnabled() const
{
  return IsWindowEnabled(window_) != FALSE;
}

void OMNControl::setText(const char* text)
{
  SetWindowTextA(window_, text ? text : "");
}

const char* OMNControl::text()
{
  char buffer[textLimit + 1] = {};
  GetWindowTextA(window_, buffer, sizeof buffer);
  text_ = buffer;
  return text_.c_str();
}

void OMNControl::focus()
{
  SetFocus(window_);
}

void OMNControl::setFont(OMFont* font)
{
  if (!font || dynamic_cast<OMSysFont*>(font)) return;
  SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font->handle()), TRUE);
}

void OMNControl::setColors(const OMRGBColor& textColor, const OMRGBColor& background)
{
  const OMCanvas* host = hostCanvas();
  textColor_ = textColor.index == hostColor && host ? host->textColor() : textColor;
  background_ = background.index == hostColor && host ? host->background() : background;
  if (brush_) DeleteObject(brush_);
  const COLORREF fill = deviceColor(background_);
  brush_ = fill == CLR_INVALID ? nullptr : CreateSolidBrush(fill);
}

bool OMNControl::hasFocus() const
{
  return GetFocus() == window_;
}
