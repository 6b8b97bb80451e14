#include "platform/src/kernel/ThreadObject.h"

#include <process.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <system_error>
#include <thread>

#include "platform/host/HostClock.h"
#include "platform/src/kernel/HandleTable.h"
#include "platform/src/kernel/WorkerThreads.h"

namespace omwin {
namespace {

std::atomic<DWORD> nextThreadId{1};
thread_local DWORD currentThreadId = 0;

DWORD newThreadId()
{
  return nextThreadId.fetch_add(1, std::memory_order_relaxed);
}

// Starts body on a detached thread; the handle's state records its end.
HANDLE startThread(std::function<DWORD()> body, DWORD creationFlags, DWORD* threadId)
{
  if (creationFlags & CREATE_SUSPENDED) {
    SetLastError(ERROR_NOT_SUPPORTED);  // nothing here resumes a thread
    return nullptr;
  }
  auto object = std::make_shared<ThreadObject>();
  const DWORD id = newThreadId();
  WorkerThreads& workers = WorkerThreads::instance();
  auto worker = workers.enrol();
  try {
    std::thread([state = object->state(), body = std::move(body), id, worker, &workers] {
      currentThreadId = id;
      WorkerThreads::enter(worker);
      const DWORD code = body();
      workers.leave(worker);
      std::lock_guard lock(state->mutex);
      state->exitCode = code;
      state->done = true;
      state->finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    workers.leave(worker);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId) *threadId = id;
  return HandleTable::instance().add(std::move(object));
}

}  // namespace

DWORD ThreadObject::waitFor(DWORD milliseconds)
{
  std::unique_lock lock(state_->mutex);
  const auto isDone = [this] { return state_->done; };
  if (milliseconds == INFINITE) {
    state_->finished.wait(lock, isDone);
    return WAIT_OBJECT_0;
  }
  return state_->finished.wait_for(lock, std::chrono::milliseconds(milliseconds), isDone)
             ? WAIT_OBJECT_0
             : WAIT_TIMEOUT;
}

DWORD ThreadObject::exitCode() const
{
  std::lock_guard lock(state_->mutex);
  return state_->exitCode;
}

}  // namespace omwin

// The stack size is ignored: host threads get the host's default, which is always larger.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, LPDWORD threadId)
{
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return omwin::startThread([start, parameter] { return start(parameter); }, creationFlags,
                            threadId);
}

std::uintptr_t _beginthreadex(void*, unsigned, unsigned (*start)(void*), void* argument,
                              unsigned initFlags, unsigned* threadId)
{
  if (!start) return 0;
  DWORD id = 0;
  HANDLE handle = omwin::startThread(
      [start, argument] { return static_cast<DWORD>(start(argument)); }, initFlags, &id);
  if (handle && threadId) *threadId = id;
  return reinterpret_cast<std::uintptr_t>(handle);
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode)
{
  const auto object = omwin::HandleTable::instance().findAs<omwin::ThreadObject>(thread);
  if (!object || !exitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exitCode = object->exitCode();
  return TRUE;
}

DWORD GetCurrentThreadId(void)
{
  if (omwin::currentThreadId == 0) omwin::currentThreadId = omwin::newThreadId();
  return omwin::currentThreadId;
}

void Sleep(DWORD milliseconds)
{
  // A stepping clock stands for time passing: a sleep moves it on instead of the real one, so
  // that a loop that waits for the clock ends.
  if (milliseconds != 0 && omhost::clockStep() != 0) {
    omhost::advanceClock(milliseconds);
    std::this_thread::yield();
    return;
  }
  if (milliseconds == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
