#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <omresource.h>
#include <windows.h>

namespace omwin {

// The modules of the process: the program itself, the built-in modules ("WING32.DLL", and
// those another area registers with its exports, such as "DDRAW.DLL"; an unregistered
// "DDRAW.DLL" is refused so that the program takes its GDI path), and plug-ins, which are host
// shared objects opened with dlopen so that their static initialisers run.
class ModuleTable {
 public:
  struct Export {
    const char* name;
    FARPROC address;
  };
  enum class Kind { Program, BuiltIn, SharedObject };
  struct Module {
    Kind kind = Kind::SharedObject;
    std::string baseName;  // Windows spelling, e.g. "WING32.DLL"
    std::string hostPath;  // empty for built-in modules
    void* library = nullptr;
    int references = 0;
    const OMResourceTable* resources = nullptr;
  };

  static ModuleTable& instance();
  static HMODULE programHandle();

  HMODULE load(const char* fileName);
  bool release(HMODULE module);
  FARPROC procedure(HMODULE module, const char* name);
  HMODULE find(const char* moduleName);
  // The Windows path of the module's file, or empty for an unknown handle.
  std::string fileName(HMODULE module);
  // The compiled resources of a module (null: the program's), or null when it has none.
  const OMResourceTable* resources(HMODULE module);
  void setProgramResources(const OMResourceTable* table);
  // Makes baseName a built-in module with these exports; called from static initialisers, so
  // it does not need the table to exist yet.
  static void registerBuiltIn(const char* baseName, const Export* exports, int count);
  // The loaded module whose file is hostPath, or null.
  HMODULE findByHostPath(const std::string& hostPath);

 private:
  ModuleTable();
  HMODULE loadBuiltIn(const std::string& baseName);
  HMODULE loadSharedObject(const std::string& hostPath, const std::string& baseName);
  std::string locate(const std::string& fileName) const;

  std::mutex mutex_;
  std::map<std::uintptr_t, Module> modules_;
  std::uintptr_t nextHandle_ = 0x10000000;
};

}  // namespace omwin
