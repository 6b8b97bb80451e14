// Activation, mouse and keyboard messages, in the orders programs rely on.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/host/HostClock.h"
#include "tests/support/WindowTestSupport.h"

namespace {

using omhost::MouseButton;
using omtest::MessageLog;

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override { host = &omtest::startSession(); }
  omhost::HeadlessHost* host = nullptr;
  MessageLog log;
};

// Showing a top-level window activates it: WM_ACTIVATEAPP(1), WM_NCACTIVATE(1), WM_ACTIVATE,
// WM_SETFOCUS. Losing the desktop's focus: WM_NCACTIVATE(0), WM_ACTIVATE(0),
// WM_ACTIVATEAPP(0), WM_KILLFOCUS. Regaining it repeats the first order.
TEST_F(InputTest, ActivationAndDeactivationOrder)
{
  const std::vector<UINT> watched{WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS,
                                  WM_KILLFOCUS};
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  const std::vector<UINT> activation{WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS};
  EXPECT_EQ(log.only(watched, frame), activation);
  EXPECT_EQ(GetActiveWindow(), frame);
  EXPECT_EQ(GetFocus(), frame);

  log.clear();
  host->deactivate();
  omtest::pumpAll();
  EXPECT_EQ(log.only(watched, frame),
            (std::vector<UINT>{WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS}));
  for (const auto& s : log.seen) {
    if (s.message == WM_ACTIVATEAPP || s.message == WM_NCACTIVATE) {
      EXPECT_EQ(s.wParam, 0u);
    }
  }
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);

  log.clear();
  host->activate();
  omtest::pumpAll();
  EXPECT_EQ(log.only(watched, frame), activation);
  EXPECT_EQ(GetFocus(), frame);
}

// A child that gets the focus may hand it back to its frame from WM_SETFOCUS; keys then go to
// the frame.
TEST_F(InputTest, FocusHandedBackFromSetFocus)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  HWND child = omtest::makeChild(frame, WS_VISIBLE, RECT{0, 0, 640, 480});
  log.override = [frame, child](const omtest::Seen& s, bool&) -> LRESULT {
    if (s.window == child && s.message == WM_SETFOCUS) SetFocus(frame);
    return 0;
  };
  EXPECT_EQ(SetFocus(child), frame);
  EXPECT_EQ(GetFocus(), frame);
  log.clear();
  host->typeKey('A');
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_KEYDOWN, frame), 1);
  EXPECT_EQ(log.count(WM_KEYDOWN, child), 0);
}

// A press: WM_SETCURSOR, WM_MOUSEACTIVATE, then the button message, all to the window under
// the pointer; lParam of the button message holds client coordinates.
TEST_F(InputTest, PressOrderAndClientCoordinates)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  HWND child = omtest::makeChild(frame, WS_VISIBLE, RECT{100, 100, 300, 300});
  log.clear();
  host->pressButton(150, 170);
  omtest::pumpAll();
  EXPECT_EQ(log.only({WM_SETCURSOR, WM_MOUSEACTIVATE, WM_LBUTTONDOWN}, child),
            (std::vector<UINT>{WM_SETCURSOR, WM_MOUSEACTIVATE, WM_LBUTTONDOWN}));
  // The child's default procedure asks its parent first.
  EXPECT_EQ(log.count(WM_MOUSEACTIVATE, frame), 1);
  for (const auto& s : log.seen) {
    if (s.message == WM_LBUTTONDOWN) {
      EXPECT_EQ(GET_X_LPARAM(s.lParam), 50);
      EXPECT_EQ(GET_Y_LPARAM(s.lParam), 70);
      EXPECT_EQ(s.wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
    }
    if (s.message == WM_SETCURSOR && s.window == child) {
      EXPECT_EQ(LOWORD(s.lParam), HTCLIENT);
      EXPECT_EQ(HIWORD(s.lParam), WM_LBUTTONDOWN);
    }
  }
  EXPECT_LT(GetAsyncKeyState(VK_LBUTTON), 0);
  EXPECT_LT(GetKeyState(VK_LBUTTON), 0);
}

// With the capture set, mouse messages go to the capture window even outside it, with
// coordinates relative to its client area (negative ones included).
TEST_F(InputTest, CaptureKeepsMouseMessagesOutsideTheWindow)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  HWND a = omtest::makeChild(frame, WS_VISIBLE, RECT{100, 100, 200, 200});
  HWND b = omtest::makeChild(frame, WS_VISIBLE, RECT{300, 300, 400, 400});
  SetCapture(a);
  EXPECT_EQ(GetCapture(), a);
  log.clear();
  host->moveMouse(350, 350);
  host->releaseButton(50, 20);
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_MOUSEMOVE, b), 0);
  ASSERT_EQ(log.only({WM_MOUSEMOVE, WM_LBUTTONUP}, a),
            (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONUP}));
  for (const auto& s : log.seen)
    if (s.message == WM_LBUTTONUP) {
      EXPECT_EQ(GET_X_LPARAM(s.lParam), -50);
      EXPECT_EQ(GET_Y_LPARAM(s.lParam), -80);
    }
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_TRUE(ReleaseCapture());  // harmless without a capture
  EXPECT_EQ(log.count(WM_CAPTURECHANGED, a), 1);
  log.clear();
  host->moveMouse(350, 351);
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_MOUSEMOVE, b), 1);
}

// A second press within the double-click time and area makes WM_LBUTTONDBLCLK only for
// classes with CS_DBLCLKS; a third press is a plain press again.
TEST_F(InputTest, DoubleClicksOnlyForDblClkClasses)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  HWND plain = omtest::makeChild(frame, WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND dbl = omtest::makeChild(frame, WS_VISIBLE, RECT{200, 0, 300, 100}, true);
  for (int i = 0; i < 2; ++i)
    host->click(50, 50);
  for (int i = 0; i < 3; ++i)
    host->click(250, 50);
  omtest::pumpAll();
  EXPECT_EQ(log.only({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}, plain),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
  EXPECT_EQ(log.only({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}, dbl),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN}));
  // Too slow, or too far: two presses.
  log.clear();
  host->click(250, 60);
  omtest::pumpAll();
  omhost::advanceClock(600);
  host->click(250, 60);
  host->click(258, 60);
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_LBUTTONDBLCLK, dbl), 0);
}

// Over a caption or border the non-client messages come, with the hit code in wParam and
// screen coordinates in lParam.
TEST_F(InputTest, NonClientMessagesOverCaptionAndBorder)
{
  HWND frame = omtest::makeTopLevel(0x02CF0000 | WS_VISIBLE, RECT{0, 0, 400, 300});
  log.clear();
  host->pressButton(100, 10);
  host->releaseButton(100, 10);
  host->moveMouse(1, 150);
  omtest::pumpAll();
  ASSERT_EQ(log.only({WM_NCLBUTTONDOWN, WM_NCLBUTTONUP, WM_NCMOUSEMOVE}, frame),
            (std::vector<UINT>{WM_NCLBUTTONDOWN, WM_NCLBUTTONUP, WM_NCMOUSEMOVE}));
  for (const auto& s : log.seen) {
    if (s.message == WM_NCLBUTTONDOWN) {
      EXPECT_EQ(s.wParam, static_cast<WPARAM>(HTCAPTION));
      EXPECT_EQ(GET_X_LPARAM(s.lParam), 100);
    }
    if (s.message == WM_NCMOUSEMOVE) {
      EXPECT_EQ(s.wParam, static_cast<WPARAM>(HTLEFT));
    }
  }
}

// Keys: WM_KEYDOWN, its WM_CHAR (same lParam, so the same scan code), WM_KEYUP; lParam
// carries the scan code in bits 16-23, the repeat flag in bit 30.
TEST_F(InputTest, KeyOrderAndScanCodes)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  log.clear();
  host->pressKey('A');
  host->pressKey('A');  // auto-repeat
  host->releaseKey('A');
  omtest::pumpAll();
  ASSERT_EQ(log.only({WM_KEYDOWN, WM_CHAR, WM_KEYUP}, frame),
            (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  std::vector<LPARAM> data;
  for (const auto& s : log.seen)
    if (s.message == WM_KEYDOWN || s.message == WM_CHAR || s.message == WM_KEYUP)
      data.push_back(s.lParam);
  EXPECT_EQ((data[0] >> 16) & 0xFF, 0x1E);  // the A key
  EXPECT_EQ(data[1], data[0]);
  EXPECT_EQ(data[0] & (1 << 30), 0);
  EXPECT_NE(data[2] & (1 << 30), 0);
  EXPECT_EQ(data[3], data[2]);
  EXPECT_EQ((data[4] >> 16) & 0xFF, 0x1E);
}

// TranslateMessage: 8, 9, 13 and 27 for Backspace, Tab, Enter and Esc; Shift makes capitals
// and shifted symbols; Ctrl with a letter gives 1 to 26; keys without a character make none.
TEST_F(InputTest, TranslateMessageCharacters)
{
  omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  auto charsOf = [&](const std::function<void()>& type) {
    log.clear();
    type();
    omtest::pumpAll();
    std::vector<WPARAM> out;
    for (const auto& s : log.seen)
      if (s.message == WM_CHAR) out.push_back(s.wParam);
    return out;
  };
  EXPECT_EQ(charsOf([&] {
              for (int vk : {VK_BACK, VK_TAB, VK_RETURN, VK_ESCAPE})
                host->typeKey(vk);
            }),
            (std::vector<WPARAM>{8, 9, 13, 27}));
  EXPECT_EQ(charsOf([&] {
              host->typeKey('B');
              host->pressKey(VK_SHIFT);
              host->typeKey('B');
              host->typeKey('1');
              host->releaseKey(VK_SHIFT);
            }),
            (std::vector<WPARAM>{'b', 'B', '!'}));
  EXPECT_EQ(charsOf([&] {
              host->pressKey(VK_CONTROL);
              host->typeKey('A');
              host->typeKey('Z');
              host->releaseKey(VK_CONTROL);
            }),
            (std::vector<WPARAM>{1, 26}));
  EXPECT_TRUE(charsOf([&] {
                for (int vk : {VK_F5, VK_LEFT, VK_PAUSE, VK_DELETE})
                  host->typeKey(vk);
              }).empty());
  EXPECT_EQ(charsOf([&] { host->typeText("Ann 2!"); }),
            (std::vector<WPARAM>{'A', 'n', 'n', ' ', '2', '!'}));
}

// Alt makes system keys: Alt+"-" gives WM_SYSCHAR; Alt+F4 ends in SC_CLOSE and WM_CLOSE;
// Alt pressed and released alone gives SC_KEYMENU; F10 is a system key too.
TEST_F(InputTest, SystemKeys)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_SYSMENU | WS_VISIBLE, RECT{0, 0, 640, 480});
  log.override = [](const omtest::Seen& s, bool& handled) -> LRESULT {
    handled = s.message == WM_CLOSE;  // stay alive
    return 0;
  };
  log.clear();
  host->pressKey(VK_MENU);
  host->typeKey(VK_OEM_MINUS);
  host->typeKey(VK_F4);
  host->releaseKey(VK_MENU);
  omtest::pumpAll();
  EXPECT_EQ(log.only({WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP}, frame),
            (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP, WM_SYSKEYDOWN,
                               WM_SYSKEYUP, WM_SYSKEYUP}));
  std::vector<WPARAM> commands;
  for (const auto& s : log.seen)
    if (s.message == WM_SYSCOMMAND) commands.push_back(s.wParam & 0xFFF0);
  EXPECT_EQ(commands, (std::vector<WPARAM>{SC_KEYMENU, SC_CLOSE}));
  EXPECT_EQ(log.count(WM_CLOSE, frame), 1);

  log.clear();
  host->typeKey(VK_MENU);
  host->typeKey(VK_F10);
  omtest::pumpAll();
  commands.clear();
  for (const auto& s : log.seen)
    if (s.message == WM_SYSCOMMAND) commands.push_back(s.wParam & 0xFFF0);
  EXPECT_EQ(commands, (std::vector<WPARAM>{SC_KEYMENU, SC_KEYMENU}));
}

// GetKeyState follows the messages taken; GetAsyncKeyState follows the keys at once.
TEST_F(InputTest, KeyStateAndAsyncKeyState)
{
  omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  host->pressKey(VK_SHIFT);
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  omtest::pumpAll();
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  host->releaseKey(VK_SHIFT);
  omtest::pumpAll();
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  EXPECT_GE(GetAsyncKeyState(VK_SHIFT), 0);
  host->typeKey(VK_CAPITAL);
  omtest::pumpAll();
  EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);  // toggled
}

// VkKeyScanA on the US layout: the key and the shift state that type a character.
TEST_F(InputTest, VkKeyScanUsLayout)
{
  EXPECT_EQ(VkKeyScanA('a'), 'A');
  EXPECT_EQ(VkKeyScanA('A'), 0x100 | 'A');
  EXPECT_EQ(VkKeyScanA('7'), '7');
  EXPECT_EQ(VkKeyScanA('&'), 0x100 | '7');
  EXPECT_EQ(VkKeyScanA('?'), 0x100 | VK_OEM_2);
  EXPECT_EQ(VkKeyScanA(' '), VK_SPACE);
  EXPECT_EQ(VkKeyScanA('\r'), VK_RETURN);
  EXPECT_EQ(VkKeyScanA('\x01'), 0x200 | 'A');
  EXPECT_EQ(VkKeyScanA(static_cast<CHAR>(0xE9)), -1);  // é has no key of its own
}

// The cursor position follows the mouse in screen coordinates, clamped to the screen.
TEST_F(InputTest, CursorPosition)
{
  host->moveMouse(123, 45);
  POINT p;
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p.x, 123);
  EXPECT_EQ(p.y, 45);
  host->moveMouse(5000, -20);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 639);
  EXPECT_EQ(p.y, 0);
}

}  // namespace
