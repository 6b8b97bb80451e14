// Cursors (current, hidden, destroyed) and the menu bar's commands, on the headless host.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/OMCursor.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMMenubar.h"
#include "framework/OMWindow.h"
#include "framework/OMWndCanvas.h"
#include "tests/support/AppTestSupport.h"

namespace {

std::vector<OMWord> chosen;

OMWord choose(OMWord id)
{
  chosen.push_back(id);
  return 0;
}

TEST(OMCursorTest, CursorsBecomeCurrentAndGoAwayCleanly)
{
  omtest::TestApp session;
  OMWindow window(OMRect(0, 0, 100, 100), 0, 0);
  window.activate();
  {
    // No such resource: the arrow, and no handle of its own to destroy.
    const OMCursor missing(999, nullptr);
    EXPECT_EQ(missing.id(), -1);
    EXPECT_EQ(missing.handle(), LoadCursorA(nullptr, IDC_ARROW));
  }
  auto wait = std::make_unique<OMCursor>(-2, nullptr);
  EXPECT_EQ(wait->handle(), LoadCursorA(nullptr, IDC_WAIT));
  EXPECT_EQ(OMCursor::current(), nullptr);
  window.setCursor(wait.get());
  EXPECT_EQ(OMCursor::current(), wait.get());
  EXPECT_EQ(window.canvas()->cursor(), wait.get());
  EXPECT_EQ(session.host().cursor().systemId, 32514);  // the host shows the wait cursor
  wait.reset();
  EXPECT_EQ(OMCursor::current(), nullptr);
  EXPECT_EQ(window.canvas()->cursor(), nullptr);
  EXPECT_EQ(session.host().cursor().systemId, 32512);  // the arrow at once

  // The program's hidden flag is not a counter.
  hideCursor();
  hideCursor();
  EXPECT_FALSE(session.host().cursorVisible());
  showCursor();
  EXPECT_TRUE(session.host().cursorVisible());
  ShowCursor(TRUE);
  ShowCursor(TRUE);
  setSystemCursorVisible(false);
  EXPECT_EQ(ShowCursor(TRUE), 0);  // it stood at -1
  setSystemCursorVisible(true);
}

TEST(OMMenuTest, InstalledBarsNumberTheirCommandsAndDispatchThem)
{
  omtest::TestApp session;
  chosen.clear();
  auto bar = std::make_unique<OMMenubar>();
  const OMLinkToFct first(&choose, 10);
  const OMLinkToFct inner(&choose, 20);
  const OMLinkToFct last(&choose, 30);
  auto* file = new OMMenu("&File");
  file->append(new OMMenuNode("&Open", &first));
  file->append(new OMMenuNode());
  auto* more = new OMMenu("More");
  more->append(new OMMenuNode("Inner", &inner));
  file->append(new OMMenuNode("More", more));
  bar->addMenu(file);
  auto* help = new OMMenu("&Help");
  help->append(new OMMenuNode("About", &last));
  bar->addMenu(help);
  session.app().setMenu(bar.get());
  EXPECT_EQ(file->node(0)->commandId(), 0);
  EXPECT_EQ(more->node(0)->commandId(), 1);
  EXPECT_EQ(help->node(0)->commandId(), 2);
  EXPECT_TRUE(dispatchMenuCommand(1));
  SendMessageA(session.app().frameWindow(), WM_COMMAND, 2, 0);
  EXPECT_FALSE(dispatchMenuCommand(3));
  EXPECT_EQ(chosen, (std::vector<OMWord>{20, 30}));

  file->check(0, true);
  file->check(1, true);  // a separator takes no check mark
  file->enable(0, false);
  EXPECT_TRUE(file->isChecked(0));
  EXPECT_FALSE(file->isChecked(1));
  EXPECT_FALSE(file->isEnabled(0));
  EXPECT_FALSE(file->isEnabled(7));

  EXPECT_EQ(bar->removeMenu(-1), nullptr);
  EXPECT_EQ(bar->menuCount(), 2);
  std::unique_ptr<OMMenu> removed(bar->removeMenu(1));
  EXPECT_EQ(removed.get(), help);
  EXPECT_EQ(bar->menuCount(), 1);
  session.app().resetMenu();
  EXPECT_NE(session.app().menu(), bar.get());
}

// Menus made from a Windows popup (as a MENU resource gives it): each item keeps its kind,
// text, state and id, submenus become menus, and commands call the one link with their id.
TEST(OMMenuTest, PopupsBecomeMenusWhoseItemsAndWholeMenusChange)
{
  omtest::TestApp session;
  chosen.clear();
  HMENU inner = CreatePopupMenu();
  AppendMenuA(inner, MF_STRING, 301, "Deep");
  HMENU popup = CreatePopupMenu();
  AppendMenuA(popup, MF_STRING, 101, "&Open\tCtrl+O");
  AppendMenuA(popup, MF_STRING | MF_GRAYED, 102, "&Close");
  AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(popup, MF_STRING | MF_CHECKED, 103, "&Sound");
  AppendMenuA(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(inner), "&More");
  const OMLinkToFct command(&choose);
  auto* file = new OMMenu(popup, "&File", &command);
  DestroyMenu(popup);
  // Kind, text, resource id, enabled, checked.
  const auto item = [file](int i) {
    const OMMenuNode* node = file->node(i);
    return std::to_string(node->kind()) + " " + node->text() + " " +
           std::to_string(node->itemId()) + (file->isEnabled(i) ? " e" : "") +
           (file->isChecked(i) ? " c" : "");
  };
  const char* items[] = {"0 &Open\tCtrl+O 101 e", "0 &Close 102", "-1  -1 e", "0 &Sound 103 e c",
                         "-2 &More -1 e"};
  ASSERT_EQ(file->count(), 5);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(item(i), items[i]);
  OMMenu* more = file->node(4)->submenu();
  ASSERT_NE(more, nullptr);
  auto bar = std::make_unique<OMMenubar>();
  bar->addMenu(file);
  session.app().setMenu(bar.get());
  EXPECT_TRUE(dispatchMenuCommand(file->node(3)->commandId()));
  EXPECT_TRUE(dispatchMenuCommand(more->node(0)->commandId()));
  EXPECT_EQ(chosen, (std::vector<OMWord>{103, 301}));

  // Items go in at a position from 0 to the count (numbered at once), and out with their
  // submenus.
  const OMLinkToFct added(&choose, 55);
  EXPECT_FALSE(file->insert(6, std::make_unique<OMMenuNode>("Far", &added)));
  EXPECT_FALSE(file->insert(-1, std::make_unique<OMMenuNode>("Before", &added)));
  EXPECT_TRUE(file->insert(0, std::make_unique<OMMenuNode>("First", &added)));
  EXPECT_TRUE(file->insert(6, std::make_unique<OMMenuNode>("Last", &added)));
  EXPECT_TRUE(dispatchMenuCommand(file->node(6)->commandId()));
  EXPECT_EQ(chosen.back(), 55u);
  EXPECT_TRUE(file->remove(5));
  EXPECT_FALSE(file->remove(6));
  const auto texts = [](HMENU menu) {
    std::string all;
    char text[64];
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
      all += (GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION), text) +
             std::string("|");
    return all;
  };
  EXPECT_EQ(file->count(), 6);
  EXPECT_EQ(texts(file->handle()), "First|&Open\tCtrl+O|&Close||&Sound|Last|");

  // Whole menus go in by position and are greyed or enabled on the bar.
  EXPECT_FALSE(bar->insertMenu(2, std::make_unique<OMMenu>("&Far")));
  EXPECT_TRUE(bar->insertMenu(0, std::make_unique<OMMenu>("&Edit")));
  EXPECT_EQ(texts(bar->handle()), "&Edit|&File|");
  bar->enableMenu(1, false);
  bar->enableMenu(5, false);
  EXPECT_TRUE(bar->isMenuEnabled(0));
  EXPECT_FALSE(bar->isMenuEnabled(1));
  bar->enableMenu(1, true);
  EXPECT_TRUE(bar->isMenuEnabled(1));
  session.app().resetMenu();
}

}  // namespace
