// INI files: GetPrivateProfileStringA and its relatives. Sections and keys are matched without
// regard to case; the file is read on every call and rewritten atomically on every change,
// keeping its comments, order and line ends.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/src/gdi/Printer.h"
#include "platform/src/kernel/AtomicFile.h"
#include "platform/src/kernel/Codepage.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace {

struct IniFile {
  std::vector<std::string> lines;
  std::string lineEnd = "\r\n";
};

std::string trimmed(const std::string& text)
{
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// A file name without a folder lives in the Windows folder, as on Windows.
std::optional<std::string> iniHostPath(const char* fileName)
{
  if (!fileName || !*fileName) return std::nullopt;
  const std::string name = fileName;
  if (name.find_first_of("\\/:") == std::string::npos)
    return omwin::hostPathFor(omwin::windowsPathFor(omwin::windowsDirectoryHost()) + "\\" + name);
  return omwin::hostPathFor(name);
}

IniFile readIni(const std::string& hostPath)
{
  IniFile ini;
  const auto text = omwin::readWholeHostFile(hostPath);
  if (!text) return ini;
  if (text->find('\n') != std::string::npos && text->find("\r\n") == std::string::npos)
    ini.lineEnd = "\n";
  std::size_t start = 0;
  while (start < text->size()) {
    auto end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    std::string line = text->substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ini.lines.push_back(std::move(line));
    start = end + 1;
  }
  return ini;
}

bool writeIni(const std::string& hostPath, const IniFile& ini)
{
  std::string text;
  for (const auto& line : ini.lines)
    text += line + ini.lineEnd;
  return omwin::writeFileAtomically(hostPath, text);
}

std::optional<std::string> sectionName(const std::string& line)
{
  const std::string text = trimmed(line);
  if (text.size() < 2 || text[0] != '[') return std::nullopt;
  const auto close = text.find(']');
  if (close == std::string::npos) return std::nullopt;
  return trimmed(text.substr(1, close - 1));
}

std::optional<std::pair<std::string, std::string>> keyAndValue(const std::string& line)
{
  const std::string text = trimmed(line);
  if (text.empty() || text[0] == ';') return std::nullopt;
  const auto equals = text.find('=');
  if (equals == std::string::npos) return std::nullopt;
  return std::make_pair(trimmed(text.substr(0, equals)), trimmed(text.substr(equals + 1)));
}

// The lines of a section: [first, end) after its header; first == npos when absent.
std::pair<std::size_t, std::size_t> findSection(const IniFile& ini, const std::string& section)
{
  for (std::size_t i = 0; i < ini.lines.size(); ++i) {
    const auto name = sectionName(ini.lines[i]);
    if (!name || !omwin::equalsIgnoringCase(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < ini.lines.size() && !sectionName(ini.lines[end]))
      ++end;
    return {i + 1, end};
  }
  return {std::string::npos, std::string::npos};
}

std::optional<std::size_t> findKey(const IniFile& ini, std::pair<std::size_t, std::size_t> range,
                                   const std::string& key)
{
  if (range.first == std::string::npos) return std::nullopt;
  for (std::size_t i = range.first; i < range.second; ++i) {
    const auto entry = keyAndValue(ini.lines[i]);
    if (entry && omwin::equalsIgnoringCase(entry->first, key)) return i;
  }
  return std::nullopt;
}

// Matching quotes around a value are not part of it.
std::string unquoted(const std::string& value)
{
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

DWORD copyText(const std::string& text, LPSTR buffer, DWORD size)
{
  const std::size_t copied = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<DWORD>(copied);
}

// Names one after another, each terminated, the list ending with an extra terminator; a list
// that does not fit is cut and the answer is size - 2.
DWORD copyNameList(const std::vector<std::string>& names, LPSTR buffer, DWORD size)
{
  if (size < 2) {
    buffer[0] = '\0';
    return 0;
  }
  std::size_t used = 0;
  for (const auto& name : names) {
    if (used + name.size() + 2 > size) {
      // A name that filled the buffer exactly leaves no room, and loses its last letter.
      const std::size_t room = used + 2 <= size ? size - 2 - used : 0;
      std::memcpy(buffer + used, name.data(), room);
      buffer[size - 2] = '\0';
      buffer[size - 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer + used, name.c_str(), name.size() + 1);
    used += name.size() + 1;
  }
  buffer[used] = '\0';
  return static_cast<DWORD>(used);
}

std::optional<std::string> lookUp(const IniFile& ini, const char* section, const char* key)
{
  const auto range = findSection(ini, section);
  const auto line = findKey(ini, range, key);
  if (!line) return std::nullopt;
  return unquoted(keyAndValue(ini.lines[*line])->second);
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR returned,
                               DWORD size, LPCSTR fileName)
{
  if (!returned || size == 0) return 0;
  const auto host = iniHostPath(fileName);
  const IniFile ini = host ? readIni(*host) : IniFile{};
  if (!section) {
    std::vector<std::string> names;
    for (const auto& line : ini.lines) {
      if (auto name = sectionName(line)) names.push_back(*name);
    }
    return copyNameList(names, returned, size);
  }
  if (!key) {
    std::vector<std::string> names;
    const auto range = findSection(ini, section);
    for (std::size_t i = range.first; range.first != std::string::npos && i < range.second; ++i) {
      if (auto entry = keyAndValue(ini.lines[i])) names.push_back(entry->first);
    }
    return copyNameList(names, returned, size);
  }
  if (const auto value = lookUp(ini, section, key)) return copyText(*value, returned, size);
  // The default loses its trailing blanks, as on Windows.
  std::string fallback = defaultValue ? defaultValue : "";
  while (!fallback.empty() && fallback.back() == ' ')
    fallback.pop_back();
  return copyText(fallback, returned, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName)
{
  const auto host = iniHostPath(fileName);
  if (!host || !section || !key) return static_cast<UINT>(defaultValue);
  const auto value = lookUp(readIni(*host), section, key);
  if (!value) return static_cast<UINT>(defaultValue);
  // The leading number; text that is not a number reads as 0.
  return static_cast<UINT>(std::strtol(value->c_str(), nullptr, 10));
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName)
{
  const auto host = iniHostPath(fileName);
  if (!host || !section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  IniFile ini = readIni(*host);
  auto range = findSection(ini, section);
  if (!key) {  // removes the whole section
    if (range.first == std::string::npos) return TRUE;
    ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(range.first - 1),
                    ini.lines.begin() + static_cast<std::ptrdiff_t>(range.second));
    return writeIni(*host, ini) ? TRUE : FALSE;
  }
  const auto line = findKey(ini, range, key);
  if (!value) {  // removes the key
    if (!line) return TRUE;
    ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(*line));
  } else if (line) {
    ini.lines[*line] = std::string(key) + "=" + value;
  } else {
    if (range.first == std::string::npos) {
      if (!ini.lines.empty() && !trimmed(ini.lines.back()).empty()) ini.lines.emplace_back();
      ini.lines.push_back("[" + std::string(section) + "]");
      range = {ini.lines.size(), ini.lines.size()};
    }
    // After the section's last entry, before the blank lines that close it.
    std::size_t at = range.second;
    while (at > range.first && trimmed(ini.lines[at - 1]).empty())
      --at;
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at),
                     std::string(key) + "=" + value);
  }
  if (!writeIni(*host, ini)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR returned, DWORD size)
{
  // Without an entry of its own, WIN.INI names the default printer.
  if (section != nullptr && key != nullptr && _stricmp(section, "windows") == 0 &&
      _stricmp(key, "device") == 0) {
    const std::string printer = omgdi::PrinterTable::instance().defaultEntry();
    if (!printer.empty()) {
      return GetPrivateProfileStringA(section, key, printer.c_str(), returned, size, "WIN.INI");
    }
  }
  return GetPrivateProfileStringA(section, key, defaultValue, returned, size, "WIN.INI");
}

BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value)
{
  return WritePrivateProfileStringA(section, key, value, "WIN.INI");
}
