#pragma once

#include <windef.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/src/gdi/GdiObject.h"

namespace omgdi {

// The process's table of GDI objects. Handles are small numbers that are never reused while
// the process runs, so a stale handle finds nothing instead of another object.
class GdiObjectTable {
 public:
  static GdiObjectTable& instance();

  HGDIOBJ add(std::unique_ptr<GdiObject> object);
  GdiObject* find(HGDIOBJ handle) const;
  template <typename T>
  T* find(HGDIOBJ handle, DWORD kind) const
  {
    GdiObject* object = find(handle);
    return object != nullptr && object->kind() == kind ? static_cast<T*>(object) : nullptr;
  }
  // DeleteObject's rules: unknown handles fail, stock objects stay and succeed, objects that
  // refuse deletion fail.
  bool destroy(HGDIOBJ handle);
  // Takes an object out whatever its rules (its owner ends it).
  bool remove(HGDIOBJ handle);
  std::size_t size() const;

 private:
  GdiObjectTable() = default;
  ~GdiObjectTable();

  mutable std::mutex mutex_;
  std::unordered_map<std::uintptr_t, std::unique_ptr<GdiObject>> objects_;
  std::uintptr_t nextHandle_ = 0x10000;
};

}  // namespace omgdi
