#include "framework/OMMenubar.h"

#include "framework/OMApp.h"
#include "framework/OMAppInitTerm.h"
#include "framework/OMPopUpMenu.h"

namespace {

char* textBuffer = nullptr;

void startMenus()
{
  if (!textBuffer) textBuffer = new char[256]();
}

void stopMenus()
{
  delete[] textBuffer;
  textBuffer = nullptr;
}

OMAppInitTerm menuModule(&startMenus, &stopMenus);

// Gives every command item of the menu, depth first, the next id; rebuilds its Windows menu.
void numberItems(OMMenu* menu, int& next)
{
  menu->items().forEach([&next](OMMenuNode* node) {
    if (node->kind() == OMMenuNode::commandKind) node->setCommandId(next++);
    if (node->kind() == OMMenuNode::submenuKind && node->submenu())
      numberItems(node->submenu(), next);
  });
}

void fillMenu(OMMenu* menu)
{
  HMENU handle = menu->handle();
  int position = 0;
  menu->items().forEach([&](OMMenuNode* node) {
    if (node->kind() == OMMenuNode::commandKind) {
      const UINT state = GetMenuState(handle, static_cast<UINT>(position), MF_BYPOSITION);
      const UINT keep = state == static_cast<UINT>(-1) ? 0 : (state & (MF_CHECKED | MF_GRAYED));
      ModifyMenuA(handle, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING | keep,
                  static_cast<UINT_PTR>(node->commandId()), node->text().c_str());
    } else if (node->kind() == OMMenuNode::submenuKind && node->submenu()) {
      fillMenu(node->submenu());
    }
    ++position;
  });
}

OMMenuNode* findIn(OMMenu* menu, int id)
{
  return menu->items().firstThat([id](OMMenuNode* node) {
    if (node->kind() == OMMenuNode::commandKind) return node->commandId() == id;
    return node->kind() == OMMenuNode::submenuKind && node->submenu() &&
           findIn(node->submenu(), id) != nullptr;
  });
}

// Puts the node's Windows item at that position of the menu (at the end for -1).
void placeItem(HMENU menu, UINT position, const OMMenuNode* node)
{
  const UINT where = MF_BYPOSITION;
  if (node->kind() == OMMenuNode::separatorKind)
    InsertMenuA(menu, position, where | MF_SEPARATOR, 0, nullptr);
  else if (node->kind() == OMMenuNode::submenuKind && node->submenu())
    InsertMenuA(menu, position, where | MF_POPUP,
                reinterpret_cast<UINT_PTR>(node->submenu()->handle()), node->text().c_str());
  else
    InsertMenuA(menu, position, where | MF_STRING, static_cast<UINT_PTR>(node->commandId()),
                node->text().c_str());
}

// Items added to a menu of the current bar need their command ids.
void renumberCurrentBar()
{
  OMApp* app = OMApp::instance();
  if (app && app->menu()) app->menu()->install();
}

void updateMenu(OMMenu* menu)
{
  menu->update();
  menu->items().forEach([](OMMenuNode* node) {
    if (node->kind() == OMMenuNode::submenuKind && node->submenu()) updateMenu(node->submenu());
  });
}

}  // namespace

char* menuTextBuffer()
{
  return textBuffer;
}

OMMenuNode::OMMenuNode(const char* text, const OMLink* link)
    : kind_(commandKind), link_(cloneLink(link)), text_(text ? text : "")
{
}

OMMenuNode::OMMenuNode(const char* text, const OMLink* link, int itemId) : OMMenuNode(text, link)
{
  itemId_ = itemId;
}

OMMenuNode::OMMenuNode() : kind_(separatorKind) {}

void OMMenuNode::choose()
{
  if (!link_) return;
  if (itemId_ >= 0)
    link_->call(static_cast<OMWord>(itemId_));
  else
    link_->call();
}

OMMenuNode::OMMenuNode(const char* text, OMMenu* submenu)
    : kind_(submenuKind), submenu_(submenu), text_(text ? text : "")
{
}

OMMenuNode::~OMMenuNode() = default;

OMMenu::OMMenu(const char* title, Update update)
    : update_(update), menu_(CreatePopupMenu()), title_(title ? title : "")
{
}

OMMenu::OMMenu(HMENU popup, const char* title, const OMLink* command) : OMMenu(title)
{
  char text[256];
  const int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    const UINT position = static_cast<UINT>(i);
    const UINT state = GetMenuState(popup, position, MF_BYPOSITION);
    GetMenuStringA(popup, position, text, sizeof text, MF_BYPOSITION);
    if (HMENU submenu = GetSubMenu(popup, i)) {
      append(new OMMenuNode(text, new OMMenu(submenu, text, command)));
    } else if (state & MF_SEPARATOR) {
      append(new OMMenuNode());
    } else {
      append(new OMMenuNode(text, command, static_cast<int>(GetMenuItemID(popup, i))));
      if (state & MF_CHECKED) check(i, true);
    }
    if (state & MF_GRAYED) enable(i, false);
  }
}

std::unique_ptr<OMMenu> OMMenu::fromResource(HINSTANCE module, int resourceId,
                                             const OMLink* command)
{
  HMENU loaded =
      LoadMenuA(module ? module : OMApp::programInstance(), MAKEINTRESOURCEA(resourceId));
  if (!loaded) return nullptr;
  std::unique_ptr<OMMenu> menu;
  if (HMENU popup = GetSubMenu(loaded, 0)) {
    char title[256];
    GetMenuStringA(loaded, 0, title, sizeof title, MF_BYPOSITION);
    menu = std::make_unique<OMMenu>(popup, title, command);
  }
  DestroyMenu(loaded);
  return menu;
}

OMMenu::~OMMenu()
{
  items_.deleteAll(1);
  if (menu_ && IsMenu(menu_)) DestroyMenu(menu_);
}

void OMMenu::append(OMMenuNode* node)
{
  if (!node) return;
  items_.add(node);
  ++count_;
  placeItem(menu_, static_cast<UINT>(-1), node);
}

bool OMMenu::insert(int index, std::unique_ptr<OMMenuNode> node)
{
  if (!node || index < 0 || index > count_) return false;
  if (index == count_) {
    items_.addTail(node.get());
  } else {
    OMListLocator<OMMenuNode> locator(items_);
    locator.advance(index);
    locator.insertBefore(node.get());
  }
  ++count_;
  placeItem(menu_, static_cast<UINT>(index), node.release());
  renumberCurrentBar();
  return true;
}

bool OMMenu::remove(int index)
{
  OMMenuNode* item = node(index);
  if (!item) return false;
  // The node's submenu destroys its own Windows menu.
  RemoveMenu(menu_, static_cast<UINT>(index), MF_BYPOSITION);
  items_.remove(item);
  --count_;
  delete item;
  return true;
}

OMMenuNode* OMMenu::node(int index) const
{
  if (index < 0 || index >= count_) return nullptr;
  OMListLocator<OMMenuNode> locator(const_cast<OMList<OMMenuNode>&>(items_));
  locator.advance(index);
  return locator.current();
}

void OMMenu::check(int index, bool on)
{
  OMMenuNode* item = node(index);
  if (!item || item->kind() != OMMenuNode::commandKind) return;
  CheckMenuItem(menu_, static_cast<UINT>(index), MF_BYPOSITION | (on ? MF_CHECKED : MF_UNCHECKED));
}

void OMMenu::enable(int index, bool on)
{
  OMMenuNode* item = node(index);
  if (!item || item->kind() == OMMenuNode::separatorKind) return;
  EnableMenuItem(menu_, static_cast<UINT>(index),
                 MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
}

bool OMMenu::isChecked(int index) const
{
  if (!node(index)) return false;
  const UINT state = GetMenuState(menu_, static_cast<UINT>(index), MF_BYPOSITION);
  return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

bool OMMenu::isEnabled(int index) const
{
  if (!node(index)) return false;
  const UINT state = GetMenuState(menu_, static_cast<UINT>(index), MF_BYPOSITION);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void OMMenu::update()
{
  if (update_) update_(this);
}

OMList<OMMenubar>& OMMenubar::all()
{
  static OMList<OMMenubar>& list = *new OMList<OMMenubar>;
  return list;
}

OMMenubar::OMMenubar() : menu_(CreateMenu())
{
  all().add(this);
}

OMMenubar::~OMMenubar()
{
  all().remove(this);
  // The bar's menu destroys the popups it holds; take them out first, they are the menus'.
  while (GetMenuItemCount(menu_) > 0)
    RemoveMenu(menu_, 0, MF_BYPOSITION);
  menus_.deleteAll(1);
  if (menu_ && IsMenu(menu_)) DestroyMenu(menu_);
}

void OMMenubar::addMenu(OMMenu* menu)
{
  if (!menu) return;
  menus_.add(menu);
  AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(menu->handle()), menu->title().c_str());
}

bool OMMenubar::insertMenu(int index, std::unique_ptr<OMMenu> menu)
{
  if (!menu || index < 0 || index > menus_.count()) return false;
  if (index == menus_.count()) {
    menus_.addTail(menu.get());
  } else {
    OMListLocator<OMMenu> locator(menus_);
    locator.advance(index);
    locator.insertBefore(menu.get());
  }
  InsertMenuA(menu_, static_cast<UINT>(index), MF_BYPOSITION | MF_POPUP,
              reinterpret_cast<UINT_PTR>(menu->handle()), menu->title().c_str());
  menu.release();
  redrawIfCurrent();
  renumberCurrentBar();
  return true;
}

void OMMenubar::enableMenu(int index, bool on)
{
  if (index < 0 || index >= menus_.count()) return;
  EnableMenuItem(menu_, static_cast<UINT>(index),
                 MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
  redrawIfCurrent();
}

bool OMMenubar::isMenuEnabled(int index) const
{
  if (index < 0 || index >= menus_.count()) return false;
  const UINT state = GetMenuState(menu_, static_cast<UINT>(index), MF_BYPOSITION);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void OMMenubar::redrawIfCurrent() const
{
  OMApp* app = OMApp::instance();
  if (app && app->menu() == this && app->frameWindow()) DrawMenuBar(app->frameWindow());
}

OMMenu* OMMenubar::removeMenu(int index)
{
  if (index < 0 || index >= menus_.count()) return nullptr;
  OMListLocator<OMMenu> locator(menus_);
  locator.advance(index);
  OMMenu* menu = locator.current();
  menus_.remove(menu);
  RemoveMenu(menu_, static_cast<UINT>(index), MF_BYPOSITION);
  redrawIfCurrent();
  return menu;
}

void OMMenubar::install()
{
  int next = 0;
  menus_.forEach([&next](OMMenu* menu) { numberItems(menu, next); });
  menus_.forEach([](OMMenu* menu) { fillMenu(menu); });
}

void OMMenubar::update()
{
  menus_.forEach([](OMMenu* menu) { updateMenu(menu); });
}

OMMenuNode* OMMenubar::findCommand(int id) const
{
  OMMenuNode* found = nullptr;
  menus_.firstThat([&found, id](OMMenu* menu) {
    found = findIn(menu, id);
    if (found && found->kind() == OMMenuNode::submenuKind) found = findIn(found->submenu(), id);
    return found != nullptr;
  });
  // A submenu answers for the item inside it; walk down to the command itself.
  while (found && found->kind() == OMMenuNode::submenuKind)
    found = findIn(found->submenu(), id);
  return found;
}

bool dispatchMenuCommand(int id)
{
  // A tracked popup's choice comes first.
  if (OMPopUpMenu::dispatchOpen(id)) return true;
  OMApp* app = OMApp::instance();
  OMMenuNode* node = app && app->menu() ? app->menu()->findCommand(id) : nullptr;
  if (!node) return false;
  node->choose();
  return true;
}
