#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace omuser {

// The built-in "LISTBOX" class, as far as programs use it without showing it: a list of texts
// filled by LB_ADDSTRING or LB_DIR and read back by LB_GETCOUNT and LB_GETTEXT.
class ListBox {
 public:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The names of the files a pattern such as "*.qzl" or "plugins/*.qzl" matches (the name part
  // without regard to case), sorted; directories only when asked for (DDL_DIRECTORY).
  static std::vector<std::string> listFiles(const char* pattern, bool withDirectories);
};

}  // namespace omuser
