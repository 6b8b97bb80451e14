#pragma once

#include <memory>

#include <wingdi.h>

#include "platform/src/gdi/GdiObject.h"
#include "platform/src/gdi/GdiObjectTable.h"

namespace omgdi {

// Short forms of the handle table for the drawing code. A handle whose object was deleted
// finds nothing, so a context that still names a deleted pen or bitmap simply draws nothing.
inline HGDIOBJ registerObject(std::unique_ptr<GdiObject> object)
{
  return GdiObjectTable::instance().add(std::move(object));
}

inline GdiObject* lookupObject(HGDIOBJ handle)
{
  return handle == nullptr ? nullptr : GdiObjectTable::instance().find(handle);
}

template <class T>
T* lookup(HGDIOBJ handle, DWORD kind)
{
  return handle == nullptr ? nullptr : GdiObjectTable::instance().find<T>(handle, kind);
}

}  // namespace omgdi
