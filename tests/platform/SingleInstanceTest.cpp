// A second copy of a program finds the first by its frame class and brings it forward.
#include <gtest/gtest.h>

#include <windows.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/src/user/InstanceRegistry.h"
#include "tests/support/WindowTestSupport.h"

namespace {

constexpr const char* kClass = "ZEB: Demo 1.0";

bool closed(int fd)
{
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1;
}

// What the first copy saw, as its exit code: 1 restored, 2 raised, 4 its host window asked to
// come forward. It runs until the second copy closes its end of the done pipe.
int runFirstCopy(int readyPipe, int donePipe)
{
  omhost::HeadlessHost& host = omtest::startSession();
  omuser::InstanceRegistry::instance().setEnabled(true);
  WNDCLASSEXA c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = &DefWindowProcA;
  c.lpszClassName = kClass;
  if (!RegisterClassExA(&c)) return 90;
  HWND frame = CreateWindowExA(0, kClass, "Demo", 0x02CA0000 | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                               nullptr, nullptr, nullptr);
  HWND other = CreateWindowExA(0, kClass, "Other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
  ShowWindow(frame, SW_MINIMIZE);
  if (!IsIconic(frame) || GetActiveWindow() != other) return 91;
  if (::write(readyPipe, "R", 1) != 1) return 92;
  int seen = 0;
  for (int pass = 0; pass < 300; ++pass) {
    MSG msg;
    GetMessageA(&msg, nullptr, 0, 0);
    DispatchMessageA(&msg);
    if (!IsIconic(frame)) seen |= 1;
    if (GetActiveWindow() == frame) seen |= 2;
    if (host.raiseCount() > 0) seen |= 4;
    if (closed(donePipe)) break;
  }
  // Requests that came just before the end.
  omtest::pumpAll();
  if (!IsIconic(frame)) seen |= 1;
  if (GetActiveWindow() == frame) seen |= 2;
  if (host.raiseCount() > 0) seen |= 4;
  return seen;
}

// FindWindowA by class finds the frame of another running process; IsIconic,
// SendMessageA(WM_SYSCOMMAND, SC_RESTORE), BringWindowToTop and SetForegroundWindow reach it
// (and its host restores and raises the real window);
// without a running copy FindWindowA finds nothing.
TEST(SingleInstanceTest, SecondCopyRestoresAndRaisesTheFirst)
{
  const std::string runtime =
      (std::filesystem::temp_directory_path() / ("om-instance-test-" + std::to_string(::getpid())))
          .string();
  std::filesystem::create_directories(runtime);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  omtest::startSession();
  EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr);

  int ready[2], done[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(done), 0);
  const pid_t first = ::fork();
  ASSERT_GE(first, 0);
  if (first == 0) {
    ::close(ready[0]);
    ::close(done[1]);
    const int code = runFirstCopy(ready[1], done[0]);
    omuser::InstanceRegistry::instance().clear();
    ::_exit(code);
  }
  ::close(ready[1]);
  ::close(done[0]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);  // the first copy's window is up
  ::close(ready[0]);

  HWND found = FindWindowA(kClass, nullptr);
  ASSERT_NE(found, nullptr);
  EXPECT_FALSE(IsWindow(found));  // not a window of this process
  HWND popup = GetLastActivePopup(found);
  EXPECT_EQ(popup, found);
  EXPECT_TRUE(IsIconic(popup));
  SendMessageA(popup, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(BringWindowToTop(popup));
  EXPECT_TRUE(SetForegroundWindow(popup));
  ::close(done[1]);

  int status = 0;
  ASSERT_EQ(::waitpid(first, &status, 0), first);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);                 // restored and raised, its host window too
  EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr);  // gone with its process
  ::unsetenv("XDG_RUNTIME_DIR");
  std::filesystem::remove_all(runtime);
}

}  // namespace
