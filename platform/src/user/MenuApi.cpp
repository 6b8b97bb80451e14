// Menu calls over the menu table.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/src/user/Menu.h"
#include "platform/src/user/NonClient.h"
#include "platform/src/user/WindowManager.h"

using omuser::Menu;
using omuser::MenuItem;
using omuser::MenuTable;

namespace {

MenuTable& menus()
{
  return MenuTable::instance();
}

constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED;

// An item from the arguments of AppendMenuA, InsertMenuA and ModifyMenuA; false when a popup
// names no menu.
bool makeItem(UINT flags, UINT_PTR idOrMenu, LPCSTR text, MenuItem& out)
{
  out.flags = flags & (MF_SEPARATOR | MF_POPUP | kStateFlags);
  out.id = 0;
  out.submenu = nullptr;
  out.text.clear();
  if (flags & MF_POPUP) {
    out.submenu = reinterpret_cast<HMENU>(idOrMenu);
    if (menus().find(out.submenu) == nullptr) return false;
    menus().find(out.submenu)->popup = true;
  } else if (!(flags & MF_SEPARATOR)) {
    out.id = idOrMenu;
  }
  if (!(flags & MF_SEPARATOR) && text != nullptr) out.text = text;
  return true;
}

}  // namespace

HMENU WINAPI CreateMenu(void)
{
  return menus().create(false);
}

HMENU WINAPI CreatePopupMenu(void)
{
  return menus().create(true);
}

BOOL WINAPI DestroyMenu(HMENU menu)
{
  return menus().destroy(menu) ? TRUE : FALSE;
}

BOOL WINAPI IsMenu(HMENU menu)
{
  return menus().find(menu) != nullptr ? TRUE : FALSE;
}

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrMenu, LPCSTR text)
{
  Menu* m = menus().find(menu);
  MenuItem item;
  if (m == nullptr || !makeItem(flags, idOrMenu, text, item)) return FALSE;
  m->items.push_back(std::move(item));
  return TRUE;
}

BOOL WINAPI InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrMenu, LPCSTR text)
{
  Menu* m = menus().find(menu);
  MenuItem item;
  if (m == nullptr || !makeItem(flags, idOrMenu, text, item)) return FALSE;
  Menu* owner = m;
  std::size_t at = m->items.size();
  if (position != static_cast<UINT>(-1)) {
    if (menus().locate(menu, position, flags & MF_BYPOSITION, &owner, &at) == nullptr) {
      // Past the end by position appends; an unknown command fails.
      if (!(flags & MF_BYPOSITION)) return FALSE;
      owner = m;
      at = m->items.size();
    }
  }
  owner->items.insert(owner->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
  return TRUE;
}

BOOL WINAPI ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrMenu, LPCSTR text)
{
  MenuItem* target = menus().locate(menu, position, flags & MF_BYPOSITION);
  MenuItem item;
  if (target == nullptr || !makeItem(flags, idOrMenu, text, item)) return FALSE;
  if ((target->flags & MF_POPUP) && target->submenu != item.submenu)
    menus().destroy(target->submenu);
  *target = std::move(item);
  return TRUE;
}

BOOL WINAPI RemoveMenu(HMENU menu, UINT position, UINT flags)
{
  Menu* owner = nullptr;
  std::size_t at = 0;
  if (menus().locate(menu, position, flags & MF_BYPOSITION, &owner, &at) == nullptr) return FALSE;
  owner->items.erase(owner->items.begin() + static_cast<std::ptrdiff_t>(at));
  return TRUE;
}

BOOL WINAPI DeleteMenu(HMENU menu, UINT position, UINT flags)
{
  const MenuItem* item = menus().locate(menu, position, flags & MF_BYPOSITION);
  if (item == nullptr) return FALSE;
  const HMENU submenu = (item->flags & MF_POPUP) ? item->submenu : nullptr;
  RemoveMenu(menu, position, flags);
  if (submenu != nullptr) menus().destroy(submenu);
  return TRUE;
}

int WINAPI GetMenuItemCount(HMENU menu)
{
  const Menu* m = menus().find(menu);
  return m != nullptr ? static_cast<int>(m->items.size()) : -1;
}

UINT WINAPI GetMenuItemID(HMENU menu, int position)
{
  const MenuItem* item = menus().locate(menu, static_cast<UINT>(position), MF_BYPOSITION);
  if (item == nullptr || (item->flags & MF_POPUP)) return static_cast<UINT>(-1);
  return static_cast<UINT>(item->id);
}

HMENU WINAPI GetSubMenu(HMENU menu, int position)
{
  const MenuItem* item = menus().locate(menu, static_cast<UINT>(position), MF_BYPOSITION);
  return item != nullptr && (item->flags & MF_POPUP) ? item->submenu : nullptr;
}

UINT WINAPI GetMenuState(HMENU menu, UINT item, UINT flags)
{
  const MenuItem* entry = menus().locate(menu, item, flags & MF_BYPOSITION);
  if (entry == nullptr) return static_cast<UINT>(-1);
  UINT state = entry->flags & (kStateFlags | MF_SEPARATOR | MF_POPUP);
  if (entry->flags & MF_POPUP) {
    const Menu* sub = menus().find(entry->submenu);
    state |= static_cast<UINT>(sub != nullptr ? sub->items.size() : 0) << 8;
  }
  return state;
}

int WINAPI GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags)
{
  const MenuItem* entry = menus().locate(menu, item, flags & MF_BYPOSITION);
  if (entry == nullptr) return 0;
  if (buffer == nullptr || size <= 0) return static_cast<int>(entry->text.size());
  const int n = std::min(static_cast<int>(entry->text.size()), size - 1);
  std::memcpy(buffer, entry->text.data(), static_cast<std::size_t>(n));
  buffer[n] = 0;
  return n;
}

BOOL WINAPI EnableMenuItem(HMENU menu, UINT item, UINT flags)
{
  MenuItem* entry = menus().locate(menu, item, flags & MF_BYPOSITION);
  if (entry == nullptr) return -1;
  const UINT previous = entry->flags & (MF_GRAYED | MF_DISABLED);
  entry->flags = (entry->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(previous);
}

DWORD WINAPI CheckMenuItem(HMENU menu, UINT item, UINT flags)
{
  MenuItem* entry = menus().locate(menu, item, flags & MF_BYPOSITION);
  if (entry == nullptr) return static_cast<DWORD>(-1);
  const DWORD previous = entry->flags & MF_CHECKED;
  entry->flags = (entry->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return previous;
}

HMENU WINAPI GetMenu(HWND window)
{
  const omuser::Window* w = omuser::WindowManager::instance().find(window);
  return w != nullptr && !w->isChild() ? w->menu : nullptr;
}

// A menu bar takes its height from the client area.
BOOL WINAPI SetMenu(HWND window, HMENU menu)
{
  omuser::WindowManager& wm = omuser::WindowManager::instance();
  omuser::Window* w = wm.find(window);
  if (w == nullptr || w->isChild() || (menu != nullptr && menus().find(menu) == nullptr))
    return FALSE;
  wm.setMenu(w, menu);
  return TRUE;
}

BOOL WINAPI DrawMenuBar(HWND window)
{
  omuser::Window* w = omuser::WindowManager::instance().find(window);
  if (w == nullptr) return FALSE;
  omuser::drawMenuBar(w);
  return TRUE;
}

// A window's own copy of the window menu, made on first use; revert returns it to the default
// (a later call makes a fresh copy) and answers null.
HMENU WINAPI GetSystemMenu(HWND window, BOOL revert)
{
  omuser::Window* w = omuser::WindowManager::instance().find(window);
  if (w == nullptr) return nullptr;
  if (revert) {
    if (w->systemMenu != nullptr) menus().destroy(w->systemMenu);
    w->systemMenu = nullptr;
    return nullptr;
  }
  if (w->systemMenu == nullptr || menus().find(w->systemMenu) == nullptr)
    w->systemMenu = menus().makeDefaultSystemMenu();
  return w->systemMenu;
}
