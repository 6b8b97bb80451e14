// Menus as data: the state callers build, read and change.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/WindowTestSupport.h"

namespace {

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override { omtest::startSession(); }
};

// The window menu starts with Restore, Move, Size, Minimize, Maximize, a separator and Close;
// a program may delete items and append its own; reverting gives the default back.
TEST_F(MenuTest, SystemMenuIsAPerWindowCopy)
{
  HWND frame = omtest::makeTopLevel(0x02CA0000, RECT{0, 0, 640, 480});
  HMENU menu = GetSystemMenu(frame, FALSE);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 7);
  EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(SC_RESTORE));
  EXPECT_EQ(GetMenuItemID(menu, 5), 0u);  // separator
  EXPECT_EQ(GetMenuItemID(menu, 6), static_cast<UINT>(SC_CLOSE));
  EXPECT_TRUE(DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND));
  EXPECT_TRUE(AppendMenuA(menu, MF_SEPARATOR, 0, nullptr));
  EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 512, "&About Demo..."));
  EXPECT_EQ(GetMenuItemCount(menu), 8);
  char text[256];
  EXPECT_EQ(GetMenuStringA(menu, 512, text, sizeof text, MF_BYCOMMAND), 14);
  EXPECT_STREQ(text, "&About Demo...");
  EXPECT_EQ(GetSystemMenu(frame, FALSE), menu);
  EXPECT_EQ(GetSystemMenu(frame, TRUE), nullptr);
  EXPECT_FALSE(IsMenu(menu));
  EXPECT_EQ(GetMenuItemCount(GetSystemMenu(frame, FALSE)), 7);
  // Every item can go.
  HMENU fresh = GetSystemMenu(frame, FALSE);
  while (GetMenuItemCount(fresh) > 0)
    DeleteMenu(fresh, 0, MF_BYPOSITION);
  EXPECT_EQ(GetMenuItemCount(fresh), 0);
  EXPECT_FALSE(DeleteMenu(fresh, 0, MF_BYPOSITION));
}

// Items keep their enabled and checked state; EnableMenuItem and CheckMenuItem answer the
// previous state, or -1 for an item that is not there; command lookups reach submenus.
TEST_F(MenuTest, ItemStateAndSubmenus)
{
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, 101, "&New");
  AppendMenuA(file, MF_STRING | MF_GRAYED, 102, "&Open");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  EXPECT_EQ(GetSubMenu(bar, 0), file);
  EXPECT_EQ(GetMenuItemID(bar, 0), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), static_cast<UINT>(MF_POPUP | (2 << 8)));
  EXPECT_EQ(EnableMenuItem(bar, 102, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION), 0u);
  EXPECT_EQ(EnableMenuItem(file, 0, MF_BYPOSITION | MF_GRAYED | MF_DISABLED), MF_ENABLED);
  EXPECT_EQ(GetMenuState(file, 101, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED | MF_DISABLED));
  EXPECT_EQ(CheckMenuItem(file, 101, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(CheckMenuItem(file, 101, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(EnableMenuItem(file, 999, MF_ENABLED), -1);
  EXPECT_TRUE(InsertMenuA(file, 0, MF_BYPOSITION | MF_STRING, 100, "&Close"));
  EXPECT_EQ(GetMenuItemID(file, 0), 100u);
  EXPECT_TRUE(ModifyMenuA(file, 102, MF_BYCOMMAND | MF_STRING, 102, "&Help topics"));
  char text[64];
  GetMenuStringA(file, 2, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&Help topics");
  EXPECT_TRUE(RemoveMenu(bar, 0, MF_BYPOSITION));
  EXPECT_TRUE(IsMenu(file));  // removed, not destroyed
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(IsMenu(file));  // destroyed with its bar
}

// A menu bar takes its height from the frame's client area; a child cannot have one.
TEST_F(MenuTest, MenuBarShrinksTheClientArea)
{
  omtest::MessageLog log;
  HWND frame = omtest::makeTopLevel(0x02CA0000 | WS_VISIBLE, RECT{0, 0, 400, 300});
  HWND child = omtest::makeChild(frame, 0, RECT{0, 0, 10, 10});
  RECT before, after;
  GetClientRect(frame, &before);
  HMENU bar = CreateMenu();
  log.clear();
  EXPECT_TRUE(SetMenu(frame, bar));
  EXPECT_EQ(GetMenu(frame), bar);
  GetClientRect(frame, &after);
  EXPECT_EQ(after.bottom, before.bottom - 19);
  EXPECT_EQ(log.count(WM_SIZE, frame), 1);
  EXPECT_FALSE(SetMenu(child, bar));
  SetMenu(frame, nullptr);
  GetClientRect(frame, &after);
  EXPECT_EQ(after.bottom, before.bottom);
  DestroyMenu(bar);
}

}  // namespace
