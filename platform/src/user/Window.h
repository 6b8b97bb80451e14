#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/src/gdi/RegionData.h"

namespace omuser {

struct WindowClass;

// One window of the tree. Top-level windows are children of the desktop window; a window's
// children are kept in z-order, the topmost first.
struct Window {
  HWND handle = nullptr;
  WindowClass* windowClass = nullptr;
  Window* parent = nullptr;
  Window* owner = nullptr;
  std::vector<Window*> children;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};  // the window rectangle in the parent's client coordinates
  std::string text;
  WNDPROC procedure = nullptr;
  std::vector<unsigned char> extra;  // the class's extra window bytes
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  HMENU menu = nullptr;
  HMENU systemMenu = nullptr;
  HINSTANCE instance = nullptr;
  omgdi::RegionData update;  // client coordinates
  bool erasePending = false;
  bool framePending = false;  // the non-client area waits for WM_NCPAINT
  // The caption is drawn active: set and cleared by WM_NCACTIVATE's default handling only, so a
  // child window's caption stays inactive until its program says otherwise.
  bool frameActive = false;
  bool internalPaint = false;
  RECT normalRect{};  // where a minimised or maximised window returns to
  bool restoreToMaximized = false;
  HWND lastActivePopup = nullptr;
  bool destroyed = false;

  bool isVisible() const { return (style & WS_VISIBLE) != 0; }
  bool isChild() const { return (style & WS_CHILD) != 0; }
  bool isMinimized() const { return (style & WS_MINIMIZE) != 0; }
  bool isMaximized() const { return (style & WS_MAXIMIZE) != 0; }
};

}  // namespace omuser
