// The headless host's input script drives windows like a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/host/HostClock.h"
#include "tests/support/WindowTestSupport.h"

namespace {

using omtest::MessageLog;

class InputScriptTest : public ::testing::Test {
 protected:
  void SetUp() override { host = &omtest::startSession(); }
  omhost::HeadlessHost* host = nullptr;
  MessageLog log;
};

// Timed lines wait for the clock; a program waiting in GetMessageA on the manual clock moves
// the clock to the next line's time.
TEST_F(InputScriptTest, ScriptDrivesATestWindow)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  omtest::pumpAll();
  log.clear();
  std::string error;
  ASSERT_TRUE(
      host->parseInputScript("# a short session\n"
                             "at 10500 click 320 240\n"
                             "key F5\n"
                             "at 12000 text Ann\n"
                             "close\n",
                             error))
      << error;
  MSG msg;
  // Not yet due.
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  std::vector<UINT> got;
  int guard = 0;
  while (IsWindow(frame) && guard++ < 100) {
    GetMessageA(&msg, nullptr, 0, 0);
    if (msg.message == WM_KEYDOWN || msg.message == WM_LBUTTONDOWN || msg.message == WM_CHAR)
      got.push_back(msg.message);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_TRUE(host->scriptFinished());
  EXPECT_EQ(timeGetTime(), 12000u);
  const std::vector<UINT> expected{WM_LBUTTONDOWN, WM_KEYDOWN,           // click, F5 (no character)
                                   WM_KEYDOWN,     WM_KEYDOWN, WM_CHAR,  // Shift, A
                                   WM_KEYDOWN,     WM_CHAR,    WM_KEYDOWN, WM_CHAR};
  EXPECT_EQ(got, expected);
  std::string typed;
  for (const auto& s : log.seen)
    if (s.message == WM_CHAR) typed += static_cast<char>(s.wParam);
  EXPECT_EQ(typed, "Ann");
}

// A malformed script is refused whole, naming the line.
TEST_F(InputScriptTest, MalformedScriptsAreRefused)
{
  std::string error;
  EXPECT_FALSE(host->parseInputScript("click 1 2\nclick 1\n", error));
  EXPECT_NE(error.find("line 2"), std::string::npos);
  EXPECT_FALSE(host->parseInputScript("key NoSuchKey\n", error));
  EXPECT_FALSE(host->parseInputScript("at soon click 1 2\n", error));
  EXPECT_FALSE(host->parseInputScript("move 1 2 3\n", error));
  EXPECT_TRUE(host->scriptFinished());
  EXPECT_FALSE(host->loadInputScript("/nonexistent/input.txt", error));
}

}  // namespace
