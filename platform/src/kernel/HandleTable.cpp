#include "platform/src/kernel/HandleTable.h"

namespace omwin {

HandleTable& HandleTable::instance()
{
  // Never destroyed: detached threads may still close handles while the program exits.
  static HandleTable* const table = new HandleTable;
  return *table;
}

HANDLE HandleTable::add(std::shared_ptr<KernelObject> object)
{
  std::lock_guard lock(mutex_);
  const std::uintptr_t value = next_;
  next_ += 4;
  objects_.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> HandleTable::find(HANDLE handle) const
{
  std::lock_guard lock(mutex_);
  const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
  return found == objects_.end() ? nullptr : found->second;
}

bool HandleTable::remove(HANDLE handle)
{
  std::shared_ptr<KernelObject> closing;  // destroyed outside the lock
  std::lock_guard lock(mutex_);
  const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (found == objects_.end()) return false;
  closing = std::move(found->second);
  objects_.erase(found);
  return true;
}

}  // namespace omwin

BOOL CloseHandle(HANDLE object)
{
  if (omwin::HandleTable::instance().remove(object)) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
