#pragma once

#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"

class OMTask;

// A context menu whose command items call links. Each command item holds the smallest command
// id not in use by another live item, so a deleted item's id never names two items. While a
// popup is tracked it is the open one, to which the windows route menu commands; after
// tracking a task deletes it, so callers hand it over and keep no pointer.
class OMPopUpMenu {
 public:
  explicit OMPopUpMenu(const char* name);
  // One item per entry of an existing menu (submenus too; entries of id 0 are separators).
  explicit OMPopUpMenu(HMENU existing, const char* name = "");
  ~OMPopUpMenu();
  OMPopUpMenu(const OMPopUpMenu&) = delete;
  OMPopUpMenu& operator=(const OMPopUpMenu&) = delete;

  // The text that inserts a separator.
  static const char* const separator;

  // Positions 0 to the item count; others insert nothing.
  void insertItem(int position, const char* text, const OMLink* link);
  void insertSubmenu(int position, std::unique_ptr<OMPopUpMenu> popup);
  void deleteItem(int position);
  int itemCount() const { return static_cast<int>(items_.size()); }
  // The command id of the item at the position; -1 for separators, submenus and no item.
  int commandIdAt(int position) const;
  HMENU handle() const { return menu_; }
  const std::string& name() const { return name_; }

  // Calls the link of the first command item with that id, submenus searched depth first.
  bool dispatch(int commandId);

  // Tracks the popup at a point of the window's client area; the choice arrives as a menu
  // command, and the popup is deleted by a task afterwards.
  static void track(std::unique_ptr<OMPopUpMenu> popup, HWND window, const OMPoint& point,
                    bool rightButton);
  static OMPopUpMenu* open();
  // Routes a menu command to the open popup; false when none takes it.
  static bool dispatchOpen(int commandId);

 private:
  struct Item {
    int kind = 0;  // -2 submenu, -1 separator, 0 command
    int commandId = -1;
    std::unique_ptr<OMLink> link;
    std::unique_ptr<OMPopUpMenu> submenu;
  };

  void insert(int position, Item item, UINT flags, UINT_PTR idOrMenu, const char* text);
  OMWord deleteLater();

  std::unique_ptr<OMTask> task_;
  int taskRuns_ = 0;
  std::vector<Item> items_;
  HMENU menu_;
  std::string name_;
};
