#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include <windows.h>

#include "platform/src/kernel/KernelObject.h"

namespace omwin {

// The process's kernel handles. Values are never reused, so a closed handle stays invalid;
// objects are shared so that a wait in progress keeps its object alive through a close.
class HandleTable {
 public:
  static HandleTable& instance();

  HANDLE add(std::shared_ptr<KernelObject> object);
  std::shared_ptr<KernelObject> find(HANDLE handle) const;
  template <class T>
  std::shared_ptr<T> findAs(HANDLE handle) const
  {
    return std::dynamic_pointer_cast<T>(find(handle));
  }
  // False when the handle is not open.
  bool remove(HANDLE handle);

 private:
  mutable std::mutex mutex_;
  std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> objects_;
  std::uintptr_t next_ = 0x100;
};

}  // namespace omwin
