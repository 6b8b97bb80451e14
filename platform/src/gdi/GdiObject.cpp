#include "platform/src/gdi/GdiObject.h"

#include <unordered_map>

namespace omgdi {

namespace {

std::unordered_map<const void*, std::unique_ptr<GdiObject>>& handleTable()
{
  static std::unordered_map<const void*, std::unique_ptr<GdiObject>> table;
  return table;
}

}  // namespace

HGDIOBJ registerObject(std::unique_ptr<GdiObject> object)
{
  GdiObject* raw = object.get();
  if (raw == nullptr) return nullptr;
  handleTable().emplace(raw, std::move(object));
  return raw;
}

GdiObject* lookupObject(HGDIOBJ handle)
{
  if (handle == nullptr) return nullptr;
  auto found = handleTable().find(handle);
  return found == handleTable().end() ? nullptr : found->second.get();
}

void destroyObject(HGDIOBJ handle)
{
  auto found = handleTable().find(handle);
  if (found == handleTable().end()) return;
  // Move the object out first: its destructor may release other handles.
  std::unique_ptr<GdiObject> doomed = std::move(found->second);
  handleTable().erase(found);
}

void retainObject(HGDIOBJ handle)
{
  if (GdiObject* object = lookupObject(handle)) object->retain();
}

void releaseObject(HGDIOBJ handle)
{
  GdiObject* object = lookupObject(handle);
  if (object != nullptr && object->release()) destroyObject(handle);
}

}  // namespace omgdi

BOOL DeleteObject(HGDIOBJ handle)
{
  using namespace omgdi;
  GdiObject* object = lookupObject(handle);
  if (object == nullptr) return FALSE;
  if (object->isStock()) return TRUE;
  if (object->type() == OBJ_DC || object->type() == OBJ_MEMDC) return FALSE;
  if (object->isSelected()) {
    object->markDeletePending();
    return TRUE;
  }
  destroyObject(handle);
  return TRUE;
}

DWORD GetObjectType(HGDIOBJ handle)
{
  omgdi::GdiObject* object = omgdi::lookupObject(handle);
  return object == nullptr ? 0 : object->type();
}
