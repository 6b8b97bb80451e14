// LoadMenuA: builds menus from a classic menu template.
//
// The template is a header {WORD version 0, WORD offset}, then items: WORD flags, a WORD id
// unless the item opens a popup, and a zero-terminated UTF-16 text. A popup's items follow it
// up to the one flagged MF_END; the top level ends the same way.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/src/kernel/Codepage.h"
#include "platform/src/user/MenuTemplate.h"

namespace {

constexpr WORD kEndOfLevel = 0x80;
constexpr int kMaxDepth = 16;

class MenuTemplateReader {
 public:
  MenuTemplateReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

  HMENU read()
  {
    WORD version = 0;
    WORD offset = 0;
    if (!word(version) || !word(offset) || version != 0) return nullptr;
    position_ += offset;
    HMENU bar = CreateMenu();
    if (!readLevel(bar, 0)) {
      DestroyMenu(bar);
      return nullptr;
    }
    return bar;
  }

 private:
  bool word(WORD& value)
  {
    if (position_ + 2 > size_) return false;
    value = static_cast<WORD>(bytes_[position_] | (bytes_[position_ + 1] << 8));
    position_ += 2;
    return true;
  }

  // UTF-16 text to the code page the engine works in.
  bool text(std::string& out)
  {
    out.clear();
    for (;;) {
      WORD unit = 0;
      if (!word(unit)) return false;
      if (unit == 0) return true;
      out += omwin::cp1252FromUnicode(unit);
    }
  }

  bool readLevel(HMENU menu, int depth)
  {
    if (depth >= kMaxDepth) return false;
    for (;;) {
      WORD flags = 0;
      WORD id = 0;
      std::string title;
      if (!word(flags)) return false;
      const bool opensPopup = (flags & MF_POPUP) != 0;
      if (!opensPopup && !word(id)) return false;
      if (!text(title)) return false;
      const UINT itemFlags = flags & ~(kEndOfLevel | MF_POPUP);
      if (opensPopup) {
        HMENU popup = CreatePopupMenu();
        if (!readLevel(popup, depth + 1) ||
            !AppendMenuA(menu, itemFlags | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                         title.c_str())) {
          DestroyMenu(popup);
          return false;
        }
      } else if ((flags & ~kEndOfLevel) == 0 && id == 0 && title.empty()) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      } else {
        AppendMenuA(menu, itemFlags | MF_STRING, id, title.c_str());
      }
      if (flags & kEndOfLevel) return true;
    }
  }

  const std::uint8_t* bytes_;
  std::size_t size_;
  std::size_t position_ = 0;
};

}  // namespace

namespace omuser {

HMENU menuFromTemplate(const std::uint8_t* bytes, std::size_t size)
{
  return MenuTemplateReader(bytes, size).read();
}

}  // namespace omuser

HMENU WINAPI LoadMenuA(HINSTANCE instance, LPCSTR name)
{
  HRSRC found = FindResourceA(instance, name, RT_MENU);
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(instance, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return nullptr;
  return omuser::menuFromTemplate(static_cast<const std::uint8_t*>(bytes),
                                  SizeofResource(instance, found));
}
