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

OMMenuNode::OMMenuNode() : kind_(separatorKind) {}

OMMenuNode::OMMenuNode(const char* text, OMMenu* submenu)
    : kind_(submenuKind), submenu_(submenu), text_(text ? text : "")
{
}

OMMenuNode::~OMMenuNode() = default;

OMMenu::OMMenu(const char* title, Update update)
    : update_(update), menu_(CreatePopupMenu()), title_(title ? title : "")
{
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
  if (node->kind() == OMMenuNode::separatorKind)
    AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr);
  else if (node->kind() == OMMenuNode::submenuKind && node->submenu())
    AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(node->submenu()->handle()),
                node->text().c_str());
  else
    AppendMenuA(menu_, MF_STRING, static_cast<UINT_PTR>(node->commandId()), node->text().c_str());
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

OMMenu* OMMenubar::removeMenu(int index)
{
  if (index < 0 || index >= menus_.count()) return nullptr;
  OMListLocator<OMMenu> locator(menus_);
  locator.advance(index);
  OMMenu* menu = locator.current();
  menus_.remove(menu);
  RemoveMenu(menu_, static_cast<UINT>(index), MF_BYPOSITION);
  OMApp* app = OMApp::instance();
  if (app && app->menu() == this && app->frameWindow()) DrawMenuBar(app->frameWindow());
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
  if (node->link()) node->link()->call();
  return true;
}
