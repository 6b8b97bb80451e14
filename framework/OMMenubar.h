#pragma once

#include <memory>
#include <string>

#include <windows.h>

#include "framework/OMLink.h"
#include "framework/OMList.h"

class OMMenu;

// An item of a menu: a command with its link, a separator, or a submenu.
class OMMenuNode {
 public:
  enum Kind { submenuKind = -2, separatorKind = -1, commandKind = 0 };

  OMMenuNode(const char* text, const OMLink* link);
  // A command of a menu resource: its link is called with the item's id from the resource.
  OMMenuNode(const char* text, const OMLink* link, int itemId);
  OMMenuNode();  // a separator
  OMMenuNode(const char* text, OMMenu* submenu);
  ~OMMenuNode();
  OMMenuNode(const OMMenuNode&) = delete;
  OMMenuNode& operator=(const OMMenuNode&) = delete;

  int kind() const { return kind_; }
  int commandId() const { return commandId_; }
  void setCommandId(int id) { commandId_ = id; }
  OMLink* link() const { return link_.get(); }
  // The id the resource gave the item, or -1.
  int itemId() const { return itemId_; }
  // Calls the link (with the resource's id when it has one).
  void choose();
  OMMenu* submenu() const { return submenu_.get(); }
  const std::string& text() const { return text_; }

 private:
  int kind_;
  int commandId_ = -1;
  int itemId_ = -1;
  std::unique_ptr<OMLink> link_;
  std::unique_ptr<OMMenu> submenu_;
  std::string text_;
};

class OMMenu {
 public:
  using Update = void (*)(OMMenu* menu);

  explicit OMMenu(const char* title, Update update = nullptr);
  // A menu with the items of a Windows popup menu, its submenus made the same way; each
  // command's link is a clone of `command`, called with the item's id. Greyed and checked
  // states are kept.
  OMMenu(HMENU popup, const char* title, const OMLink* command);
  ~OMMenu();
  OMMenu(const OMMenu&) = delete;
  OMMenu& operator=(const OMMenu&) = delete;

  // The first popup of a MENU resource of the module (the program's own for null), titled as
  // the resource names it; null when there is none.
  static std::unique_ptr<OMMenu> fromResource(HINSTANCE module, int resourceId,
                                              const OMLink* command);

  void append(OMMenuNode* node);
  // Puts the item at that position (0 to the count); false, and nothing kept, otherwise.
  bool insert(int index, std::unique_ptr<OMMenuNode> node);
  // Deletes the item at that position (with its submenu); false when there is none.
  bool remove(int index);
  void check(int index, bool on);
  void enable(int index, bool on);
  bool isChecked(int index) const;
  bool isEnabled(int index) const;
  void update();
  int count() const { return count_; }
  OMMenuNode* node(int index) const;
  HMENU handle() const { return menu_; }
  const std::string& title() const { return title_; }
  OMList<OMMenuNode>& items() { return items_; }

 private:
  Update update_;
  OMList<OMMenuNode> items_;
  int count_ = 0;
  HMENU menu_;
  std::string title_;
};

// The frame window's menu bar: its menus and the Windows menu.
class OMMenubar {
 public:
  OMMenubar();
  ~OMMenubar();
  OMMenubar(const OMMenubar&) = delete;
  OMMenubar& operator=(const OMMenubar&) = delete;

  void addMenu(OMMenu* menu);
  // Puts a menu at that position (0 to the count); false, and the menu deleted, otherwise.
  bool insertMenu(int index, std::unique_ptr<OMMenu> menu);
  OMMenu* removeMenu(int index);
  // Greys or enables a whole menu by its position.
  void enableMenu(int index, bool on);
  bool isMenuEnabled(int index) const;
  void install();
  void update();
  int menuCount() const { return menus_.count(); }
  HMENU handle() const { return menu_; }
  // The command item with this id, depth first, or null.
  OMMenuNode* findCommand(int id) const;

  static OMList<OMMenubar>& all();

 private:
  void redrawIfCurrent() const;

  OMList<OMMenu> menus_;
  HMENU menu_;
};

// Calls the link of the current bar's command item with this id; false when there is none.
bool dispatchMenuCommand(int id);
// The menu module's text buffer (256 bytes while the module runs).
char* menuTextBuffer();
