#pragma once

#include <memory>
#include <string>

#include <windows.h>

#include "framework/OMLink.h"
#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"

class OMCanvas;
class OMFont;
class OMWindow;

// A native child control (a button, a static text) placed in an engine window, moved, shown,
// coloured and asked for its text through the engine's own types. It joins its owner's list
// of controls, through which the owner passes on clicks, commands, scrolls and colour
// requests, and leaves it when it goes.
class OMNControl {
 public:
  // Makes the native control of that class as a child of the owner at the bounds.
  OMNControl(OMWindow* owner, const char* className, const char* text, DWORD style,
             const OMRect& bounds, const OMRGBColor& textColor, const OMRGBColor& background);
  virtual ~OMNControl();
  OMNControl(const OMNControl&) = delete;
  OMNControl& operator=(const OMNControl&) = delete;

  // The answer to the owner's colour request: text colour, a solid background brush and a
  // transparent background mode. A colour of palette index -2 is the owner's canvas's own
  // (its text colour, its background), taken when the colours are set; an index from 0 to
  // 255 is an entry of that canvas's palette.
  virtual HBRUSH color(HDC dc);
  virtual void moveTo(int x, int y);
  virtual void moveBy(int dx, int dy);
  virtual void resize(int width, int height);
  virtual void setBounds(const OMRect& bounds);
  virtual void show(bool visible);
  virtual bool isVisible() const;
  virtual void enable(bool enabled);
  virtual bool isEnabled() const;
  virtual void setText(const char* text);
  // Up to 256 characters; the next call replaces the text.
  virtual const char* text();
  virtual void focus();
  // The system font is ignored.
  virtual void setFont(OMFont* font);
  virtual void setColors(const OMRGBColor& textColor, const OMRGBColor& background);
  virtual bool hasFocus() const;

  // What the owner passes on: a click over the control while it is enabled, and the control's
  // command notifications and scroll requests, each with its code. A null link clears.
  void setClickLink(const OMLink* link) { clickLink_ = cloneLink(link); }
  void setCommandLink(const OMLink* link) { commandLink_ = cloneLink(link); }
  void setScrollLink(const OMLink* link) { scrollLink_ = cloneLink(link); }
  void clicked();
  void commanded(int code);
  void scrolled(int code);
  // The owner is going: the native control goes now, and this object stays without one.
  void ownerDestroyed();

  HWND handle() const { return window_; }
  OMWindow* owner() const { return owner_; }
  const OMRect& bounds() const { return bounds_; }
  // The native control's style, kept as showing and enabling change it.
  DWORD style() const { return style_; }

 private:
  void place();
  OMCanvas* hostCanvas() const;
  // CLR_INVALID for no colour.
  COLORREF deviceColor(const OMRGBColor& color) const;
  static void callLink(const std::unique_ptr<OMLink>& link, OMWord argument);

  HBRUSH brush_ = nullptr;
  DWORD style_;
  OMRect bounds_;
  OMRGBColor textColor_, background_;
  OMWindow* owner_;
  HWND window_;
  std::string text_;
  std::unique_ptr<OMLink> clickLink_, commandLink_, scrollLink_;
};
