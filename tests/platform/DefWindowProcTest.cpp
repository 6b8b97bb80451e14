// What the default window procedure does with the messages programs pass on to it.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/WindowTestSupport.h"

namespace {

using omtest::MessageLog;

class DefWindowProcTest : public ::testing::Test {
 protected:
  void SetUp() override { host = &omtest::startSession(); }
  omhost::HeadlessHost* host = nullptr;
  MessageLog log;
};

// Hit testing of frame mode 0 (caption, sizing frame, minimise and maximise boxes) and of a
// child of kind 1 (border only), in screen coordinates.
TEST_F(DefWindowProcTest, HitTesting)
{
  HWND frame = omtest::makeTopLevel(0x02CF0000 | WS_VISIBLE, RECT{0, 0, 400, 300});
  auto hit = [](HWND w, int x, int y) {
    return SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(x, y));
  };
  EXPECT_EQ(hit(frame, 200, 150), HTCLIENT);
  EXPECT_EQ(hit(frame, 200, 10), HTCAPTION);
  EXPECT_EQ(hit(frame, 10, 10), HTSYSMENU);
  EXPECT_EQ(hit(frame, 390, 10), HTCLOSE);
  EXPECT_EQ(hit(frame, 370, 10), HTMAXBUTTON);
  EXPECT_EQ(hit(frame, 350, 10), HTMINBUTTON);
  EXPECT_EQ(hit(frame, 1, 150), HTLEFT);
  EXPECT_EQ(hit(frame, 399, 299), HTBOTTOMRIGHT);
  EXPECT_EQ(hit(frame, 200, 1), HTTOP);
  EXPECT_EQ(hit(frame, 500, 10), HTNOWHERE);
  HWND child = omtest::makeChild(frame, 0x44800000 | WS_VISIBLE, RECT{10, 10, 110, 110});
  // The frame's client area starts at (4, 23); the child's border is its outer pixel.
  EXPECT_EQ(hit(child, 14, 33), HTBORDER);
  EXPECT_EQ(hit(child, 15, 34), HTCLIENT);
  HWND popup = omtest::makeTopLevel(0x82080000 | WS_VISIBLE, RECT{0, 0, 640, 480});
  EXPECT_EQ(hit(popup, 0, 0), HTCLIENT);
}

// System commands: SC_CLOSE becomes WM_CLOSE (whose default destroys the window);
// SC_MINIMIZE, SC_MAXIMIZE and SC_RESTORE are carried out.
TEST_F(DefWindowProcTest, SystemCommands)
{
  HWND frame = omtest::makeTopLevel(0x02CF0000 | WS_VISIBLE, RECT{10, 10, 410, 310});
  SendMessageA(frame, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(frame));
  RECT r;
  GetWindowRect(frame, &r);
  EXPECT_EQ(r.left, -4);
  EXPECT_EQ(r.right, 644);
  SendMessageA(frame, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(frame));
  SendMessageA(frame, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(IsZoomed(frame));
  SendMessageA(frame, WM_SYSCOMMAND, SC_RESTORE, 0);
  GetWindowRect(frame, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom, 310);
  log.clear();
  SendMessageA(frame, WM_SYSCOMMAND, SC_CLOSE | 2, 0);  // the low four bits are the system's
  EXPECT_EQ(log.count(WM_CLOSE, frame), 1);
  EXPECT_FALSE(IsWindow(frame));
}

// Clicking the caption buttons and double-clicking the caption go through system commands.
TEST_F(DefWindowProcTest, CaptionButtonsAndDoubleClick)
{
  HWND frame = omtest::makeTopLevel(0x02CF0000 | WS_VISIBLE, RECT{0, 0, 400, 300});
  host->click(200, 10);
  host->click(200, 10);  // a double click on the caption maximises
  omtest::pumpAll();
  EXPECT_TRUE(IsZoomed(frame));
  log.override = [](const omtest::Seen& s, bool& handled) -> LRESULT {
    handled = s.message == WM_CLOSE;
    return 0;
  };
  omhost::advanceClock(1000);
  log.clear();
  host->click(635, 10);  // the close button of the maximised frame
  omtest::pumpAll();
  std::vector<WPARAM> commands;
  for (const auto& s : log.seen)
    if (s.message == WM_SYSCOMMAND) commands.push_back(s.wParam & 0xFFF0);
  EXPECT_EQ(commands, (std::vector<WPARAM>{SC_CLOSE}));
  EXPECT_EQ(log.count(WM_CLOSE), 1);
}

// A caption with only one of the two boxes shows the other one greyed: pressing the greyed
// box does nothing (frame mode 1 has a minimise box and no maximise box), the live one works.
TEST_F(DefWindowProcTest, GreyedCaptionBoxDoesNothing)
{
  HWND frame = omtest::makeTopLevel(0x02CA0000 | WS_VISIBLE, RECT{0, 0, 400, 300});
  ASSERT_EQ(SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(370, 10)), HTMAXBUTTON);
  ASSERT_EQ(SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(350, 10)), HTMINBUTTON);
  log.clear();
  host->click(370, 10);
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_NCLBUTTONDOWN, frame), 1);
  EXPECT_EQ(log.count(WM_SYSCOMMAND), 0);
  EXPECT_FALSE(IsZoomed(frame));
  omhost::advanceClock(1000);
  host->click(350, 10);
  omtest::pumpAll();
  EXPECT_TRUE(IsIconic(frame));
  // A maximise box alone greys the minimise box.
  HWND other = omtest::makeTopLevel(WS_OVERLAPPED | WS_SYSMENU | WS_MAXIMIZEBOX | WS_VISIBLE,
                                    RECT{0, 0, 400, 300});
  DefWindowProcA(other, WM_NCLBUTTONDOWN, HTMINBUTTON, MAKELPARAM(350, 10));
  EXPECT_FALSE(IsIconic(other));
}

// Double-clicking a minimised window (its hit code is HTCAPTION) restores it, with or without
// a maximise box: a child of kind 2 has none.
TEST_F(DefWindowProcTest, DoubleClickOnAMinimisedWindowRestoresIt)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  HWND child = omtest::makeChild(frame, 0x44CA0000 | WS_VISIBLE, RECT{100, 100, 300, 250});
  ShowWindow(child, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(child));
  RECT icon;
  GetWindowRect(child, &icon);
  ASSERT_EQ(SendMessageA(child, WM_NCHITTEST, 0, MAKELPARAM(icon.left + 5, icon.top + 5)),
            HTCAPTION);
  log.clear();
  host->click(icon.left + 5, icon.top + 5);
  host->click(icon.left + 5, icon.top + 5);
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_NCLBUTTONDBLCLK, child), 1);
  EXPECT_FALSE(IsIconic(child));
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.bottom, 250);
}

// A window that answers WM_MOUSEACTIVATE with an "eat" code loses the press but still
// activates (MA_ACTIVATEANDEAT) or not (MA_NOACTIVATEANDEAT).
TEST_F(DefWindowProcTest, MouseActivateAnswers)
{
  HWND a = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND b = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{200, 0, 300, 100});
  ASSERT_EQ(GetActiveWindow(), b);
  LRESULT answer = MA_NOACTIVATEANDEAT;
  log.override = [&](const omtest::Seen& s, bool& handled) -> LRESULT {
    handled = s.message == WM_MOUSEACTIVATE;
    return answer;
  };
  log.clear();
  host->click(50, 50);
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_LBUTTONDOWN, a), 0);
  EXPECT_EQ(log.count(WM_LBUTTONUP, a), 1);
  EXPECT_EQ(GetActiveWindow(), b);
  answer = MA_ACTIVATEANDEAT;
  omhost::advanceClock(1000);
  log.clear();
  host->click(50, 50);
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_LBUTTONDOWN, a), 0);
  EXPECT_EQ(GetActiveWindow(), a);
  answer = MA_ACTIVATE;
  omhost::advanceClock(1000);
  log.clear();
  host->click(250, 50);
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_LBUTTONDOWN, b), 1);
  EXPECT_EQ(GetActiveWindow(), b);
}

// Window text goes through WM_SETTEXT and WM_GETTEXT, cut to the caller's buffer.
TEST_F(DefWindowProcTest, WindowText)
{
  HWND w = omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 10, 10}, "");
  EXPECT_TRUE(SetWindowTextA(w, "Korvanix Demo"));
  EXPECT_EQ(GetWindowTextLengthA(w), 13);
  char small[5];
  EXPECT_EQ(GetWindowTextA(w, small, sizeof small), 4);
  EXPECT_STREQ(small, "Korv");
  EXPECT_EQ(log.count(WM_SETTEXT, w), 1);
}

}  // namespace
