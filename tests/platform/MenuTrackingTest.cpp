// Menus tracked by keyboard and mouse, and the frame, caption, bar and popup pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <ostream>
#include <vector>

#include "platform/src/user/NonClient.h"
#include "tests/support/WindowTestSupport.h"

namespace {

using omtest::sameColor;
constexpr auto screenAt = omtest::screenPixel;
constexpr auto countColor = omtest::countScreenColor;

using omtest::MessageLog;

constexpr UINT kAbout = 512;  // the program's own item of the window menu

// The assessment program's three menus: File, Options, Help.
struct ProgramMenus {
  HMENU bar, file, options, help;
};

ProgramMenus makeMenus()
{
  ProgramMenus m{CreateMenu(), CreatePopupMenu(), CreatePopupMenu(), CreatePopupMenu()};
  AppendMenuA(m.file, MF_STRING, 101, "&Go to Main Screen        \tEsc");
  AppendMenuA(m.file, MF_STRING, 102, "&Restart This Game");
  AppendMenuA(m.file, MF_STRING, 103, "&Start New Player...");
  AppendMenuA(m.file, MF_STRING, 104, "E&xit\tAlt+F4");
  AppendMenuA(m.options, MF_STRING, 202, "&Problem Types...");
  AppendMenuA(m.help, MF_STRING, 203, "&Contents");
  AppendMenuA(m.help, MF_STRING, 204, "&How to Use Help");
  AppendMenuA(m.help, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(m.help, MF_STRING, 205, "&Signing In");
  AppendMenuA(m.help, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(m.help, MF_STRING, 206, "&About Tovik...");
  AppendMenuA(m.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(m.file), "&File");
  AppendMenuA(m.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(m.options), "&Options");
  AppendMenuA(m.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(m.help), "&Help");
  return m;
}

// Greys File and Options items as the program's menu state does (1 = enabled).
void applyState(const ProgramMenus& m, int state)
{
  static const int file[4][10] = {{0, 0, 0, 1, 1, 1, 1, 1, 1, 1},
                                  {0, 0, 0, 0, 1, 1, 1, 0, 0, 0},
                                  {0, 0, 1, 1, 1, 1, 1, 1, 1, 1},
                                  {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}};
  static const int options[10] = {0, 0, 0, 0, 1, 1, 1, 0, 0, 0};
  for (UINT i = 0; i < 4; ++i)
    EnableMenuItem(m.file, i,
                   MF_BYPOSITION | (file[i][state] ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
  EnableMenuItem(m.options, 0,
                 MF_BYPOSITION | (options[state] ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
}

// A message of the menu loop as the owner saw it: the handle parameters are named by menu.
struct Step {
  UINT message;
  WPARAM wParam;
  char menu;  // 'B' bar, 'F' File, 'O' Options, 'H' Help, 'S' window menu, '0' none
  bool operator==(const Step&) const = default;
  friend void PrintTo(const Step& s, std::ostream* out)
  {
    *out << std::hex << s.message << "(" << s.wParam << ", " << s.menu << ")";
  }
};

const std::vector<UINT> kMenuMessages = {WM_ENTERMENULOOP, WM_INITMENU,        WM_INITMENUPOPUP,
                                         WM_MENUSELECT,    WM_UNINITMENUPOPUP, WM_EXITMENULOOP,
                                         WM_COMMAND,       WM_SYSCOMMAND};

class MenuTrackingTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    host = &omtest::startSession();
    menus = makeMenus();
    // The assessment program's frame mode 2: caption, window menu, minimise box.
    frame = CreateWindowExA(0, "OMTestWindow", "Tovik", 0x02CA0000 | WS_VISIBLE, 0, 0, 640, 480,
                            nullptr, menus.bar, nullptr, nullptr);
    ASSERT_NE(frame, nullptr);
    system = GetSystemMenu(frame, FALSE);
    AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(system, MF_STRING, kAbout, "&About ...");
    omtest::pumpAll();
    log.clear();
  }

  char nameOf(LPARAM handle) const
  {
    const auto h = reinterpret_cast<HMENU>(handle);
    return h == menus.bar       ? 'B'
           : h == menus.file    ? 'F'
           : h == menus.options ? 'O'
           : h == menus.help    ? 'H'
           : h == system        ? 'S'
           : h == nullptr       ? '0'
                                : '?';
  }

  std::vector<Step> steps() const
  {
    std::vector<Step> out;
    for (const omtest::Seen& s : log.seen) {
      if (s.window != frame) continue;
      if (std::find(kMenuMessages.begin(), kMenuMessages.end(), s.message) == kMenuMessages.end())
        continue;
      const bool handleInW = s.message == WM_INITMENU || s.message == WM_INITMENUPOPUP ||
                             s.message == WM_UNINITMENUPOPUP;
      if (handleInW)
        out.push_back(
            {s.message, static_cast<WPARAM>(s.lParam), nameOf(static_cast<LPARAM>(s.wParam))});
      else if (s.message == WM_MENUSELECT)
        out.push_back({s.message, s.wParam, nameOf(s.lParam)});
      else
        out.push_back({s.message, s.wParam & 0xFFFFFFFF, '0'});
    }
    return out;
  }

  omhost::HeadlessHost* host = nullptr;
  MessageLog log;
  ProgramMenus menus{};
  HMENU system = nullptr;
  HWND frame = nullptr;
};

WPARAM selected(WORD item, WORD flags)
{
  return MAKEWPARAM(item, flags);
}

const Step kClosed{WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), '0'};

// The orders recorded on Windows for the same keys, with the assessment program's menus.
TEST_F(MenuTrackingTest, KeyboardTrackingSendsWindowsOrder)
{
  struct Case {
    const char* name;
    int state;
    std::function<void(omhost::HeadlessHost&)> keys;
    std::vector<Step> expected;
  };
  const Case cases[] = {
      {"Alt, F, Enter chooses Go to Main Screen",
       3,
       [](omhost::HeadlessHost& h) {
         h.typeKey(VK_MENU);
         h.typeText("f");
         h.typeKey(VK_RETURN);
       },
       {{WM_SYSCOMMAND, SC_KEYMENU, '0'},
        {WM_ENTERMENULOOP, 0, '0'},
        {WM_INITMENU, 0, 'B'},
        {WM_MENUSELECT, selected(0, MF_POPUP | MF_HILITE), 'B'},
        {WM_INITMENUPOPUP, 0, 'F'},
        {WM_MENUSELECT, selected(101, MF_HILITE), 'F'},
        {WM_UNINITMENUPOPUP, 0, 'F'},
        kClosed,
        {WM_EXITMENULOOP, 0, '0'},
        {WM_COMMAND, 101, '0'}}},
      {"greyed Go to Main Screen does nothing; Esc, Esc leave",
       0,
       [](omhost::HeadlessHost& h) {
         h.typeKey(VK_MENU);
         h.typeText("f");
         h.typeKey(VK_RETURN);
         h.typeKey(VK_ESCAPE);
         h.typeKey(VK_ESCAPE);
       },
       {{WM_SYSCOMMAND, SC_KEYMENU, '0'},
        {WM_ENTERMENULOOP, 0, '0'},
        {WM_INITMENU, 0, 'B'},
        {WM_MENUSELECT, selected(0, MF_POPUP | MF_HILITE), 'B'},
        {WM_INITMENUPOPUP, 0, 'F'},
        {WM_MENUSELECT, selected(101, MF_GRAYED | MF_DISABLED | MF_HILITE), 'F'},
        {WM_UNINITMENUPOPUP, 0, 'F'},
        kClosed,
        {WM_EXITMENULOOP, 0, '0'}}},
      {"Alt+H, C chooses Contents",
       0,
       [](omhost::HeadlessHost& h) {
         h.pressKey(VK_MENU);
         h.typeText("h");
         h.releaseKey(VK_MENU);
         h.typeText("c");
       },
       {{WM_SYSCOMMAND, SC_KEYMENU, '0'},
        {WM_ENTERMENULOOP, 0, '0'},
        {WM_INITMENU, 0, 'B'},
        {WM_MENUSELECT, selected(2, MF_POPUP | MF_HILITE), 'B'},
        {WM_INITMENUPOPUP, 2, 'H'},
        {WM_MENUSELECT, selected(203, MF_HILITE), 'H'},
        {WM_UNINITMENUPOPUP, 0, 'H'},
        kClosed,
        {WM_EXITMENULOOP, 0, '0'},
        {WM_COMMAND, 203, '0'}}},
      {"Alt, Right, Esc moves along the bar",
       0,
       [](omhost::HeadlessHost& h) {
         h.typeKey(VK_MENU);
         h.typeKey(VK_RIGHT);
         h.typeKey(VK_ESCAPE);
       },
       {{WM_SYSCOMMAND, SC_KEYMENU, '0'},
        {WM_ENTERMENULOOP, 0, '0'},
        {WM_INITMENU, 0, 'B'},
        {WM_MENUSELECT, selected(0, MF_POPUP | MF_HILITE), 'B'},
        {WM_MENUSELECT, selected(1, MF_POPUP | MF_HILITE), 'B'},
        kClosed,
        {WM_EXITMENULOOP, 0, '0'}}},
      {"F10 then Esc",
       0,
       [](omhost::HeadlessHost& h) {
         h.typeKey(VK_F10);
         h.typeKey(VK_ESCAPE);
       },
       {{WM_SYSCOMMAND, SC_KEYMENU, '0'},
        {WM_ENTERMENULOOP, 0, '0'},
        {WM_INITMENU, 0, 'B'},
        {WM_MENUSELECT, selected(0, MF_POPUP | MF_HILITE), 'B'},
        kClosed,
        {WM_EXITMENULOOP, 0, '0'}}},
      {"Alt+Space, A chooses the window menu's About",
       0,
       [](omhost::HeadlessHost& h) {
         h.pressKey(VK_MENU);
         h.typeKey(VK_SPACE);
         h.releaseKey(VK_MENU);
         h.typeText("a");
       },
       {{WM_SYSCOMMAND, SC_KEYMENU, '0'},
        {WM_ENTERMENULOOP, 0, '0'},
        {WM_INITMENU, 0, 'S'},
        {WM_MENUSELECT, selected(0, MF_POPUP | MF_HILITE | MF_SYSMENU), 'S'},
        {WM_INITMENUPOPUP, MAKELPARAM(0, 1), 'S'},
        {WM_MENUSELECT, selected(SC_RESTORE, MF_HILITE | MF_SYSMENU), 'S'},
        {WM_MENUSELECT, selected(kAbout, MF_HILITE | MF_SYSMENU), 'S'},
        {WM_UNINITMENUPOPUP, 0, 'S'},
        kClosed,
        {WM_EXITMENULOOP, 0, '0'},
        {WM_SYSCOMMAND, kAbout, '0'}}},
  };
  for (const Case& c : cases) {
    applyState(menus, c.state);
    log.clear();
    c.keys(*host);
    omtest::pumpAll();
    std::vector<Step> got = steps();
    // The keyboard's own WM_SYSCOMMAND carries the access character in lParam, not here.
    for (Step& s : got)
      if (s.message == WM_SYSCOMMAND) s.wParam &= 0xFFF0 | (s.wParam < 0xF000 ? 0xF : 0);
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

TEST_F(MenuTrackingTest, TrackPopupMenuReturnsOrPostsTheCommand)
{
  struct Case {
    const char* name;
    UINT flags;
    std::vector<int> keys;
    BOOL answer;
    int posted;  // WM_COMMAND id, 0 none
  };
  const Case cases[] = {
      {"down, Enter, TPM_RETURNCMD", TPM_RETURNCMD | TPM_RIGHTBUTTON, {VK_DOWN, VK_RETURN}, 203, 0},
      {"down twice, Enter, posted", 0, {VK_DOWN, VK_DOWN, VK_RETURN}, TRUE, 204},
      {"Enter with nothing selected", TPM_RETURNCMD, {VK_RETURN}, 0, 0},
      {"Esc", TPM_RETURNCMD, {VK_ESCAPE}, 0, 0},
      {"up wraps past the separators to About", TPM_RETURNCMD, {VK_UP, VK_RETURN}, 206, 0},
  };
  for (const Case& c : cases) {
    log.clear();
    for (int key : c.keys)
      host->typeKey(key);
    EXPECT_EQ(TrackPopupMenu(menus.help, c.flags, 100, 100, 0, frame, nullptr), c.answer) << c.name;
    const std::vector<Step> during = steps();
    ASSERT_GE(during.size(), 5u) << c.name;
    EXPECT_EQ(during.front(), (Step{WM_ENTERMENULOOP, TRUE, '0'})) << c.name;
    EXPECT_EQ(during[1], (Step{WM_INITMENU, 0, 'H'})) << c.name;
    EXPECT_EQ(during[2], (Step{WM_INITMENUPOPUP, 0, 'H'})) << c.name;
    EXPECT_EQ(during.back(), (Step{WM_EXITMENULOOP, TRUE, '0'})) << c.name;
    EXPECT_EQ(during[during.size() - 2], kClosed) << c.name;
    log.clear();
    omtest::pumpAll();
    std::vector<WPARAM> commands;
    for (const omtest::Seen& s : log.seen)
      if (s.message == WM_COMMAND) commands.push_back(s.wParam);
    EXPECT_EQ(commands, c.posted != 0 ? std::vector<WPARAM>{static_cast<WPARAM>(c.posted)}
                                      : std::vector<WPARAM>{})
        << c.name;
  }
}

// The mouse opens Help from the bar and chooses Contents; while the popup is open the bar
// item and the popup show the written look.
TEST_F(MenuTrackingTest, MouseTrackingAndPopupLook)
{
  applyState(menus, 0);
  RECT outer;
  GetWindowRect(frame, &outer);
  // Dialog frame 3, caption 19: the bar's band starts at row 22.
  const int f = 3;
  const int barTop = outer.top + f + 19;
  HDC dc = GetDC(nullptr);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  auto width = [&](const char* text) {
    SIZE s{};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s);
    return s.cx + 16;
  };
  const int fileWidth = width("File"), optionsWidth = width("Options"), helpWidth = width("Help");
  ReleaseDC(nullptr, dc);
  const RECT helpItem{outer.left + f + fileWidth + optionsWidth, barTop,
                      outer.left + f + fileWidth + optionsWidth + helpWidth, barTop + 19};
  // A greyed bar item is in grey text, the others in menu text.
  EnableMenuItem(menus.bar, 1, MF_BYPOSITION | MF_GRAYED);
  DrawMenuBar(frame);
  const RECT optionsItem{outer.left + f + fileWidth, barTop, helpItem.left, barTop + 19};
  EXPECT_GT(countColor(optionsItem, COLOR_GRAYTEXT), 0);
  EXPECT_EQ(countColor(optionsItem, COLOR_MENUTEXT), 0);
  EXPECT_GT(countColor(helpItem, COLOR_MENUTEXT), 0);
  EXPECT_EQ(countColor(helpItem, COLOR_GRAYTEXT), 0);
  // In the popup, the greyed How to Use Help is grey, the text after "\t" of none.
  EnableMenuItem(menus.help, 204, MF_GRAYED);
  EXPECT_TRUE(sameColor(screenAt(helpItem.left + 1, barTop + 1), GetSysColor(COLOR_MENU)));

  // Looked at each time the loop waits for input: first the opened popup, then the
  // hovered item; then the click on it.
  int stage = 0;
  const int px = helpItem.left, py = helpItem.bottom;
  host->setIdleHandler([&] {
    switch (stage++) {
      case 0: {
        // The tracked bar item is highlighted; the popup lies under it, a raised edge around.
        EXPECT_TRUE(
            sameColor(screenAt(helpItem.left + 1, barTop + 1), GetSysColor(COLOR_HIGHLIGHT)));
        EXPECT_TRUE(sameColor(screenAt(px, py), GetSysColor(COLOR_3DLIGHT)));
        EXPECT_TRUE(sameColor(screenAt(px + 1, py + 1), GetSysColor(COLOR_3DHILIGHT)));
        EXPECT_TRUE(sameColor(screenAt(px + 3, py + 3), GetSysColor(COLOR_MENU)));
        // Items of 18 rows from 3,3: the separator (third item) has its etched line at its
        // middle, grey over white.
        const int separatorTop = py + 3 + 2 * 18;
        EXPECT_TRUE(sameColor(screenAt(px + 10, separatorTop + 4), GetSysColor(COLOR_3DSHADOW)));
        EXPECT_TRUE(sameColor(screenAt(px + 10, separatorTop + 5), GetSysColor(COLOR_3DHILIGHT)));
        const RECT howTo{px + 3, py + 3 + 18, px + 60, py + 3 + 36};
        EXPECT_GT(countColor(howTo, COLOR_GRAYTEXT), 0);
        EXPECT_EQ(countColor(howTo, COLOR_MENUTEXT), 0);
        // Text starts after the 16-pixel check column.
        EXPECT_EQ(countColor(RECT{px + 3, py + 3, px + 3 + 16, py + 21}, COLOR_MENUTEXT), 0);
        EXPECT_GT(countColor(RECT{px + 19, py + 3, px + 40, py + 21}, COLOR_MENUTEXT), 0);
        host->moveMouse(px + 20, py + 3 + 9);
        break;
      }
      case 1:
        // Hovering over Contents highlights its row.
        EXPECT_TRUE(sameColor(screenAt(px + 4, py + 4), GetSysColor(COLOR_HIGHLIGHT)));
        EXPECT_GT(countColor(RECT{px + 3, py + 3, px + 60, py + 21}, COLOR_HIGHLIGHTTEXT), 0);
        host->click(px + 20, py + 3 + 9);
        break;
      default:
        break;
    }
  });
  host->click(helpItem.left + 5, barTop + 5);
  log.clear();
  omtest::pumpAll();
  host->setIdleHandler(nullptr);
  EXPECT_GE(stage, 2);
  std::vector<WPARAM> commands;
  for (const omtest::Seen& s : log.seen)
    if (s.message == WM_COMMAND) commands.push_back(s.wParam);
  EXPECT_EQ(commands, (std::vector<WPARAM>{203}));
  // Closed: the bar item is back to the menu colour.
  EXPECT_TRUE(sameColor(screenAt(helpItem.left + 1, barTop + 1), GetSysColor(COLOR_MENU)));
}

// A popup made over the frame, as the assessment program's stage is: a top-level window on
// the screen, shown after the frame and so above it and active. Having no menu, it gets its own
// F10 and Alt+letter as the keyboard menu command and nothing opens, whether the frame owns it
// or not: the frame's menus answer the keyboard only while the frame has it, and then open over
// the popup. Brought to the top, the frame covers a popup of its own but not one it owns; the
// popup never renames the host's window. (What a probe of these calls shows Windows doing.)
TEST_F(MenuTrackingTest, APopupOverTheFrameLeavesItsMenusToTheFrameWithTheKeyboard)
{
  struct Case {
    const char* name;
    bool owned;
    bool frameComesOver;
  };
  const Case cases[] = {{"without owner", false, true}, {"owned by the frame", true, false}};
  const COLORREF green = RGB(0, 128, 0);
  for (const Case& c : cases) {
    HWND stage = CreateWindowExA(0, "OMTestWindow", nullptr, WS_POPUP, 0, 0, 640, 480,
                                 c.owned ? frame : nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(stage, nullptr) << c.name;
    ShowWindow(stage, SW_SHOW);
    omtest::pumpAll();
    RECT placed{};
    GetWindowRect(stage, &placed);
    EXPECT_EQ(placed.left, 0) << c.name;
    EXPECT_EQ(placed.top, 0) << c.name;
    EXPECT_EQ(placed.bottom, 480) << c.name;
    EXPECT_EQ(GetWindow(stage, GW_OWNER), c.owned ? frame : nullptr) << c.name;
    EXPECT_EQ(GetActiveWindow(), stage) << c.name;
    EXPECT_EQ(GetFocus(), stage) << c.name;
    EXPECT_EQ(GetTopWindow(nullptr), stage) << c.name;
    EXPECT_EQ(GetWindow(stage, GW_HWNDNEXT), frame) << c.name;
    EXPECT_EQ(WindowFromPoint(POINT{320, 30}), stage) << c.name;  // over the menu bar
    EXPECT_EQ(host->title(), "Tovik") << c.name;
    HDC dc = GetDC(stage);
    HBRUSH brush = CreateSolidBrush(green);
    const RECT all{0, 0, 640, 480};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(stage, dc);

    log.clear();
    host->typeKey(VK_F10);
    host->pressKey(VK_MENU);
    host->typeText("f");
    host->releaseKey(VK_MENU);
    omtest::pumpAll();
    std::vector<LPARAM> keyMenus;
    for (const omtest::Seen& s : log.seen)
      if (s.window == stage && s.message == WM_SYSCOMMAND && (s.wParam & 0xFFF0) == SC_KEYMENU)
        keyMenus.push_back(s.lParam);
    EXPECT_EQ(keyMenus, (std::vector<LPARAM>{0, 'f'})) << c.name;
    EXPECT_EQ(steps(), std::vector<Step>{}) << c.name;

    SetFocus(frame);
    EXPECT_EQ(GetActiveWindow(), frame) << c.name;
    EXPECT_EQ(GetFocus(), frame) << c.name;
    SetWindowPos(stage, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    omtest::pumpAll();
    EXPECT_EQ(GetTopWindow(nullptr), stage) << c.name;
    EXPECT_EQ(GetActiveWindow(), frame) << c.name;
    // Alt+F opens File under its bar item (its raised edge from 3, 41), over the popup; the
    // rest of the popup shows.
    bool looked = false;
    host->setIdleHandler([&] {
      if (looked) return;
      looked = true;
      EXPECT_TRUE(sameColor(screenAt(3 + 1, 41 + 1), GetSysColor(COLOR_3DHILIGHT))) << c.name;
      EXPECT_TRUE(sameColor(screenAt(400, 300), green)) << c.name;
      host->typeKey(VK_ESCAPE);
      host->typeKey(VK_ESCAPE);
    });
    log.clear();
    host->pressKey(VK_MENU);
    host->typeText("f");
    host->releaseKey(VK_MENU);
    omtest::pumpAll();
    host->setIdleHandler(nullptr);
    EXPECT_TRUE(looked) << c.name;
    EXPECT_EQ(log.only({WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_EXITMENULOOP}, frame),
              (std::vector<UINT>{WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_EXITMENULOOP}))
        << c.name;

    BringWindowToTop(frame);
    EXPECT_EQ(GetTopWindow(nullptr), c.frameComesOver ? frame : stage) << c.name;
    DestroyWindow(stage);
    omtest::pumpAll();
  }
}

}  // namespace
