#include "trinkets/src/OMPluginLibrary.h"

#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>

#include <algorithm>
#include <cstring>

namespace {

template <typename Visit>
void forEachFileOfCurrentFolder(Visit&& visit)
{
  DIR* folder = opendir(".");
  if (!folder) return;
  while (const dirent* entry = readdir(folder)) {
    if (visit(entry->d_name)) break;
  }
  closedir(folder);
}

bool endsWithIgnoringCase(const char* text, const char* ending)
{
  const std::size_t length = std::strlen(text);
  const std::size_t endingLength = std::strlen(ending);
  return length > endingLength && strcasecmp(text + length - endingLength, ending) == 0;
}

}  // namespace

HMODULE loadPluginLibrary(const char* fileName)
{
  if (!fileName || !*fileName) return nullptr;
  std::string found;
  forEachFileOfCurrentFolder([&](const char* entry) {
    if (strcasecmp(entry, fileName) != 0) return false;
    found = entry;
    return true;
  });
  if (found.empty()) return nullptr;
  const std::string path = "./" + found;
  return reinterpret_cast<HMODULE>(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

void freePluginLibrary(HMODULE module)
{
  if (module) dlclose(reinterpret_cast<void*>(module));
}

std::vector<std::string> listPluginLibraries(const char* extension)
{
  std::vector<std::string> names;
  forEachFileOfCurrentFolder([&](const char* entry) {
    if (endsWithIgnoringCase(entry, extension)) names.emplace_back(entry);
    return false;
  });
  // In name order, as a Windows folder lists them, whatever order the host keeps.
  std::sort(names.begin(), names.end(), [](const std::string& left, const std::string& right) {
    return strcasecmp(left.c_str(), right.c_str()) < 0;
  });
  return names;
}
