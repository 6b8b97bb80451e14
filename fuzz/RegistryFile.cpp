// The registry's text file as a program meets it: the keys it names opened, their values
// queried; after a change is saved and the file read again, every value reads the same.
#include <windows.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/support/FuzzSupport.h"

namespace {

const std::string kRoot = "HKEY_LOCAL_MACHINE\\";

// The sub-keys the file's blocks name below HKEY_LOCAL_MACHINE, and the value names.
std::vector<std::string> subKeys(const std::string& text)
{
  std::vector<std::string> keys;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line) && keys.size() < 16) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 2 || line[0] != '[' || line.back() != ']') continue;
    const std::string path = line.substr(1, line.size() - 2);
    if (path.size() > kRoot.size() && _strnicmp(path.c_str(), kRoot.c_str(), kRoot.size()) == 0)
      keys.push_back(path.substr(kRoot.size()));
  }
  return keys;
}

std::string query(const std::string& subKey, const char* name)
{
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return "<no key>";
  DWORD type = 0, size = 0;
  std::string answer;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::string bytes(size, '\0');
    DWORD got = size;
    const LONG read =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &got);
    if (got > size) omfuzz::broken("a value grew between two queries");
    answer = std::to_string(read) + ":" + std::to_string(type) + ":" + bytes.substr(0, got);
    char small[4];
    DWORD smallSize = sizeof small;
    RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(small), &smallSize);
  }
  RegCloseKey(key);
  return answer;
}

std::vector<std::string> everyValue(const std::vector<std::string>& keys)
{
  std::vector<std::string> values;
  for (const auto& key : keys) {
    values.push_back(query(key, nullptr));
    values.push_back(query(key, "Path"));
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  // The registry reads its file again when its path changes: each input gets a new one.
  static unsigned serial = 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string first = omfuzz::writeInput("registry-" + std::to_string(++serial), data, size);
  ::setenv("OM_REGISTRY", first.c_str(), 1);
  const auto keys = subKeys(text);
  const auto before = everyValue(keys);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Fuzz", 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Added", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    RegCloseKey(key);
  }
  const std::string second = omfuzz::workFolder() + "/reloaded-" + std::to_string(serial);
  std::error_code error;
  std::filesystem::copy_file(first, second, std::filesystem::copy_options::overwrite_existing,
                             error);
  ::setenv("OM_REGISTRY", second.c_str(), 1);
  // The added key makes its parents openable: only keys that were there are compared.
  const auto after = everyValue(keys);
  for (std::size_t i = 0; !error && i < before.size(); ++i)
    if (before[i] != "<no key>" && after[i] != before[i])
      omfuzz::broken("a saved registry reads differently");
  std::filesystem::remove(first, error);
  std::filesystem::remove(second, error);
  return 0;
}
