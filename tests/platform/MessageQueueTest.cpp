// The queue: ranges, removal, posted messages before input, WM_QUIT, waiting.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/host/Host.h"
#include "tests/support/WindowTestSupport.h"

namespace {

using omtest::MessageLog;

class MessageQueueTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    host = &omtest::startSession();
    frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
    omtest::pumpAll();
    log.clear();
  }
  omhost::HeadlessHost* host = nullptr;
  HWND frame = nullptr;
  MessageLog log;
};

// PeekMessageA with a range takes only messages inside it, leaving the others in order;
// PM_NOREMOVE leaves the message where it is.
TEST_F(MessageQueueTest, PeekRangesTakeOnlyTheirMessages)
{
  host->moveMouse(10, 10);
  host->typeKey('Q');
  PostMessageA(frame, WM_USER + 1, 0, 0);
  host->click(20, 20);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
  // Flushing mouse messages leaves the keys and the posted message.
  int mouse = 0;
  while (PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE | PM_NOYIELD))
    ++mouse;
  EXPECT_EQ(mouse, 4);  // move, move to (20, 20), press, release
  while (PeekMessageA(&msg, nullptr, WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK, PM_REMOVE | PM_NOYIELD)) {
  }
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));  // posted messages come first
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYUP, WM_KEYUP, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYUP));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

// A window filter takes the messages of that window and its children only; (HWND)-1 takes
// messages posted to no window.
TEST_F(MessageQueueTest, WindowFilters)
{
  HWND child = omtest::makeChild(frame, WS_VISIBLE, RECT{0, 0, 10, 10});
  HWND other = omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 10, 10});
  omtest::pumpAll();
  PostMessageA(other, WM_USER, 1, 0);
  PostMessageA(nullptr, WM_USER, 2, 0);
  PostMessageA(child, WM_USER, 3, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, frame, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
  ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_FALSE(PeekMessageA(&msg, frame, 0, 0, PM_REMOVE));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 1u);
  EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x12345), WM_USER, 0, 0));
}

// Messages posted to a window that is destroyed are dropped.
TEST_F(MessageQueueTest, MessagesOfDestroyedWindowsAreDropped)
{
  HWND other = omtest::makeTopLevel(WS_POPUP, RECT{0, 0, 10, 10});
  PostMessageA(other, WM_USER, 0, 0);
  DestroyWindow(other);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

// The layer never makes WM_QUIT itself; PostQuitMessage does, after the posted messages, and
// GetMessageA answers FALSE for it. With nothing to wait for, the headless GetMessageA gives
// an empty message (0) rather than blocking for ever.
TEST_F(MessageQueueTest, QuitAndWaiting)
{
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_NULL));
  PostQuitMessage(3);
  PostMessageA(frame, WM_USER, 0, 0);
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  // A waiting GetMessageA lets the test's idle handler bring input.
  host->setIdleHandler([this] { host->typeKey('X'); });
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
  host->setIdleHandler(nullptr);
}

// A close request from the host arrives as WM_CLOSE for the active window; the default
// procedure destroys it.
TEST_F(MessageQueueTest, HostCloseRequest)
{
  host->requestClose();
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_CLOSE, frame), 1);
  EXPECT_FALSE(IsWindow(frame));
}

// DispatchMessageA calls the procedure of the message's window with its parameters.
TEST_F(MessageQueueTest, DispatchCallsTheProcedure)
{
  log.override = [](const omtest::Seen& s, bool& handled) -> LRESULT {
    handled = s.message == WM_USER;
    return static_cast<LRESULT>(s.wParam + s.lParam);
  };
  const MSG msg{frame, WM_USER, 40, 2, 0, {0, 0}};
  EXPECT_EQ(DispatchMessageA(&msg), 42);
}

}  // namespace

namespace {

// Another thread may post; the message arrives in order behind those already posted.
TEST_F(MessageQueueTest, PostingFromAnotherThread)
{
  PostMessageA(frame, WM_USER, 1, 0);
  std::thread worker([this] { PostMessageA(frame, WM_USER, 2, 0); });
  worker.join();
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 1u);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 2u);
}

}  // namespace

namespace {

// Counts the host's idle waits instead of waiting.
class IdleCountingHost : public omhost::HeadlessHost {
 public:
  void idle(std::uint32_t milliseconds) override
  {
    ++waits;
    longest = std::max(longest, milliseconds);
  }
  int waits = 0;
  std::uint32_t longest = 0;
};

void spin(std::chrono::microseconds length)
{
  const auto end = std::chrono::steady_clock::now() + length;
  while (std::chrono::steady_clock::now() < end) {
  }
}

// A loop that polls with nothing to do waits in its empty peeks, on the real clock only: briefly
// while the screen changes, up to two display refreshes once nothing has been drawn for a while;
// a pass that has work (a message, an event set, a long computation, even one that comes after a
// second peek) never waits.
TEST_F(MessageQueueTest, OnlyAStillLoopWaitsInItsEmptyPeeks)
{
  struct Case {
    const char* name;
    bool manualClock;
    std::function<void(HWND)> work;
    std::uint32_t longestWait;  // 0: never waits
  };
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const Case cases[] = {
      {"still", false, [](HWND) {}, 32},
      {"still, drawing on the screen", false, [](HWND) { ++omhost::host().screen().drawCount; },
       10},
      {"still on the manual clock", true, [](HWND) {}, 0},
      {"a message each pass", false, [](HWND w) { PostMessageA(w, WM_USER, 0, 0); }, 0},
      {"an event each pass", false, [event](HWND) { SetEvent(event); }, 0},
      {"a long pass", false, [](HWND) { spin(std::chrono::milliseconds(2)); }, 0},
      {"work after a second peek", false,
       [](HWND) {
         MSG msg;
         PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
         spin(std::chrono::milliseconds(2));
       },
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto counting = std::make_unique<IdleCountingHost>();
    IdleCountingHost& counted = *counting;
    omhost::setHost(std::move(counting));
    if (c.manualClock)
      omhost::useManualClock(0);
    else
      omhost::useRealClock();
    constexpr int kPasses = 40;
    c.work(frame);  // the pass before the first
    for (int pass = 0; pass < kPasses; ++pass) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
      c.work(frame);
    }
    if (c.longestWait != 0) {
      EXPECT_GE(counted.waits, kPasses / 2);  // most passes (a busy machine may stretch some)
      EXPECT_GT(counted.longest, 0u);
      EXPECT_LE(counted.longest, c.longestWait);
    } else {
      EXPECT_EQ(counted.waits, 0);
    }
  }
  omhost::useManualClock(0);
  CloseHandle(event);
}

}  // namespace
