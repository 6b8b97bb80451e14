#pragma once

#include <windows.h>

namespace omuser {

// The built-in "Static" class: texts (left with word wrap, centred, right, one line), icons,
// bitmaps, filled rectangles, frames and etched lines.
class StaticControl {
 public:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The title was set behind the control's back (an ordinal title): an icon is loaded again.
  static void titleChanged(HWND window);
};

}  // namespace omuser
