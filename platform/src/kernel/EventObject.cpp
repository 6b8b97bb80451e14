#include "platform/src/kernel/EventObject.h"

#include <chrono>

#include "platform/src/kernel/HandleTable.h"

namespace omwin {

DWORD EventObject::waitFor(DWORD milliseconds)
{
  std::unique_lock lock(mutex_);
  const auto isSignalled = [this] { return signalled_; };
  if (milliseconds == INFINITE) {
    changed_.wait(lock, isSignalled);
  } else if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), isSignalled)) {
    return WAIT_TIMEOUT;
  }
  if (!manualReset_) signalled_ = false;
  return WAIT_OBJECT_0;
}

void EventObject::set()
{
  std::lock_guard lock(mutex_);
  signalled_ = true;
  if (manualReset_)
    changed_.notify_all();
  else
    changed_.notify_one();
}

void EventObject::reset()
{
  std::lock_guard lock(mutex_);
  signalled_ = false;
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
