#pragma once

#include "platform/src/gdi/GdiHandles.h"

namespace omgdi {

// A solid brush, or the hollow brush that paints nothing.
class GdiBrush : public GdiObject {
 public:
  GdiBrush(UINT style, COLORREF color) : GdiObject(OBJ_BRUSH), style_(style), color_(color) {}

  bool isHollow() const { return style_ == BS_NULL; }
  COLORREF color() const { return color_; }

 private:
  UINT style_;
  COLORREF color_;
};

}  // namespace omgdi
