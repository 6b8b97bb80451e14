#include "platform/src/kernel/ModuleTable.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/src/kernel/Codepage.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace omwin {
namespace {

constexpr std::uintptr_t kProgramHandle = 0x400000;
constexpr std::uintptr_t kWinGHandle = 0x7E000000;

constexpr std::uintptr_t kRegisteredHandles = 0x7E100000;

std::atomic<UINT> errorMode{0};

struct BuiltIn {
  std::string baseName;
  std::vector<ModuleTable::Export> exports;
};

std::mutex& builtInMutex()
{
  static std::mutex mutex;
  return mutex;
}

std::vector<BuiltIn>& registeredBuiltIns()
{
  static std::vector<BuiltIn>* const modules = new std::vector<BuiltIn>;
  return *modules;
}

// The handle of a registered built-in module, or 0.
std::uintptr_t registeredHandle(const std::string& baseName)
{
  std::lock_guard lock(builtInMutex());
  const auto& modules = registeredBuiltIns();
  for (std::size_t i = 0; i < modules.size(); ++i)
    if (equalsIgnoringCase(modules[i].baseName, baseName)) return kRegisteredHandles + i * 0x10000;
  return 0;
}

FARPROC registeredExport(const std::string& baseName, const char* name)
{
  std::lock_guard lock(builtInMutex());
  for (const BuiltIn& module : registeredBuiltIns()) {
    if (!equalsIgnoringCase(module.baseName, baseName)) continue;
    for (const auto& entry : module.exports)
      if (std::strcmp(entry.name, name) == 0) return entry.address;
  }
  return nullptr;
}

void trace(const std::string& message)
{
  if (std::getenv("OM_TRACE")) std::fprintf(stderr, "om: %s\n", message.c_str());
}

std::string baseNameOf(const std::string& path)
{
  const auto cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Windows adds ".DLL" to a name without an extension.
std::string withDefaultExtension(const std::string& name)
{
  const std::string base = baseNameOf(name);
  if (base.find('.') != std::string::npos) return name;
  return name + ".DLL";
}

bool isFile(const std::string& hostPath)
{
  struct stat status;
  return ::stat(hostPath.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string programHostPath()
{
  std::vector<char> buffer(4096);
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length)) : "";
}

}  // namespace

ModuleTable& ModuleTable::instance()
{
  static ModuleTable* const table = new ModuleTable;  // plug-ins stay loaded until exit
  return *table;
}

HMODULE ModuleTable::programHandle()
{
  return reinterpret_cast<HMODULE>(kProgramHandle);
}

ModuleTable::ModuleTable()
{
  const std::string program = programHostPath();
  modules_[kProgramHandle] =
      Module{Kind::Program, utf8ToCp1252(baseNameOf(program)), program, nullptr, 1};
}

HMODULE ModuleTable::load(const char* fileName)
{
  if (!fileName || !*fileName) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  const std::string name = withDefaultExtension(fileName);
  const std::string base = baseNameOf(name);
  if (equalsIgnoringCase(base, "WING32.DLL")) return loadBuiltIn("WING32.DLL");
  if (registeredHandle(base) != 0) return loadBuiltIn(base);
  if (equalsIgnoringCase(base, "DDRAW.DLL")) {
    trace("LoadLibraryA(\"" + name + "\"): DirectDraw is not available");
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  const std::string hostPath = locate(name);
  if (hostPath.empty()) {
    trace("LoadLibraryA(\"" + name + "\"): not found");
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return loadSharedObject(hostPath, base);
}

// The program's folder, the current folder, then the system and Windows folders.
std::string ModuleTable::locate(const std::string& fileName) const
{
  const bool hasFolder = fileName.find_first_of("\\/:") != std::string::npos;
  if (hasFolder) {
    const auto host = hostPathFor(fileName);
    return host && isFile(*host) ? *host : "";
  }
  std::vector<std::string> folders;
  const std::string program = programHostPath();
  if (!program.empty()) folders.push_back(windowsPathFor(program.substr(0, program.rfind('/'))));
  folders.push_back(currentDirectoryWindows());
  folders.push_back(windowsPathFor(systemDirectoryHost()));
  folders.push_back(windowsPathFor(windowsDirectoryHost()));
  for (const auto& folder : folders) {
    const std::string separator = folder.back() == '\\' ? "" : "\\";
    const auto host = hostPathFor(folder + separator + fileName);
    if (host && isFile(*host)) return *host;
  }
  return "";
}

HMODULE ModuleTable::loadBuiltIn(const std::string& baseName)
{
  const std::uintptr_t registered = registeredHandle(baseName);
  const std::uintptr_t handle = registered != 0 ? registered : kWinGHandle;
  std::lock_guard lock(mutex_);
  Module& module = modules_[handle];
  module.kind = Kind::BuiltIn;
  if (module.references == 0) module.baseName = registered != 0 ? baseNameOf(baseName) : baseName;
  ++module.references;
  return reinterpret_cast<HMODULE>(handle);
}

void ModuleTable::registerBuiltIn(const char* baseName, const Export* exports, int count)
{
  std::lock_guard lock(builtInMutex());
  registeredBuiltIns().push_back(BuiltIn{baseName, std::vector<Export>(exports, exports + count)});
}

HMODULE ModuleTable::loadSharedObject(const std::string& hostPath, const std::string& baseName)
{
  std::lock_guard lock(mutex_);
  for (auto& [handle, module] : modules_) {
    if (module.kind == Kind::SharedObject && module.hostPath == hostPath) {
      ++module.references;
      return reinterpret_cast<HMODULE>(handle);
    }
  }
  // Static initialisers run inside dlopen; they may register classes but not load modules.
  void* library = ::dlopen(hostPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* why = ::dlerror();
    trace("LoadLibraryA(\"" + hostPath + "\"): " + (why ? why : "cannot load"));
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  const std::uintptr_t handle = nextHandle_;
  nextHandle_ += 0x10000;
  const auto* resources =
      static_cast<const OMResourceTable*>(::dlsym(library, OM_MODULE_RESOURCES_SYMBOL));
  modules_[handle] = Module{Kind::SharedObject, baseName, hostPath, library, 1, resources};
  return reinterpret_cast<HMODULE>(handle);
}

bool ModuleTable::release(HMODULE module)
{
  void* closing = nullptr;
  {
    std::lock_guard lock(mutex_);
    const auto found = modules_.find(reinterpret_cast<std::uintptr_t>(module));
    if (found == modules_.end() || found->second.references <= 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    if (found->second.kind == Kind::Program) return true;
    if (--found->second.references > 0 || found->second.kind != Kind::SharedObject) return true;
    closing = found->second.library;
    modules_.erase(found);
  }
  ::dlclose(closing);
  return true;
}

FARPROC ModuleTable::procedure(HMODULE module, const char* name)
{
  void* library = nullptr;
  std::string builtIn;
  {
    std::lock_guard lock(mutex_);
    const auto found = modules_.find(reinterpret_cast<std::uintptr_t>(module));
    if (found == modules_.end() || found->second.references <= 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    library = found->second.library;
    if (found->second.kind == Kind::BuiltIn) builtIn = found->second.baseName;
    if (found->second.kind == Kind::Program) library = RTLD_DEFAULT;
  }
  // Ordinals are not served; built-in modules export what they registered.
  if (!builtIn.empty() && name && !IS_INTRESOURCE(name)) {
    if (FARPROC address = registeredExport(builtIn, name)) return address;
  }
  if (!library || !name || IS_INTRESOURCE(name)) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* symbol = ::dlsym(library, name);
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

HMODULE ModuleTable::find(const char* moduleName)
{
  if (!moduleName) return programHandle();
  const std::string wanted = baseNameOf(withDefaultExtension(moduleName));
  std::lock_guard lock(mutex_);
  for (const auto& [handle, module] : modules_) {
    if (module.references > 0 && equalsIgnoringCase(module.baseName, wanted))
      return reinterpret_cast<HMODULE>(handle);
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

std::string ModuleTable::fileName(HMODULE module)
{
  if (!module) module = programHandle();
  std::lock_guard lock(mutex_);
  const auto found = modules_.find(reinterpret_cast<std::uintptr_t>(module));
  if (found == modules_.end() || found->second.references <= 0) return "";
  if (found->second.kind == Kind::BuiltIn)
    return windowsPathFor(systemDirectoryHost()) + "\\" + found->second.baseName;
  return windowsPathFor(found->second.hostPath);
}

const OMResourceTable* ModuleTable::resources(HMODULE module)
{
  if (!module) module = programHandle();
  std::lock_guard lock(mutex_);
  const auto found = modules_.find(reinterpret_cast<std::uintptr_t>(module));
  if (found == modules_.end() || found->second.references <= 0) return nullptr;
  return found->second.resources;
}

void ModuleTable::setProgramResources(const OMResourceTable* table)
{
  std::lock_guard lock(mutex_);
  modules_[kProgramHandle].resources = table;
}

HMODULE ModuleTable::findByHostPath(const std::string& hostPath)
{
  std::lock_guard lock(mutex_);
  for (const auto& [handle, module] : modules_) {
    if (module.references > 0 && !module.hostPath.empty() && module.hostPath == hostPath)
      return reinterpret_cast<HMODULE>(handle);
  }
  return nullptr;
}

}  // namespace omwin

void omRegisterProgramResources(const OMResourceTable* table)
{
  omwin::ModuleTable::instance().setProgramResources(table);
}

HMODULE LoadLibraryA(LPCSTR fileName)
{
  return omwin::ModuleTable::instance().load(fileName);
}

BOOL FreeLibrary(HMODULE module)
{
  return omwin::ModuleTable::instance().release(module) ? TRUE : FALSE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
  return omwin::ModuleTable::instance().procedure(module, procName);
}

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
  return omwin::ModuleTable::instance().find(moduleName);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
  const std::string path = omwin::ModuleTable::instance().fileName(module);
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // A short buffer gets the truncated name, terminated, and its full size as the answer.
  const std::size_t copied = std::min<std::size_t>(path.size(), size - 1);
  std::memcpy(fileName, path.data(), copied);
  fileName[copied] = '\0';
  if (copied < path.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  return static_cast<DWORD>(copied);
}

UINT SetErrorMode(UINT mode)
{
  // No error boxes exist here; the mode is kept so that callers can restore it.
  return omwin::errorMode.exchange(mode);
}
