#pragma once

#include <windows.h>

namespace omuser {

// The built-in "Button" class: push and default push buttons, check boxes (plain, automatic,
// three-state), radio buttons (plain, automatic) and group boxes, in the classic 3-D look.
class ButtonControl {
 public:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static bool isPushButton(DWORD style);
  // Size of the check box and radio button marks.
  static constexpr int kMark = 13;
};

}  // namespace omuser
