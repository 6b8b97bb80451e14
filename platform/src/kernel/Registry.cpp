#include "platform/src/kernel/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/src/kernel/AtomicFile.h"
#include "platform/src/kernel/Codepage.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace omwin {
namespace {

std::string folded(std::string_view text)
{
  std::string result(text);
  for (char& c : result)
    c = foldCp1252(c);
  return result;
}

std::optional<std::string> rootName(HKEY key)
{
  switch (reinterpret_cast<std::uintptr_t>(key)) {
    case 0x80000000u:
      return "HKEY_CLASSES_ROOT";
    case 0x80000001u:
      return "HKEY_CURRENT_USER";
    case 0x80000002u:
      return "HKEY_LOCAL_MACHINE";
    case 0x80000003u:
      return "HKEY_USERS";
    default:
      return std::nullopt;
  }
}

// Joins key names, dropping empty components ("a\\\\b\\" is "a\\b").
std::string joinKey(const std::string& base, const char* subKey)
{
  std::string result = base;
  std::string part;
  auto flush = [&] {
    if (!part.empty()) result += "\\" + part;
    part.clear();
  };
  for (const char* c = subKey ? subKey : ""; *c; ++c) {
    if (*c == '\\')
      flush();
    else
      part += *c;
  }
  flush();
  return result;
}

std::string quoted(const std::string& text)
{
  std::string result = "\"";
  for (char c : cp1252ToUtf8(text)) {
    if (c == '\\' || c == '"') result += '\\';
    if (c == '\n') {
      result += "\\n";
      continue;
    }
    result += c;
  }
  return result + "\"";
}

// Reads a quoted text at position (just after the opening quote); null when unterminated.
std::optional<std::string> unquote(const std::string& line, std::size_t& position)
{
  std::string result;
  while (position < line.size()) {
    const char c = line[position++];
    if (c == '"') return utf8ToCp1252(result);
    if (c == '\\' && position < line.size()) {
      const char escaped = line[position++];
      result += escaped == 'n' ? '\n' : escaped;
    } else {
      result += c;
    }
  }
  return std::nullopt;
}

std::string hexBytes(const std::string& bytes)
{
  std::string result;
  char digits[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i) result += ',';
    result += digits;
  }
  return result;
}

std::optional<std::string> parseHexBytes(const std::string& text)
{
  std::string bytes;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    char* end = nullptr;
    const unsigned long byte = std::strtoul(item.c_str(), &end, 16);
    while (end && (*end == ' ' || *end == '\t'))
      ++end;
    if (end == item.c_str() || *end != '\0' || byte > 0xFF) return std::nullopt;
    bytes += static_cast<char>(byte);
  }
  return bytes;
}

std::string textOf(const Registry::Value& value)
{
  std::string text = value.bytes;
  while (!text.empty() && text.back() == '\0')
    text.pop_back();
  return text;
}

// "name"=... or @=...; a line that does not parse is skipped, never trusted.
std::optional<Registry::Value> parseValueLine(const std::string& line)
{
  Registry::Value value;
  std::size_t position = 0;
  if (line[0] == '@') {
    position = 1;
  } else {
    position = 1;
    auto name = unquote(line, position);
    if (!name) return std::nullopt;
    value.name = *name;
  }
  if (position >= line.size() || line[position] != '=') return std::nullopt;
  const std::string data = line.substr(position + 1);
  if (!data.empty() && data[0] == '"') {
    std::size_t at = 1;
    auto text = unquote(data, at);
    if (!text) return std::nullopt;
    value.type = REG_SZ;
    value.bytes = *text;
  } else if (data.rfind("dword:", 0) == 0) {
    char* end = nullptr;
    const unsigned long number = std::strtoul(data.c_str() + 6, &end, 16);
    if (end == data.c_str() + 6 || number > 0xFFFFFFFFul) return std::nullopt;
    const auto word = static_cast<DWORD>(number);
    value.type = REG_DWORD;
    value.bytes.assign(reinterpret_cast<const char*>(&word), sizeof word);
  } else if (data.rfind("hex(", 0) == 0) {
    const auto close = data.find("):");
    if (close == std::string::npos) return std::nullopt;
    value.type = static_cast<DWORD>(std::strtoul(data.c_str() + 4, nullptr, 16));
    auto bytes = parseHexBytes(data.substr(close + 2));
    if (!bytes) return std::nullopt;
    value.bytes = *bytes;
  } else {
    return std::nullopt;
  }
  // A text, quoted or in bytes, ends at its first terminator, as a program's text is stored,
  // so that a save keeps it.
  if (value.type == REG_SZ) value.bytes = std::string(value.bytes.c_str()) + '\0';
  return value;
}

}  // namespace

Registry& Registry::instance()
{
  static Registry* const registry = new Registry;  // handles may be closed during exit
  return *registry;
}

std::string Registry::filePath()
{
  const char* configured = std::getenv("OM_REGISTRY");
  if (configured && configured[0] == '/') return configured;
  const std::string windows = windowsDirectoryHost();
  return windows.substr(0, windows.rfind('/')) + "/registry.txt";
}

void Registry::loadIfNeeded()
{
  const std::string path = filePath();
  if (path == loadedFrom_) return;
  keys_.clear();
  loadedFrom_ = path;
  if (const auto text = readWholeHostFile(path)) parse(*text);
}

void Registry::parse(const std::string& text)
{
  std::stringstream in(text);
  std::string line;
  Key* current = nullptr;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.back() == ']') {
      const std::string path = utf8ToCp1252(line.substr(1, line.size() - 2));
      current = &keys_[folded(path)];
      current->path = path;
    } else if (current && (line[0] == '"' || line[0] == '@')) {
      if (auto value = parseValueLine(line)) current->values[folded(value->name)] = *value;
    }
  }
}

std::string Registry::serialise() const
{
  std::string text = "; Registry of the platform layer: one block per key, one value a line.\n";
  for (const auto& [folded, key] : keys_) {
    text += "\n[" + cp1252ToUtf8(key.path) + "]\n";
    for (const auto& [name, value] : key.values) {
      text += value.name.empty() ? "@" : quoted(value.name);
      text += '=';
      if (value.type == REG_SZ) {
        text += quoted(textOf(value));
      } else if (value.type == REG_DWORD && value.bytes.size() == sizeof(DWORD)) {
        DWORD word;
        std::memcpy(&word, value.bytes.data(), sizeof word);
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", word);
        text += digits;
      } else {
        char type[24];
        std::snprintf(type, sizeof type, "hex(%x):", value.type);
        text += type + hexBytes(value.bytes);
      }
      text += '\n';
    }
  }
  return text;
}

bool Registry::save()
{
  return writeFileAtomically(loadedFrom_, serialise());
}

std::optional<std::string> Registry::keyPath(HKEY key, const char* subKey)
{
  std::string base;
  if (auto root = rootName(key)) {
    base = *root;
  } else {
    std::lock_guard lock(mutex_);
    const auto found = handles_.find(reinterpret_cast<std::uintptr_t>(key));
    if (found == handles_.end()) return std::nullopt;
    base = found->second;
  }
  return joinKey(base, subKey);
}

bool Registry::keyExists(const std::string& path)
{
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  const std::string wanted = folded(path);
  if (wanted.find('\\') == std::string::npos) return true;  // a root
  // A key exists when it was made, or when one below it was.
  for (auto it = keys_.lower_bound(wanted);
       it != keys_.end() && it->first.compare(0, wanted.size(), wanted) == 0; ++it) {
    if (it->first.size() == wanted.size() || it->first[wanted.size()] == '\\') return true;
  }
  return false;
}

std::pair<bool, bool> Registry::createKey(const std::string& path)
{
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  const std::string wanted = folded(path);
  if (keys_.count(wanted)) return {false, true};
  keys_[wanted].path = path;
  return {true, save()};
}

std::optional<Registry::Value> Registry::value(const std::string& path, const std::string& name)
{
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  const auto key = keys_.find(folded(path));
  if (key == keys_.end()) return std::nullopt;
  const auto found = key->second.values.find(folded(name));
  if (found == key->second.values.end()) return std::nullopt;
  return found->second;
}

bool Registry::setValue(const std::string& path, const Value& value)
{
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  Key& key = keys_[folded(path)];
  if (key.path.empty()) key.path = path;
  key.values[folded(value.name)] = value;
  return save();
}

bool Registry::deleteValue(const std::string& path, const std::string& name)
{
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  const auto key = keys_.find(folded(path));
  if (key == keys_.end() || key->second.values.erase(folded(name)) == 0) return false;
  return save();
}

HKEY Registry::openHandle(const std::string& path)
{
  std::lock_guard lock(mutex_);
  const std::uintptr_t handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = path;
  return reinterpret_cast<HKEY>(handle);
}

bool Registry::closeHandle(HKEY key)
{
  if (rootName(key)) return true;
  std::lock_guard lock(mutex_);
  return handles_.erase(reinterpret_cast<std::uintptr_t>(key)) > 0;
}

}  // namespace omwin

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result)
{
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  auto& registry = omwin::Registry::instance();
  const auto path = registry.keyPath(key, subKey);
  if (!path) return ERROR_INVALID_HANDLE;
  if (!registry.keyExists(*path)) return ERROR_FILE_NOT_FOUND;
  *result = registry.openHandle(*path);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                     PHKEY result, LPDWORD disposition)
{
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  auto& registry = omwin::Registry::instance();
  const auto path = registry.keyPath(key, subKey);
  if (!path) return ERROR_INVALID_HANDLE;
  const bool existed = registry.keyExists(*path);
  if (!existed && !registry.createKey(*path).second) return ERROR_WRITE_FAULT;
  if (disposition) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  *result = registry.openHandle(*path);
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize)
{
  auto& registry = omwin::Registry::instance();
  const auto path = registry.keyPath(key, "");
  if (!path) return ERROR_INVALID_HANDLE;
  auto value = registry.value(*path, valueName ? valueName : "");
  if (!value) return ERROR_FILE_NOT_FOUND;
  // Texts always answer with their terminator.
  if ((value->type == REG_SZ || value->type == REG_EXPAND_SZ) &&
      (value->bytes.empty() || value->bytes.back() != '\0'))
    value->bytes += '\0';
  if (type) *type = value->type;
  const auto size = static_cast<DWORD>(value->bytes.size());
  if (!data) {
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
  }
  if (!dataSize) return ERROR_INVALID_PARAMETER;
  if (*dataSize < size) {
    *dataSize = size;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, value->bytes.data(), size);
  *dataSize = size;
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize)
{
  auto& registry = omwin::Registry::instance();
  const auto path = registry.keyPath(key, "");
  if (!path) return ERROR_INVALID_HANDLE;
  if (!data && dataSize) return ERROR_INVALID_PARAMETER;
  omwin::Registry::Value value;
  value.name = valueName ? valueName : "";
  value.type = type;
  value.bytes.assign(reinterpret_cast<const char*>(data), data ? dataSize : 0);
  if (type == REG_SZ) {
    // Stored up to the first terminator: the file holds text.
    value.bytes = std::string(value.bytes.c_str()) + '\0';
  }
  return registry.setValue(*path, value) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName)
{
  auto& registry = omwin::Registry::instance();
  const auto path = registry.keyPath(key, "");
  if (!path) return ERROR_INVALID_HANDLE;
  return registry.deleteValue(*path, valueName ? valueName : "") ? ERROR_SUCCESS
                                                                 : ERROR_FILE_NOT_FOUND;
}

LONG RegCloseKey(HKEY key)
{
  return omwin::Registry::instance().closeHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
