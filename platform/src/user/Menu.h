#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace omuser {

// Menus as data: bars, popups and system menus with the state callers read and write.
// Nothing draws them or tracks them with the mouse yet.
struct MenuItem {
  UINT flags = 0;  // MF_SEPARATOR, MF_POPUP, MF_GRAYED, MF_DISABLED, MF_CHECKED
  UINT_PTR id = 0;
  HMENU submenu = nullptr;
  std::string text;
};

struct Menu {
  bool popup = false;
  std::vector<MenuItem> items;
};

class MenuTable {
 public:
  static MenuTable& instance();

  HMENU create(bool popup);
  Menu* find(HMENU handle);
  // Destroys the menu and its submenus.
  bool destroy(HMENU handle);
  // The item at a position (MF_BYPOSITION) or with a command id, searched through submenus;
  // also the menu that holds it and its position there.
  MenuItem* locate(HMENU handle, UINT item, UINT flags, Menu** owner = nullptr,
                   std::size_t* position = nullptr);
  // A new popup with the default items of a window menu.
  HMENU makeDefaultSystemMenu();

 private:
  MenuTable() = default;
  std::unordered_map<std::uintptr_t, std::unique_ptr<Menu>> menus_;
  std::uintptr_t next_ = 0x40000;
};

}  // namespace omuser
