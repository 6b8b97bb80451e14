#include <gtest/gtest.h>

#include <process.h>
#include <windows.h>

#include <atomic>
#include <vector>

namespace {

constexpr int kHandshakes = 100000;

// The background file worker's protocol: an auto-reset request event that starts clear, a
// done event that starts signalled; the owner waits for done, resets it (manual reset) or
// has it consumed by the wait (auto reset), writes the request and sets the request event.
struct Handshake {
  HANDLE request = nullptr;
  HANDLE done = nullptr;
  bool doneIsManual = true;
  // Plain fields: the events alone must order them.
  int command = 0;
  long long payload = 0;
  long long answer = 0;
};

DWORD WINAPI worker(LPVOID parameter)
{
  auto* shake = static_cast<Handshake*>(parameter);
  for (;;) {
    if (WaitForSingleObject(shake->request, INFINITE) != WAIT_OBJECT_0) return 1;
    const int command = shake->command;
    if (command == 2) shake->answer += shake->payload;
    SetEvent(shake->done);
    if (command == 4) return 7;
  }
}

void runHandshakes(bool doneIsManual)
{
  Handshake shake;
  shake.doneIsManual = doneIsManual;
  shake.request = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  shake.done = CreateEventA(nullptr, doneIsManual ? TRUE : FALSE, TRUE, nullptr);
  ASSERT_NE(shake.request, nullptr);
  ASSERT_NE(shake.done, nullptr);
  HANDLE thread = CreateThread(nullptr, 4096, worker, &shake, 0, nullptr);
  ASSERT_NE(thread, nullptr);

  long long expected = 0;
  for (int i = 1; i <= kHandshakes; ++i) {
    ASSERT_EQ(WaitForSingleObject(shake.done, INFINITE), WAIT_OBJECT_0);
    if (doneIsManual) ResetEvent(shake.done);
    // Until the next request is answered, a poll finds the done event clear.
    ASSERT_EQ(WaitForSingleObject(shake.done, 0), WAIT_TIMEOUT);
    shake.command = 2;
    shake.payload = i;
    expected += i;
    SetEvent(shake.request);
  }
  ASSERT_EQ(WaitForSingleObject(shake.done, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(shake.answer, expected);
  if (doneIsManual) ResetEvent(shake.done);
  shake.command = 4;
  SetEvent(shake.request);
  EXPECT_EQ(WaitForSingleObject(shake.done, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_TRUE(CloseHandle(shake.request));
  EXPECT_TRUE(CloseHandle(shake.done));
}

}  // namespace

TEST(ThreadsTest, TwoEventHandshakeWithManualResetDone)
{
  runHandshakes(true);
}

TEST(ThreadsTest, TwoEventHandshakeWithAutoResetDone)
{
  runHandshakes(false);
}

TEST(ThreadsTest, EventsKeepTheirResetKindAndInitialState)
{
  HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  SetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);  // stays signalled
  ResetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

  HANDLE automatic = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);  // the wait consumed it
  SetEvent(automatic);
  SetEvent(automatic);  // setting twice does not count twice
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);

  EXPECT_TRUE(CloseHandle(manual));
  EXPECT_TRUE(CloseHandle(automatic));
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(manual));
  EXPECT_FALSE(ResetEvent(nullptr));
}

TEST(ThreadsTest, BeginThreadExRunsAndReportsItsCode)
{
  std::atomic<int> ran{0};
  unsigned id = 0;
  const std::uintptr_t handle = _beginthreadex(
      nullptr, 4096,
      [](void* argument) -> unsigned {
        static_cast<std::atomic<int>*>(argument)->store(GetCurrentThreadId() != 0 ? 1 : 2);
        return 42;
      },
      &ran, 0, &id);
  ASSERT_NE(handle, 0u);
  EXPECT_NE(id, 0u);
  HANDLE thread = reinterpret_cast<HANDLE>(handle);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(ran.load(), 1);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  EXPECT_EQ(code, 42u);
  EXPECT_NE(GetCurrentThreadId(), id);
  CloseHandle(thread);
}

TEST(ThreadsTest, CriticalSectionsAreReentrantAndExclusive)
{
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EnterCriticalSection(&section);  // the owner enters again without blocking
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);

  struct Shared {
    CRITICAL_SECTION* section;
    long long counter = 0;
  } shared{&section};
  auto body = [](LPVOID parameter) -> DWORD {
    auto* data = static_cast<Shared*>(parameter);
    for (int i = 0; i < 20000; ++i) {
      EnterCriticalSection(data->section);
      EnterCriticalSection(data->section);
      ++data->counter;
      LeaveCriticalSection(data->section);
      LeaveCriticalSection(data->section);
    }
    return 0;
  };
  std::vector<HANDLE> threads;
  for (int i = 0; i < 4; ++i)
    threads.push_back(CreateThread(nullptr, 0, body, &shared, 0, nullptr));
  for (HANDLE thread : threads) {
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
  }
  EXPECT_EQ(shared.counter, 80000);
  DeleteCriticalSection(&section);
}

TEST(ThreadsTest, SuspendedStartIsRefusedRatherThanNeverRun)
{
  auto body = [](LPVOID) -> DWORD { return 0; };
  EXPECT_EQ(CreateThread(nullptr, 0, body, nullptr, CREATE_SUSPENDED, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}
