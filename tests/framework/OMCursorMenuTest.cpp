// Cursors (current, hidden, destroyed) and the menu bar's commands, on the headless host.
#include <gtest/gtest.h>

#include <memory>
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

}  // namespace
