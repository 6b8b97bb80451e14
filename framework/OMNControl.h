#pragma once

#include <string>

#include <windows.h>

#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"

class OMFont;
class OMWindow;

// A native child control (a button, a static text) placed in an engine window, moved, shown,
// coloured and asked for its text through the engine's own types.
class OMNControl {
 public:
  // Makes the native control of that class as a child of the owner at the bounds.
  OMNControl(OMWindow* owner, const char* className, const char* text, DWORD style,
             const OMRect& bounds, const OMRGBColor& textColor, const OMRGBColor& background);
  virtual ~OMNControl();
  OMNControl(const OMNControl&) = delete;
  OMNControl& operator=(const OMNControl&) = delete;

  // The answer to the owner's colour request: text colour, a solid background brush and a
  // transparent background mode.
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

  HWND handle() const { return window_; }
  const OMRect& bounds() const { return bounds_; }

 private:
  void place();

  HBRUSH brush_ = nullptr;
  OMRect bounds_;
  OMRGBColor textColor_, background_;
  OMWindow* owner_;
  HWND window_;
  std::string text_;
};
