// Windows: creation, styles, geometry, words, z-order.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/WindowTestSupport.h"

namespace {

using omtest::MessageLog;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { omtest::startSession(); }
  MessageLog log;
};

// CreateWindowEx sends WM_NCCREATE and WM_CREATE, then WM_SIZE and WM_MOVE; a visible window
// is shown after that.
TEST_F(WindowTest, CreationSendsCreateThenSizeAndMove)
{
  HWND w = omtest::makeTopLevel(WS_POPUP, RECT{10, 20, 110, 70});
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(log.only({WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}),
            (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
  EXPECT_FALSE(IsWindowVisible(w));
  const auto size = std::find_if(log.seen.begin(), log.seen.end(),
                                 [](const omtest::Seen& s) { return s.message == WM_SIZE; });
  EXPECT_EQ(LOWORD(size->lParam), 100);
  EXPECT_EQ(HIWORD(size->lParam), 50);
  char title[16];
  EXPECT_EQ(GetWindowTextA(w, title, sizeof title), 3);
  EXPECT_STREQ(title, "top");
}

// A window procedure that answers -1 to WM_CREATE makes creation fail.
TEST_F(WindowTest, CreateAnsweringMinusOneFails)
{
  log.override = [](const omtest::Seen& s, bool& handled) -> LRESULT {
    handled = s.message == WM_CREATE;
    return -1;
  };
  EXPECT_EQ(omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 10, 10}), nullptr);
  EXPECT_EQ(log.count(WM_DESTROY), 1);
}

// The frame and child styles the programs use keep their exact bits; an overlapped window
// always gets a caption and clips its siblings.
TEST_F(WindowTest, StylesReadBackAsGiven)
{
  HWND frame = omtest::makeTopLevel(0x82080000, RECT{0, 0, 640, 480});
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(frame, GWL_STYLE)), 0x82080000u | WS_CLIPSIBLINGS);
  HWND child = omtest::makeChild(frame, 0x44CF0000, RECT{0, 0, 100, 100});
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)), 0x44CF0000u);
  HWND overlapped = omtest::makeTopLevel(WS_OVERLAPPED, RECT{0, 0, 100, 100});
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(overlapped, GWL_STYLE)) & WS_CAPTION, WS_CAPTION);
}

// AdjustWindowRect grows a client rectangle by the frame of the style: caption 19, sizing
// frame 4, dialog frame 3, border 1; a popup or child without frame stays as it is.
TEST_F(WindowTest, AdjustWindowRectFollowsTheStyle)
{
  struct Case {
    DWORD style;
    RECT expected;
  };
  const Case cases[] = {
      {0x02CF0000, {-4, -23, 104, 104}},  // frame mode 0: caption and sizing frame
      {0x02CA0000, {-3, -22, 103, 103}},  // frame mode 1: caption and dialog frame
      {0x82080000, {0, 0, 100, 100}},     // frame mode 3: popup without frame
      {0x44000000, {0, 0, 100, 100}},     // child kind 0
      {0x44800000, {-1, -1, 101, 101}},   // child kind 1: border
      {0x44CA0000, {-3, -22, 103, 103}},  // child kind 2
      {0x44CF0000, {-4, -23, 104, 104}},  // child kind 3
  };
  for (const Case& c : cases) {
    RECT r{0, 0, 100, 100};
    ASSERT_TRUE(AdjustWindowRect(&r, c.style, FALSE));
    EXPECT_EQ(r.left, c.expected.left) << std::hex << c.style;
    EXPECT_EQ(r.top, c.expected.top) << std::hex << c.style;
    EXPECT_EQ(r.right, c.expected.right) << std::hex << c.style;
    EXPECT_EQ(r.bottom, c.expected.bottom) << std::hex << c.style;
  }
}

// Window rectangles are in screen coordinates, client rectangles start at (0, 0), and
// MapWindowPoints goes from one client area to another (null is the screen).
TEST_F(WindowTest, RectanglesAndPointMapping)
{
  HWND frame = omtest::makeTopLevel(0x02CF0000, RECT{100, 50, 500, 350});
  HWND child = omtest::makeChild(frame, 0x44800000, RECT{10, 20, 110, 120});
  RECT r;
  GetWindowRect(child, &r);
  // frame client origin (104, 73); the child's window rectangle starts there + (10, 20).
  EXPECT_EQ(r.left, 114);
  EXPECT_EQ(r.top, 93);
  GetClientRect(child, &r);
  EXPECT_EQ(r.right, 98);
  EXPECT_EQ(r.bottom, 98);
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 115);
  EXPECT_EQ(p.y, 94);
  POINT q{-5, 7};
  MapWindowPoints(child, frame, &q, 1);
  EXPECT_EQ(q.x, 6);
  EXPECT_EQ(q.y, 28);
  ScreenToClient(child, &p);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
}

// Window words are bytes at offsets; a pointer-sized word keeps a whole pointer, and a word
// out of the class's extra bytes reads 0 and cannot be written.
TEST_F(WindowTest, WindowWordsHoldPointers)
{
  HWND w = omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 10, 10});
  int object = 0;
  SetWindowLongPtrA(w, 0, reinterpret_cast<LONG_PTR>(&object));
  SetWindowLongPtrA(w, sizeof(LONG_PTR), 0x4F4D2B2B);
  EXPECT_EQ(GetWindowLongPtrA(w, 0), reinterpret_cast<LONG_PTR>(&object));
  EXPECT_EQ(GetWindowLongPtrA(w, sizeof(LONG_PTR)), 0x4F4D2B2B);
  EXPECT_EQ(SetWindowLongPtrA(w, 2 * sizeof(LONG_PTR), 5), 0);
  EXPECT_EQ(GetWindowLongPtrA(w, 2 * sizeof(LONG_PTR)), 0);
  EXPECT_EQ(GetWindowLongPtrA(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&MessageLog::procedure));
  char name[127];
  EXPECT_EQ(GetClassNameA(w, name, sizeof name), 12);
  EXPECT_STREQ(name, "OMTestWindow");
}

// A class stays registered while windows of it exist; after that it can go.
TEST_F(WindowTest, ClassesCannotGoWhileWindowsUseThem)
{
  HWND w = omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 10, 10});
  EXPECT_FALSE(UnregisterClassA("omtestwindow", nullptr));
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClassA("OMTestWindow", nullptr));
  EXPECT_EQ(omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 10, 10}), nullptr);
}

// DestroyWindow sends WM_DESTROY to the parent before its children and WM_NCDESTROY to the
// children before the parent; the handles are dead afterwards.
TEST_F(WindowTest, DestroyOrderAndDeadHandles)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 100, 100});
  HWND child = omtest::makeChild(frame, 0, RECT{0, 0, 10, 10});
  log.clear();
  EXPECT_TRUE(DestroyWindow(frame));
  std::vector<std::pair<HWND, UINT>> order;
  for (const auto& s : log.seen)
    if (s.message == WM_DESTROY || s.message == WM_NCDESTROY)
      order.emplace_back(s.window, s.message);
  const std::vector<std::pair<HWND, UINT>> expected{
      {frame, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {frame, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(DestroyWindow(child));
  EXPECT_EQ(SendMessageA(child, WM_USER, 0, 0), 0);
}

// A window that destroys itself while it handles a message comes to no harm.
TEST_F(WindowTest, DestroyingItselfInsideItsProcedure)
{
  HWND w = omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 10, 10});
  log.override = [](const omtest::Seen& s, bool& handled) -> LRESULT {
    if (s.message == WM_USER) {
      DestroyWindow(s.window);
      handled = true;
      return 7;
    }
    return 0;
  };
  EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 7);
  EXPECT_FALSE(IsWindow(w));
}

// New children go below their siblings; GetWindow walks the z-order; WindowFromPoint finds
// the topmost visible child under the point, skipping hidden windows.
TEST_F(WindowTest, ZOrderAndWindowFromPoint)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 200});
  HWND a = omtest::makeChild(frame, WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND b = omtest::makeChild(frame, WS_VISIBLE, RECT{50, 50, 150, 150});
  EXPECT_EQ(GetWindow(frame, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetTopWindow(frame), a);
  EXPECT_EQ(WindowFromPoint(POINT{75, 75}), a);
  EXPECT_EQ(WindowFromPoint(POINT{120, 120}), b);
  EXPECT_EQ(WindowFromPoint(POINT{180, 10}), frame);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(POINT{75, 75}), b);
  EXPECT_EQ(WindowFromPoint(POINT{300, 300}), nullptr);
}

// Deferred positioning with SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE changes only the
// z-order: no window moves or changes size, and none is activated.
TEST_F(WindowTest, DeferredPositioningChangesZOrderOnly)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 300});
  HWND a = omtest::makeChild(frame, WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND b = omtest::makeChild(frame, WS_VISIBLE, RECT{10, 10, 110, 110});
  HWND c = omtest::makeChild(frame, WS_VISIBLE, RECT{20, 20, 120, 120});
  RECT before;
  GetWindowRect(b, &before);
  log.clear();
  const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  HDWP batch = BeginDeferWindowPos(3);
  batch = DeferWindowPos(batch, c, HWND_TOP, 99, 99, 5, 5, flags);
  batch = DeferWindowPos(batch, b, c, 99, 99, 5, 5, flags);
  batch = DeferWindowPos(batch, a, b, 99, 99, 5, 5, flags);
  ASSERT_NE(batch, nullptr);
  EXPECT_TRUE(EndDeferWindowPos(batch));
  EXPECT_EQ(GetWindow(frame, GW_CHILD), c);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
  RECT after;
  GetWindowRect(b, &after);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.right, before.right);
  EXPECT_EQ(log.count(WM_MOVE) + log.count(WM_SIZE), 0);
  EXPECT_EQ(log.count(WM_WINDOWPOSCHANGING), 3);
  EXPECT_EQ(log.count(WM_ACTIVATE), 0);
  EXPECT_FALSE(EndDeferWindowPos(batch));  // a batch ends once
}

// Flags that a procedure adds in WM_WINDOWPOSCHANGING are honoured.
TEST_F(WindowTest, WindowPosChangingFlagsAreHonoured)
{
  HWND w = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  log.override = [](const omtest::Seen& s, bool&) -> LRESULT {
    if (s.message == WM_WINDOWPOSCHANGING)
      reinterpret_cast<WINDOWPOS*>(s.lParam)->flags |= SWP_NOMOVE | SWP_NOSIZE;
    return 0;
  };
  log.clear();
  MoveWindow(w, 50, 50, 200, 200, TRUE);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 100);
  EXPECT_EQ(log.count(WM_MOVE) + log.count(WM_SIZE), 0);
  log.override = nullptr;
  MoveWindow(w, 50, 60, 200, 200, FALSE);
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.bottom, 260);
  EXPECT_EQ(log.count(WM_MOVE), 1);
  EXPECT_EQ(log.count(WM_SIZE), 1);
}

// Minimise, maximise and restore: IsIconic/IsZoomed, WM_SIZE kinds, and a maximised child
// filling its parent's client area with its frame outside it (WM_GETMINMAXINFO).
TEST_F(WindowTest, MinimizeMaximizeRestore)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 400, 300});
  HWND child = omtest::makeChild(frame, 0x44CF0000, RECT{10, 10, 110, 110});
  log.clear();
  ShowWindow(child, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(child));
  EXPECT_EQ(log.count(WM_GETMINMAXINFO, child), 1);
  RECT r;
  GetClientRect(child, &r);
  EXPECT_EQ(r.right, 400);
  EXPECT_EQ(r.bottom, 300 - 19);
  ShowWindow(child, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(child));
  EXPECT_FALSE(IsZoomed(child));
  log.clear();
  ShowWindow(child, SW_RESTORE);  // back to maximised, where it was before
  EXPECT_TRUE(IsZoomed(child));
  SendMessageA(child, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(child));
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right, 110);
  const auto sizes = log.only({WM_SIZE}, child);
  EXPECT_GE(sizes.size(), 2u);
}

// EnumChildWindows visits every descendant; FindWindowA finds a top-level window by class.
TEST_F(WindowTest, EnumerationAndFindWindow)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 100, 100}, "Frame");
  HWND a = omtest::makeChild(frame, 0, RECT{0, 0, 10, 10});
  HWND b = omtest::makeChild(a, 0, RECT{0, 0, 5, 5});
  std::vector<HWND> seen;
  EnumChildWindows(
      frame,
      [](HWND w, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen, (std::vector<HWND>{a, b}));
  EXPECT_EQ(FindWindowA("omtestwindow", nullptr), frame);
  EXPECT_EQ(FindWindowA("OMTestWindow", "Frame"), frame);
  EXPECT_EQ(FindWindowA("OMTestWindow", "Other"), nullptr);
  EXPECT_EQ(FindWindowA("NoSuchClass", nullptr), nullptr);
  EXPECT_EQ(GetParent(b), a);
  EXPECT_TRUE(IsChild(frame, b));
}

}  // namespace

namespace {

// Windows destroyed while others are being destroyed or activated come to no harm: a child
// that destroys a sibling from its WM_DESTROY, and a window destroyed as it loses activation.
TEST_F(WindowTest, DestroyingWindowsFromInsideNotifications)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND a = omtest::makeChild(frame, WS_VISIBLE, RECT{0, 0, 10, 10});
  HWND b = omtest::makeChild(frame, WS_VISIBLE, RECT{0, 0, 10, 10});
  log.override = [a, b](const omtest::Seen& s, bool&) -> LRESULT {
    if (s.window == a && s.message == WM_DESTROY) DestroyWindow(b);
    return 0;
  };
  EXPECT_TRUE(DestroyWindow(frame));
  EXPECT_FALSE(IsWindow(b));

  HWND first = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  log.override = [first](const omtest::Seen& s, bool&) -> LRESULT {
    if (s.window == first && s.message == WM_ACTIVATE && LOWORD(s.wParam) == WA_INACTIVE)
      DestroyWindow(first);
    return 0;
  };
  HWND second = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(GetActiveWindow(), second);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // frees what was destroyed
}

}  // namespace

namespace {

// ShowWindow answers whether the window was visible before; SW_SHOWNA shows without
// activating; hiding the active window activates another one.
TEST_F(WindowTest, ShowWindowAnswersAndActivation)
{
  HWND a = omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 10, 10});
  HWND b = omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 10, 10});
  EXPECT_FALSE(ShowWindow(a, SW_SHOW));
  EXPECT_TRUE(ShowWindow(a, SW_SHOW));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_FALSE(ShowWindow(b, SW_SHOWNA));
  EXPECT_TRUE(IsWindowVisible(b));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_TRUE(ShowWindow(a, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(a));
  EXPECT_EQ(GetActiveWindow(), b);
  // A child is visible only with its parent.
  HWND child = omtest::makeChild(a, WS_VISIBLE, RECT{0, 0, 5, 5});
  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)) & WS_VISIBLE,
            static_cast<DWORD>(WS_VISIBLE));
}

}  // namespace
