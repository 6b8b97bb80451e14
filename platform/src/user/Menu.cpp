#include "platform/src/user/Menu.h"

namespace omuser {

MenuTable& MenuTable::instance()
{
  static MenuTable table;
  return table;
}

HMENU MenuTable::create(bool popup)
{
  const std::uintptr_t key = next_;
  next_ += 4;
  auto menu = std::make_unique<Menu>();
  menu->popup = popup;
  menus_.emplace(key, std::move(menu));
  return reinterpret_cast<HMENU>(key);
}

Menu* MenuTable::find(HMENU handle)
{
  const auto it = menus_.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == menus_.end() ? nullptr : it->second.get();
}

bool MenuTable::destroy(HMENU handle)
{
  const auto it = menus_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == menus_.end()) return false;
  std::unique_ptr<Menu> menu = std::move(it->second);
  menus_.erase(it);
  for (const MenuItem& item : menu->items)
    if (item.flags & MF_POPUP) destroy(item.submenu);
  return true;
}

MenuItem* MenuTable::locate(HMENU handle, UINT item, UINT flags, Menu** owner,
                            std::size_t* position)
{
  Menu* menu = find(handle);
  if (menu == nullptr) return nullptr;
  if (flags & MF_BYPOSITION) {
    if (item >= menu->items.size()) return nullptr;
    if (owner != nullptr) *owner = menu;
    if (position != nullptr) *position = item;
    return &menu->items[item];
  }
  for (std::size_t i = 0; i < menu->items.size(); ++i) {
    MenuItem& entry = menu->items[i];
    if (!(entry.flags & (MF_POPUP | MF_SEPARATOR)) && entry.id == item) {
      if (owner != nullptr) *owner = menu;
      if (position != nullptr) *position = i;
      return &entry;
    }
    if (entry.flags & MF_POPUP) {
      MenuItem* inner = locate(entry.submenu, item, flags, owner, position);
      if (inner != nullptr) return inner;
    }
  }
  return nullptr;
}

HMENU MenuTable::makeDefaultSystemMenu()
{
  const HMENU handle = create(true);
  Menu* menu = find(handle);
  const struct {
    UINT id;
    const char* text;
  } items[] = {{SC_RESTORE, "&Restore"},    {SC_MOVE, "&Move"},         {SC_SIZE, "&Size"},
               {SC_MINIMIZE, "Mi&nimize"},  {SC_MAXIMIZE, "Ma&ximize"}, {0, nullptr},
               {SC_CLOSE, "&Close\tAlt+F4"}};
  for (const auto& item : items) {
    if (item.text == nullptr)
      menu->items.push_back(MenuItem{MF_SEPARATOR, 0, nullptr, ""});
    else
      menu->items.push_back(MenuItem{MF_STRING, item.id, nullptr, item.text});
  }
  return handle;
}

}  // namespace omuser
