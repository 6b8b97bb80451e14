#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace omuser {

// A cursor or an icon: a system one (the id of IDC_ARROW, IDI_QUESTION, ...) or one made from
// a "CURSOR" or "ICON" resource, with its pixels as 0xAARRGGBB, top row first.
struct Cursor {
  int systemId = 0;
  bool isIcon = false;
  int width = 0;
  int height = 0;
  POINT hotSpot{0, 0};
  std::vector<std::uint32_t> pixels;
};

// The handles of cursors and icons. System ones are shared and never destroyed.
class CursorTable {
 public:
  static CursorTable& instance();

  HICON add(std::unique_ptr<Cursor> cursor);
  HICON system(int systemId, bool icon);
  const Cursor* find(HICON handle) const;
  bool destroy(HICON handle);

 private:
  CursorTable() = default;
  std::vector<std::pair<std::uintptr_t, std::unique_ptr<Cursor>>> entries_;
  std::uintptr_t next_ = 0x30000;
};

// Loads a "CURSOR" or "ICON" resource of a module; null when there is no such resource. By
// default the module's group resources are decoded; a test may install its own loader, and
// null puts the default back.
using CursorResourceLoader = std::unique_ptr<Cursor> (*)(HINSTANCE module, LPCSTR name, bool icon);
void setCursorResourceLoader(CursorResourceLoader loader);
std::unique_ptr<Cursor> loadCursorResource(HINSTANCE module, LPCSTR name, bool icon);

// No cursor set, display counter 0.
void resetCursorState();

}  // namespace omuser
