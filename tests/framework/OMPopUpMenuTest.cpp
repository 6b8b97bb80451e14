// The popup menu's command ids, its tracked choice reaching the item's link, and the native
// control wrapper over a static text and among its owner's controls.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/OMCanvas.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMNControl.h"
#include "framework/OMPopUpMenu.h"
#include "framework/OMWindow.h"
#include "framework/OMWndCanvas.h"
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

// A colour of index -2 is the host canvas's (its text colour for the text, its background for
// the brush), -1 the colour's own channels, 0 to 255 the entry of the host's palette; each
// applied from construction on.
TEST(OMNControlTest, ColoursComeFromTheirChannelsThePaletteOrTheHostCanvas)
{
  omtest::TestApp session;
  OMWindow window(OMRect(0, 0, 200, 200), 0, 0);
  OMCanvas& host = *window.canvas();
  std::vector<OMRGBColor> palette(OMCanvas::paletteSize);
  palette[200] = OMRGBColor::fromBytes(0x11, 0x22, 0x33);
  palette[201] = OMRGBColor::fromBytes(0x44, 0x55, 0x66);
  host.setPalette(palette.data());
  host.setBackground(OMRGBColor::fromBytes(0x12, 0x34, 0x56));
  host.setTextColor(OMRGBColor::fromBytes(0xAB, 0xCD, 0xEF));
  struct Case {
    const char* name;
    OMRGBColor text, background;
    COLORREF textShown, brush;
  };
  const Case cases[] = {
      {"the host's", OMRGBColor::fromIndex(-2), OMRGBColor::fromIndex(-2), RGB(0xAB, 0xCD, 0xEF),
       RGB(0x12, 0x34, 0x56)},
      {"by channels", OMRGBColor(0xFF00, 0, 0), OMRGBColor(0, 0, 0xFF00), RGB(0xFF, 0, 0),
       RGB(0, 0, 0xFF)},
      {"palette entries", OMRGBColor::fromIndex(201), OMRGBColor::fromIndex(200),
       RGB(0x44, 0x55, 0x66), RGB(0x11, 0x22, 0x33)},
  };
  const auto shown = [](OMNControl& control) {
    HDC dc = GetDC(control.handle());
    SetTextColor(dc, RGB(1, 2, 3));
    HBRUSH brush = control.color(dc);
    const COLORREF text = GetTextColor(dc) & 0xFFFFFF;
    ReleaseDC(control.handle(), dc);
    LOGBRUSH drawn{};
    if (!brush || !GetObjectA(brush, sizeof drawn, &drawn)) return std::pair{text, CLR_INVALID};
    return std::pair{text, drawn.lbColor & 0xFFFFFF};
  };
  OMNControl later(&window, "STATIC", "later", WS_VISIBLE, OMRect(10, 40, 60, 60), OMRGBColor(),
                   OMRGBColor());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OMNControl made(&window, "STATIC", "made", WS_VISIBLE, OMRect(10, 10, 60, 30), c.text,
                    c.background);
    EXPECT_EQ(shown(made), std::pair(c.textShown, c.brush));
    later.setColors(c.text, c.background);
    EXPECT_EQ(shown(later), std::pair(c.textShown, c.brush));
  }
}

std::vector<std::string> heard;
OMWord heardClick(OMWord control)
{
  heard.push_back("click " + std::to_string(control));
  return 1;
}
OMWord heardCommand(OMWord code)
{
  heard.push_back("command " + std::to_string(code));
  return 1;
}
OMWord heardScroll(OMWord code)
{
  heard.push_back("scroll " + std::to_string(code));
  return 1;
}

// The owner lists its controls without owning them: clicks over an enabled control, and the
// control's commands, scrolls and colour requests reach that control; a control leaves the
// list when it goes, and an owner that goes first leaves its controls without a window.
TEST(OMNControlTest, TheOwnersListRoutesToItsControlsAndNeverOwnsThem)
{
  omtest::TestApp session;
  auto window = std::make_unique<OMWindow>(OMRect(0, 0, 200, 200), 0, 0);
  const OMRGBColor black(0, 0, 0), blue(0, 0, 0xFF00);
  auto first = std::make_unique<OMNControl>(window.get(), "BUTTON", "one", WS_VISIBLE,
                                            OMRect(10, 10, 60, 30), black, blue);
  OMNControl second(window.get(), "STATIC", "two", WS_VISIBLE, OMRect(10, 40, 60, 60), black,
                    blue);
  EXPECT_EQ(window->controls(), (std::vector<OMNControl*>{first.get(), &second}));
  const OMLinkToFct click1(&heardClick, 1), click2(&heardClick, 2), command(&heardCommand),
      scroll(&heardScroll);
  first->setClickLink(&click1);
  first->setCommandLink(&command);
  second.setClickLink(&click2);
  second.setScrollLink(&scroll);

  const auto press = [&](int x, int y) {
    SendMessageA(window->handle(), WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(x, y));
  };
  const auto from = [](const OMNControl& control) {
    return reinterpret_cast<LPARAM>(control.handle());
  };
  heard.clear();
  press(20, 20);
  press(20, 45);
  press(100, 100);  // over no control
  SendMessageA(window->handle(), WM_COMMAND, MAKEWPARAM(7, BN_DOUBLECLICKED), from(*first));
  SendMessageA(window->handle(), WM_HSCROLL, SB_LINEDOWN, from(second));
  SendMessageA(window->handle(), WM_VSCROLL, SB_PAGEUP, from(second));
  SendMessageA(window->handle(), WM_COMMAND, MAKEWPARAM(8, BN_CLICKED), from(second));  // no link
  second.enable(false);
  press(20, 45);  // a disabled control is not clicked
  EXPECT_EQ(heard, (std::vector<std::string>{"click 1", "click 2", "command 5", "scroll 1",
                                             "scroll 2"}));
  HDC dc = GetDC(second.handle());
  EXPECT_EQ(SendMessageA(window->handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         from(second)),
            reinterpret_cast<LRESULT>(second.color(dc)));
  ReleaseDC(second.handle(), dc);

  // The style word follows what is done to the control.
  for (const auto& [visible, enabled] : {std::pair{true, false}, std::pair{false, false},
                                         std::pair{false, true}, std::pair{true, true}}) {
    second.show(visible);
    second.enable(enabled);
    EXPECT_EQ(second.style(), static_cast<DWORD>(GetWindowLongA(second.handle(), GWL_STYLE)));
    EXPECT_EQ((second.style() & WS_VISIBLE) != 0, visible);
    EXPECT_EQ((second.style() & WS_DISABLED) == 0, enabled);
    EXPECT_NE(second.style() & WS_CHILD, 0u);
  }

  first.reset();
  EXPECT_EQ(window->controls(), (std::vector<OMNControl*>{&second}));
  heard.clear();
  press(20, 20);
  EXPECT_TRUE(heard.empty());
  window.reset();
  EXPECT_EQ(second.handle(), nullptr) << "its native window went with the owner's";
  second.setText("after");
  EXPECT_STREQ(second.text(), "");
}

}  // namespace
