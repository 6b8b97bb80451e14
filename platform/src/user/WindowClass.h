#pragma once

#include <windows.h>

#include <string>

namespace omuser {

// A registered window class.
struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC procedure = nullptr;
  int classExtraBytes = 0;
  int windowExtraBytes = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::string menuName;
  ATOM atom = 0;
  bool system = false;  // built in ("LISTBOX"), never published to other processes
  int windowCount = 0;  // windows of the class that exist; the class stays while any do
};

}  // namespace omuser
