// Directory listings: FindFirstFileA/FindNextFileA/FindClose. A listing is taken whole when
// the search starts, sorted by name so that it is the same every time.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/src/kernel/Codepage.h"
#include "platform/src/kernel/HandleTable.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace omwin {
namespace {

class FindObject : public KernelObject {
 public:
  explicit FindObject(std::vector<WIN32_FIND_DATAA> entries) : entries_(std::move(entries)) {}
  bool next(WIN32_FIND_DATAA& data)
  {
    if (position_ >= entries_.size()) return false;
    data = entries_[position_++];
    return true;
  }

 private:
  std::vector<WIN32_FIND_DATAA> entries_;
  std::size_t position_ = 0;
};

// "*" any run, "?" one character, without regard to case.
bool globMatches(const char* pattern, const char* name)
{
  while (*pattern) {
    if (*pattern == '*') {
      while (*pattern == '*')
        ++pattern;
      if (!*pattern) return true;
      for (const char* rest = name; *rest; ++rest) {
        if (globMatches(pattern, rest)) return true;
      }
      return globMatches(pattern, "");
    }
    if (!*name) return false;
    if (*pattern != '?' && foldCp1252(*pattern) != foldCp1252(*name)) return false;
    ++pattern;
    ++name;
  }
  return *name == '\0';
}

// As Windows reads patterns: "*.*" is everything, and "name.*" also finds "name".
bool patternMatches(const std::string& pattern, const std::string& name)
{
  if (pattern == "*.*" || globMatches(pattern.c_str(), name.c_str())) return true;
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
    return globMatches(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
  return false;
}

FILETIME fileTimeOf(const timespec& time)
{
  constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600ull;
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000ull +
      static_cast<std::uint64_t>(time.tv_nsec) / 100;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool describe(const std::string& folder, const std::string& hostName, const std::string& name,
              WIN32_FIND_DATAA& data)
{
  const std::string path = folder + "/" + hostName;
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return false;
  std::memset(&data, 0, sizeof data);
  if (S_ISDIR(status.st_mode)) {
    data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
  } else {
    data.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    const auto size = static_cast<std::uint64_t>(status.st_size);
    data.nFileSizeLow = static_cast<DWORD>(size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  }
  if (::access(path.c_str(), W_OK) != 0) data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
  data.ftCreationTime = fileTimeOf(status.st_ctim);
  data.ftLastAccessTime = fileTimeOf(status.st_atim);
  data.ftLastWriteTime = fileTimeOf(status.st_mtim);
  std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
  return true;
}

std::vector<WIN32_FIND_DATAA> listMatches(const std::string& folder, const std::string& pattern,
                                          bool isDriveRoot)
{
  std::vector<std::string> hostNames;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir))
      hostNames.emplace_back(entry->d_name);
    ::closedir(dir);
  }
  std::sort(hostNames.begin(), hostNames.end());
  std::vector<WIN32_FIND_DATAA> entries;
  for (const auto& hostName : hostNames) {
    if (isDriveRoot && (hostName == "." || hostName == "..")) continue;
    const auto name = utf8ToCp1252Exact(hostName);  // names the engine could not open are left out
    if (!name || name->size() >= MAX_PATH || !patternMatches(pattern, *name)) continue;
    WIN32_FIND_DATAA data;
    if (describe(folder, hostName, *name, data)) entries.push_back(data);
  }
  return entries;
}

}  // namespace
}  // namespace omwin

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data)
{
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto [folder, name] = omwin::splitFolderAndName(pattern);
  if (name.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const auto host = omwin::hostPathFor(folder.empty() ? "." : folder);
  struct stat status;
  if (!host || ::stat(host->c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    SetLastError(host ? ERROR_PATH_NOT_FOUND : GetLastError());
    return INVALID_HANDLE_VALUE;
  }
  const bool isDriveRoot = omwin::windowsPathFor(*host).size() == 3;
  auto entries = omwin::listMatches(*host, name, isDriveRoot);
  if (entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto object = std::make_shared<omwin::FindObject>(std::move(entries));
  object->next(*data);
  return omwin::HandleTable::instance().add(std::move(object));
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data)
{
  const auto object = omwin::HandleTable::instance().findAs<omwin::FindObject>(find);
  if (!object || !data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!object->next(*data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL FindClose(HANDLE find)
{
  if (!omwin::HandleTable::instance().findAs<omwin::FindObject>(find)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(find);
}
