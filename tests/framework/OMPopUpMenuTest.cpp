// The popup menu's command ids, its tracked choice reaching the item's link, and the native
// control wrapper over a static text.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "framework/OMNControl.h"
#include "framework/OMPopUpMenu.h"
#include "framework/OMWindow.h"
#include "tests/support/AppTestSupport.h"

namespace {

std::vector<std::string> chosen;
OMWord choose(OMWord name)
{
  chosen.emplace_back(reinterpret_cast<const char*>(name));
  return 1;
}

TEST(OMPopUpMenuTest, CommandIdsStayUniqueThroughDeletesAndInserts)
{
  omtest::TestApp session;
  OMPopUpMenu menu("m");
  for (const char* text : {"a", "b", "c"})
    menu.insertItem(menu.itemCount(), text, nullptr);
  menu.insertItem(1, OMPopUpMenu::separator, nullptr);
  menu.insertItem(9, "nowhere", nullptr);
  menu.insertItem(-1, "nowhere", nullptr);
  ASSERT_EQ(menu.itemCount(), 4);
  EXPECT_EQ(menu.commandIdAt(1), -1);
  const int second = menu.commandIdAt(2);
  menu.deleteItem(2);
  menu.insertItem(menu.itemCount(), "e", nullptr);
  EXPECT_EQ(menu.commandIdAt(menu.itemCount() - 1), second) << "the freed id is taken again";
  auto sub = std::make_unique<OMPopUpMenu>("sub");
  sub->insertItem(0, "d", nullptr);
  menu.insertSubmenu(0, std::move(sub));
  std::set<int> ids;
  for (int i = 0; i < menu.itemCount(); ++i)
    if (menu.commandIdAt(i) > 0) ids.insert(menu.commandIdAt(i));
  EXPECT_EQ(ids.size(), 3u);
  EXPECT_EQ(GetMenuItemCount(menu.handle()), 5);
  EXPECT_FALSE(menu.dispatch(999));
}

TEST(OMPopUpMenuTest, ATrackedChoiceCallsItsLinkAndThePopupGoes)
{
  omtest::TestApp session;
  OMWindow window(OMRect(0, 0, 200, 200), 0, 0);
  chosen.clear();
  auto menu = std::make_unique<OMPopUpMenu>("m");
  const OMLinkToFct one(&choose, reinterpret_cast<OMWord>("one")),
      two(&choose, reinterpret_cast<OMWord>("two"));
  menu->insertItem(0, "One", &one);
  menu->insertItem(1, OMPopUpMenu::separator, nullptr);
  menu->insertItem(2, "Two", &two);
  session.host().typeKey(VK_DOWN);
  session.host().typeKey(VK_DOWN);
  session.host().typeKey(VK_RETURN);
  OMPopUpMenu::track(std::move(menu), window.handle(), OMPoint(10, 10), true);
  ASSERT_NE(OMPopUpMenu::open(), nullptr);
  omtest::runPasses(5, 10);
  EXPECT_EQ(chosen, std::vector<std::string>{"two"});
  EXPECT_EQ(OMPopUpMenu::open(), nullptr) << "deleted after tracking";
}

TEST(OMNControlTest, AStaticTextMovesHidesColoursAndGivesItsText)
{
  omtest::TestApp session;
  OMWindow window(OMRect(0, 0, 200, 200), 0, 0);
  OMNControl control(&window, "STATIC", "hello", WS_VISIBLE, OMRect(10, 10, 60, 30),
                     OMRGBColor(0xFF00, 0, 0), OMRGBColor(0, 0, 0xFF00));
  ASSERT_NE(control.handle(), nullptr);
  ShowWindow(window.handle(), SW_SHOW);
  EXPECT_STREQ(control.text(), "hello");
  control.setText("bye");
  EXPECT_STREQ(control.text(), "bye");
  control.moveBy(5, 7);
  control.resize(30, 40);
  EXPECT_EQ(control.bounds(), OMRect(15, 17, 45, 57));
  RECT placed, owner;
  GetWindowRect(control.handle(), &placed);
  GetWindowRect(window.handle(), &owner);
  EXPECT_EQ(placed.left - owner.left, 15);
  EXPECT_EQ(placed.bottom - placed.top, 40);
  EXPECT_TRUE(control.isVisible());
  control.show(false);
  EXPECT_FALSE(control.isVisible());
  control.enable(false);
  EXPECT_FALSE(control.isEnabled());
  HDC dc = GetDC(control.handle());
  EXPECT_NE(control.color(dc), nullptr);
  OMRGBColor none;
  none.index = -3;
  control.setColors(none, none);
  EXPECT_EQ(control.color(dc), nullptr) << "no background, no brush";
  ReleaseDC(control.handle(), dc);
}

}  // namespace
