#pragma once

#include "platform/src/gdi/GdiHandles.h"

namespace omgdi {

// A cosmetic solid pen of some width, or the null pen.
class GdiPen : public GdiObject {
 public:
  GdiPen(int style, int width, COLORREF color)
      : GdiObject(OBJ_PEN), style_(style), width_(width < 1 ? 1 : width), color_(color)
  {
  }

  bool isNull() const { return style_ == PS_NULL; }
  int style() const { return style_; }
  int width() const { return width_; }
  COLORREF color() const { return color_; }

 private:
  int style_;
  int width_;
  COLORREF color_;
};

}  // namespace omgdi
