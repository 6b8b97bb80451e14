#include "framework/OMPathDirectory.h"

#include <cstring>
#include <memory>

#include "framework/OMFileSystem.h"
#include "framework/OMSystemCalls.h"

namespace {

struct SearchPaths {
  std::vector<std::unique_ptr<OMPathDirectory>> directories;
  bool strict = false;
};

SearchPaths& searchPaths()
{
  static SearchPaths paths;
  return paths;
}

bool sameName(const std::string& a, const char* b)
{
  return omsys::compareNoCase(a.c_str(), b) == 0;
}

}  // namespace

OMPathDirectory::OMPathDirectory(const char* directory, bool cache) : path_(directory)
{
  if (path_.empty() || path_.back() != '\\') path_.push_back('\\');
  if (!cache) return;
  const OMFindEntry* entries = nullptr;
  int count = 0;
  fileSystemFind((path_ + "*").c_str(), entries, count);
  for (int i = 0; i < count; ++i)
    if (!(entries[i].attributes & 0x10)) listing_.push_back(entries[i].name);
  cached_ = true;
}

bool OMPathDirectory::holds(const char* name) const
{
  if (cached_) {
    for (const std::string& file : listing_)
      if (sameName(file, name)) return true;
    return false;
  }
  OMFileStatus status;
  return fileSystemStat((path_ + name).c_str(), status);
}

void addSearchPath(const char* directory, int cache)
{
  if (!directory || !*directory) return;
  searchPaths().directories.push_back(std::make_unique<OMPathDirectory>(directory, cache != 0));
}

void setSearchPathStrict(int strict)
{
  searchPaths().strict = strict != 0;
}

std::optional<std::string> findFileOnSearchPath(const char* name)
{
  if (!name || !*name) return std::nullopt;
  if (std::strchr(name, ':') || std::strchr(name, '\\')) return std::string(name);
  const SearchPaths& paths = searchPaths();
  for (const auto& directory : paths.directories)
    if (directory->holds(name)) return directory->path() + name;
  if (paths.strict) return std::nullopt;
  // Where the file would be.
  if (paths.directories.empty()) return std::string(name);
  return paths.directories.back()->path() + name;
}

void clearSearchPaths()
{
  searchPaths().directories.clear();
  searchPaths().strict = false;
}
