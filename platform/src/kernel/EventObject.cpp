#include "platform/src/kernel/EventObject.h"

#include <chrono>

#include "platform/host/HostActivity.h"
#include "platform/src/kernel/HandleTable.h"
#include "platform/src/kernel/WorkerThreads.h"

namespace omwin {
namespace {

void pauseBriefly()
{
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

bool EventObject::tryTake()
{
  if (manualReset_) return signalled_.load(std::memory_order_acquire);
  bool expected = true;
  return signalled_.compare_exchange_strong(expected, false, std::memory_order_acq_rel,
                                            std::memory_order_acquire);
}

DWORD EventObject::waitFor(DWORD milliseconds)
{
  // About a microsecond: long enough for a partner that is running to answer, too short to
  // take the processor from one that is not (yielding in a loop on a busy machine hands it
  // whole time slices of other programs, while a blocked waiter is woken at once).
  constexpr int kSpins = 64;
  if (tryTake()) return WAIT_OBJECT_0;
  if (milliseconds == 0) return WAIT_TIMEOUT;
  WorkerThreads& workers = WorkerThreads::instance();
  // A worker that a stepping clock waits for goes to rest at once: its spin would only hold
  // the clock up.
  const int spins = workers.isWaitedFor() ? 0 : kSpins;
  for (int i = 0; i < spins; ++i) {
    if (signalled_.load(std::memory_order_relaxed) && tryTake()) return WAIT_OBJECT_0;
    pauseBriefly();
  }
  std::unique_lock lock(mutex_);
  ++sleepers_;
  workers.beginWait(signalled_);
  const auto taken = [this, &workers] { return workers.takeSignal([this] { return tryTake(); }); };
  bool ok = true;
  if (milliseconds == INFINITE)
    changed_.wait(lock, taken);
  else
    ok = changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), taken);
  workers.endWait();
  --sleepers_;
  return ok ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

void EventObject::set()
{
  // Stored under the lock, so a waiter about to sleep cannot miss it.
  std::lock_guard lock(mutex_);
  signalled_.store(true, std::memory_order_release);
  if (sleepers_ == 0) return;
  if (manualReset_)
    changed_.notify_all();
  else
    changed_.notify_one();
}

void EventObject::reset()
{
  signalled_.store(false, std::memory_order_release);
}

}  // namespace omwin

namespace {

std::shared_ptr<omwin::EventObject> eventFor(HANDLE handle)
{
  auto event = omwin::HandleTable::instance().findAs<omwin::EventObject>(handle);
  if (!event) SetLastError(ERROR_INVALID_HANDLE);
  return event;
}

}  // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR)
{
  // Named events are not shared between processes here; the callers use unnamed ones.
  return omwin::HandleTable::instance().add(
      std::make_shared<omwin::EventObject>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event)
{
  const auto object = eventFor(event);
  if (!object) return FALSE;
  object->set();
  omhost::noteActivity();  // a worker's answer ends the main loop's idle wait
  return TRUE;
}

BOOL ResetEvent(HANDLE event)
{
  const auto object = eventFor(event);
  if (!object) return FALSE;
  object->reset();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
  const auto waitable = omwin::HandleTable::instance().find(object);
  if (!waitable) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return waitable->waitFor(milliseconds);
}
