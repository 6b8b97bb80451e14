#include "platform/src/gdi/GdiObjectTable.h"

#include <wingdi.h>

namespace omgdi {

GdiObjectTable& GdiObjectTable::instance()
{
  static GdiObjectTable table;
  return table;
}

GdiObjectTable::~GdiObjectTable()
{
  // Objects still alive at exit go one at a time, each out of the table before it ends: its
  // destructor may look up another object, which it must find whole or not at all.
  for (;;) {
    std::unique_ptr<GdiObject> doomed;
    {
      std::lock_guard lock(mutex_);
      if (objects_.empty()) return;
      const auto it = objects_.begin();
      doomed = std::move(it->second);
      objects_.erase(it);
    }
  }
}

HGDIOBJ GdiObjectTable::add(std::unique_ptr<GdiObject> object)
{
  if (!object) return nullptr;
  std::lock_guard lock(mutex_);
  // Steps of 4 keep the low bits clear, as handles of the system we stand in for have them.
  const std::uintptr_t key = nextHandle_;
  nextHandle_ += 4;
  objects_.emplace(key, std::move(object));
  return reinterpret_cast<HGDIOBJ>(key);
}

GdiObject* GdiObjectTable::find(HGDIOBJ handle) const
{
  std::lock_guard lock(mutex_);
  const auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == objects_.end() ? nullptr : it->second.get();
}

bool GdiObjectTable::destroy(HGDIOBJ handle)
{
  std::unique_ptr<GdiObject> doomed;
  {
    std::lock_guard lock(mutex_);
    const auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == objects_.end()) return false;
    if (it->second->isStock()) return true;
    if (!it->second->canDelete()) return false;
    doomed = std::move(it->second);
    objects_.erase(it);
  }
  // Destroyed outside the lock: a destructor may release other objects.
  return true;
}

bool GdiObjectTable::remove(HGDIOBJ handle)
{
  std::unique_ptr<GdiObject> doomed;
  std::lock_guard lock(mutex_);
  const auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == objects_.end()) return false;
  doomed = std::move(it->second);
  objects_.erase(it);
  return true;
}

std::size_t GdiObjectTable::size() const
{
  std::lock_guard lock(mutex_);
  return objects_.size();
}

}  // namespace omgdi

BOOL WINAPI DeleteObject(HGDIOBJ object)
{
  return omgdi::GdiObjectTable::instance().destroy(object) ? TRUE : FALSE;
}

DWORD WINAPI GetObjectType(HGDIOBJ object)
{
  const omgdi::GdiObject* found = omgdi::GdiObjectTable::instance().find(object);
  return found != nullptr ? found->kind() : 0;
}
