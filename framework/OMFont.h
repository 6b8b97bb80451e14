#pragma once

#include <string>

#include <windows.h>

#include "framework/OMClassDescriptor.h"
#include "framework/OMRect.h"

// A font as canvases and text trinkets use it: metrics, measuring and, for the kinds that
// have one, the Windows font object. Style bits: 1 bold, 2 italic, 4 underline.
class OMFont {
 public:
  static constexpr int bold = 1;
  static constexpr int italic = 2;
  static constexpr int underline = 4;

  explicit OMFont(const char* name) : name_(name ? name : "") {}
  virtual ~OMFont();
  OMFont(const OMFont&) = delete;
  OMFont& operator=(const OMFont&) = delete;

  virtual int ascent() const = 0;
  virtual int descent() const = 0;
  virtual int leading() const = 0;
  virtual int textWidth(const char* text) const = 0;
  virtual int size() const { return size_; }
  virtual int style() const { return style_; }
  // Left and right of the ink around the pen's path; top -ascent, bottom descent.
  virtual OMRect textBounds(const char* text) const = 0;
  virtual void setSize(int /*size*/) {}
  virtual void setStyle(int /*style*/) {}
  virtual const OMClassDescriptor& descriptor() const = 0;

  const std::string& name() const { return name_; }
  HFONT handle() const { return handle_; }
  bool is(const OMClassDescriptor& d) const { return &descriptor() == &d; }

 protected:
  // The text metrics of the font object on the screen.
  TEXTMETRICA gdiMetrics() const;
  int gdiTextWidth(const char* text) const;

  std::string name_;
  HFONT handle_ = nullptr;
  int size_ = 0;
  int style_ = 0;
};
