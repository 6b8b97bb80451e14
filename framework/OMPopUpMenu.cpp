#include "framework/OMPopUpMenu.h"

#include <set>

#include "framework/OMApp.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMTask.h"

namespace {

std::set<int>& idsInUse()
{
  static std::set<int> ids;
  return ids;
}

int takeCommandId()
{
  int id = 1;
  for (int used : idsInUse()) {
    if (used != id) break;
    ++id;
  }
  idsInUse().insert(id);
  return id;
}

OMPopUpMenu*& openPopup()
{
  static OMPopUpMenu* popup = nullptr;
  return popup;
}

constexpr int submenuTextLimit = 64;

}  // namespace

const char* const OMPopUpMenu::separator = reinterpret_cast<const char*>(-1);

OMPopUpMenu::OMPopUpMenu(const char* name) : menu_(CreatePopupMenu()), name_(name ? name : "") {}

OMPopUpMenu::OMPopUpMenu(HMENU existing, const char* name) : OMPopUpMenu(name)
{
  const int count = GetMenuItemCount(existing);
  for (int i = 0; i < count; ++i) {
    char text[submenuTextLimit + 1] = {};
    GetMenuStringA(existing, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    if (HMENU sub = GetSubMenu(existing, i)) {
      insertSubmenu(itemCount(), std::make_unique<OMPopUpMenu>(sub, text));
    } else if (GetMenuItemID(existing, i) == 0) {
      insertItem(itemCount(), separator, nullptr);
    } else {
      insertItem(itemCount(), text, nullptr);
    }
  }
}

OMPopUpMenu::~OMPopUpMenu()
{
  if (openPopup() == this) openPopup() = nullptr;
  if (task_ && OMApp::instance()) OMApp::instance()->removeTask(task_.get());
  task_.reset();
  while (!items_.empty())
    deleteItem(itemCount() - 1);
  DestroyMenu(menu_);
}

void OMPopUpMenu::insert(int position, Item item, UINT flags, UINT_PTR idOrMenu, const char* text)
{
  InsertMenuA(menu_, static_cast<UINT>(position), flags | MF_BYPOSITION, idOrMenu, text);
  items_.insert(items_.begin() + position, std::move(item));
}

void OMPopUpMenu::insertItem(int position, const char* text, const OMLink* link)
{
  if (position < 0 || position > itemCount()) return;
  Item item;
  if (text == separator) {
    item.kind = -1;
    insert(position, std::move(item), MF_SEPARATOR, 0, nullptr);
    return;
  }
  item.commandId = takeCommandId();
  item.link = cloneLink(link);
  const auto id = static_cast<UINT_PTR>(item.commandId);
  insert(position, std::move(item), MF_STRING, id, text ? text : "");
}

void OMPopUpMenu::insertSubmenu(int position, std::unique_ptr<OMPopUpMenu> popup)
{
  if (!popup || position < 0 || position > itemCount()) return;
  Item item;
  item.kind = -2;
  const auto handle = reinterpret_cast<UINT_PTR>(popup->handle());
  const std::string text = popup->name();
  item.submenu = std::move(popup);
  insert(position, std::move(item), MF_POPUP, handle, text.c_str());
}

void OMPopUpMenu::deleteItem(int position)
{
  if (position < 0 || position >= itemCount()) return;
  Item& item = items_[static_cast<std::size_t>(position)];
  if (item.kind == 0) idsInUse().erase(item.commandId);
  // The submenu's own menu goes with its object, not with this one.
  RemoveMenu(menu_, static_cast<UINT>(position), MF_BYPOSITION);
  items_.erase(items_.begin() + position);
}

int OMPopUpMenu::commandIdAt(int position) const
{
  if (position < 0 || position >= itemCount()) return -1;
  const Item& item = items_[static_cast<std::size_t>(position)];
  return item.kind == 0 ? item.commandId : -1;
}

bool OMPopUpMenu::dispatch(int commandId)
{
  for (Item& item : items_) {
    if (item.kind == -2 && item.submenu && item.submenu->dispatch(commandId)) return true;
    if (item.kind == 0 && item.commandId == commandId) {
      if (item.link) cloneLink(item.link.get())->call();
      return true;
    }
  }
  return false;
}

void OMPopUpMenu::track(std::unique_ptr<OMPopUpMenu> popup, HWND window, const OMPoint& point,
                        bool rightButton)
{
  if (!popup) return;
  OMPopUpMenu* tracked = popup.get();
  openPopup() = tracked;
  POINT screen{point.x, point.y};
  ClientToScreen(window, &screen);
  TrackPopupMenu(tracked->menu_, rightButton ? TPM_RIGHTBUTTON : 0, screen.x, screen.y, 0, window,
                 nullptr);
  OMApp* app = OMApp::instance();
  if (!app) return;  // nobody to delete it later: it goes now
  const OMLinkToObj<OMPopUpMenu> later(tracked, &OMPopUpMenu::deleteLater);
  tracked->task_ = std::make_unique<OMTask>(&later, 0);
  app->addTask(tracked->task_.get());
  popup.release();  // the task owns it now
}

OMWord OMPopUpMenu::deleteLater()
{
  // The first run lets the posted command arrive; the second deletes.
  if (++taskRuns_ < 2) return 0;
  delete this;
  return 0;
}

OMPopUpMenu* OMPopUpMenu::open()
{
  return openPopup();
}

bool OMPopUpMenu::dispatchOpen(int commandId)
{
  return openPopup() && openPopup()->dispatch(commandId);
}
