#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

namespace omwin {

// The registry behind the Reg* calls. Key paths are full ("HKEY_LOCAL_MACHINE\SOFTWARE\x");
// keys, value names and lookups ignore case and keep the spelling they were made with.
class Registry {
 public:
  struct Value {
    std::string name;
    DWORD type = REG_SZ;
    std::string bytes;
  };

  static Registry& instance();
  // The file of the current user (OM_REGISTRY, or "registry.txt" beside the Windows folder).
  static std::string filePath();

  // The full path of a root handle's key joined with a sub-key, or null for a bad handle.
  std::optional<std::string> keyPath(HKEY key, const char* subKey);
  bool keyExists(const std::string& path);
  // Creates the key; true when it was new. False in second when it could not be saved.
  std::pair<bool, bool> createKey(const std::string& path);
  std::optional<Value> value(const std::string& path, const std::string& name);
  bool setValue(const std::string& path, const Value& value);
  bool deleteValue(const std::string& path, const std::string& name);

  HKEY openHandle(const std::string& path);
  bool closeHandle(HKEY key);

 private:
  struct Key {
    std::string path;
    std::map<std::string, Value> values;  // by folded name
  };

  void loadIfNeeded();
  void parse(const std::string& text);
  std::string serialise() const;
  bool save();

  std::mutex mutex_;
  std::string loadedFrom_;
  std::map<std::string, Key> keys_;  // by folded path
  std::map<std::uintptr_t, std::string> handles_;
  std::uintptr_t nextHandle_ = 0x1000;
};

}  // namespace omwin
