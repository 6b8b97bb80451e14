#include "framework/OMResModule.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "framework/OMPathDirectory.h"
#include "framework/OMResHandle.h"
#include "framework/OMResourceType.h"

namespace {

std::vector<OMResModule*>& moduleList()
{
  static auto& all = *new std::vector<OMResModule*>;
  return all;
}

std::unique_ptr<OMResModule>& defaultSlot()
{
  static auto& slot = *new std::unique_ptr<OMResModule>;
  return slot;
}

// The code a library load ends with: the module, or a value below 33 that tells why not.
std::uintptr_t loadLibraryQuietly(const std::string& path)
{
  const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(path.c_str());
  const DWORD why = module ? 0 : GetLastError();
  SetErrorMode(oldMode);
  if (module) return reinterpret_cast<std::uintptr_t>(module);
  const bool missing =
      why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND || why == ERROR_MOD_NOT_FOUND;
  return missing ? 2 : 0;
}

OMResModule::ResourceName nameOf(const char* listed)
{
  if (isResourceNumber(listed)) return {numberOfResource(listed), {}};
  return {0, listed ? listed : ""};
}

BOOL CALLBACK collectType(HMODULE, LPSTR type, LONG_PTR names)
{
  reinterpret_cast<std::vector<OMResModule::ResourceName>*>(names)->push_back(nameOf(type));
  return TRUE;
}

BOOL CALLBACK collectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names)
{
  reinterpret_cast<std::vector<OMResModule::ResourceName>*>(names)->push_back(nameOf(name));
  return TRUE;
}

}  // namespace

OMResModule::OMResModule(const char* fileName)
{
  moduleList().push_back(this);
  if (!fileName || !*fileName) return;
  std::optional<std::string> path = findFileOnSearchPath(fileName);
  const std::uintptr_t result = path ? loadLibraryQuietly(*path) : 2;
  if (result < 33) {
    error_ = result == 2 || result == 3 ? notFound : notLoaded;
    moduleHandle_ = nullptr;
    return;
  }
  moduleHandle_ = reinterpret_cast<HMODULE>(result);
  fileName_ = fileName;
}

OMResModule::~OMResModule()
{
  auto& all = moduleList();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
  if (moduleHandle_ && handles_.empty()) FreeLibrary(moduleHandle_);
  // Handles that outlive their module no longer reach it.
  for (OMResHandle* handle : handles_)
    handle->module_ = nullptr;
  handles_.clear();
}

OMResModule& OMResModule::defaultModule()
{
  if (!defaultSlot()) defaultSlot() = std::make_unique<OMResModule>(nullptr);
  return *defaultSlot();
}

void OMResModule::releaseDefaultModule()
{
  defaultSlot().reset();
}

const std::vector<OMResModule*>& OMResModule::modules()
{
  return moduleList();
}

HMODULE OMResModule::instance() const
{
  return moduleHandle_ ? moduleHandle_ : GetModuleHandleA(nullptr);
}

std::vector<OMResModule::ResourceName> OMResModule::resourceTypes() const
{
  std::vector<ResourceName> types;
  if (error_ == none)
    EnumResourceTypesA(instance(), &collectType, reinterpret_cast<LONG_PTR>(&types));
  return types;
}

std::vector<OMResModule::ResourceName> OMResModule::resourceNames(const char* typeName) const
{
  std::vector<ResourceName> names;
  if (error_ == none && typeName)
    EnumResourceNamesA(instance(), typeNumber(typeName), &collectName,
                       reinterpret_cast<LONG_PTR>(&names));
  return names;
}
