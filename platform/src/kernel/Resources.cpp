// FindResourceA and its relatives over the compiled resource tables of modules.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <omresource.h>
#include <windows.h>

#include "platform/src/kernel/Codepage.h"
#include "platform/src/kernel/ModuleTable.h"

namespace {

// A resource name or type as the caller gives it: a number, or a text ("#12" is a number).
struct Key {
  bool isNumber = false;
  unsigned number = 0;
  std::string text;
};

Key keyOf(LPCSTR given)
{
  Key key;
  if (IS_INTRESOURCE(given)) {
    key.isNumber = true;
    key.number = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(given));
  } else if (given[0] == '#') {
    key.isNumber = true;
    key.number = static_cast<unsigned>(std::strtoul(given + 1, nullptr, 10));
  } else {
    key.text = given;
  }
  return key;
}

bool matches(const Key& key, const char* text, unsigned number)
{
  if (key.isNumber) return !text && number == key.number;
  return text && omwin::equalsIgnoringCase(key.text, text);
}

const OMResourceTable* tableOf(HMODULE module)
{
  return omwin::ModuleTable::instance().resources(module);
}

}  // namespace

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
  const OMResourceTable* table = tableOf(module);
  if (!table || !name || !type) {
    SetLastError(table ? ERROR_INVALID_PARAMETER : ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  const Key nameKey = keyOf(name);
  const Key typeKey = keyOf(type);
  for (std::size_t i = 0; i < table->count; ++i) {
    const OMResourceEntry& entry = table->entries[i];
    if (matches(typeKey, entry.typeName, entry.typeId) && matches(nameKey, entry.name, entry.id))
      return reinterpret_cast<HRSRC>(const_cast<OMResourceEntry*>(&entry));
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
  if (!resource) return nullptr;
  // Resources are read-only data of the module; the handle is their address.
  return const_cast<unsigned char*>(reinterpret_cast<const OMResourceEntry*>(resource)->data);
}

LPVOID LockResource(HGLOBAL resourceData)
{
  return resourceData;
}

DWORD SizeofResource(HMODULE, HRSRC resource)
{
  return resource ? reinterpret_cast<const OMResourceEntry*>(resource)->size : 0;
}

BOOL FreeResource(HGLOBAL)
{
  return FALSE;  // nothing to free: the data lives as long as its module
}

BOOL EnumResourceTypesA(HMODULE module, ENUMRESTYPEPROCA callback, LONG_PTR parameter)
{
  const OMResourceTable* table = tableOf(module);
  if (!table || !callback) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return FALSE;
  }
  std::vector<const OMResourceEntry*> seen;
  for (std::size_t i = 0; i < table->count; ++i) {
    const OMResourceEntry& entry = table->entries[i];
    bool known = false;
    for (const auto* other : seen) {
      known = known ||
              (entry.typeName ? other->typeName && std::strcmp(other->typeName, entry.typeName) == 0
                              : !other->typeName && other->typeId == entry.typeId);
    }
    if (known) continue;
    seen.push_back(&entry);
    LPSTR type =
        entry.typeName ? const_cast<LPSTR>(entry.typeName) : MAKEINTRESOURCEA(entry.typeId);
    if (!callback(module, type, parameter)) break;
  }
  return TRUE;
}

BOOL EnumResourceNamesA(HMODULE module, LPCSTR type, ENUMRESNAMEPROCA callback, LONG_PTR parameter)
{
  const OMResourceTable* table = tableOf(module);
  if (!table || !callback || !type) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return FALSE;
  }
  const Key typeKey = keyOf(type);
  bool any = false;
  for (std::size_t i = 0; i < table->count; ++i) {
    const OMResourceEntry& entry = table->entries[i];
    if (!matches(typeKey, entry.typeName, entry.typeId)) continue;
    any = true;
    LPSTR name = entry.name ? const_cast<LPSTR>(entry.name) : MAKEINTRESOURCEA(entry.id);
    if (!callback(module, type, name, parameter)) break;
  }
  if (!any) SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return any ? TRUE : FALSE;
}
