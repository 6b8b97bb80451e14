#include "trinkets/src/OMPluginLibrary.h"

#include <algorithm>
#include <utility>

namespace {

// The list box only ever holds file names; this bounds what LB_GETTEXT may write.
constexpr std::size_t listTextLimit = MAX_PATH;

std::optional<std::vector<std::string>>& knownLibraries()
{
  static std::optional<std::vector<std::string>> known;
  return known;
}

bool mayExist(const char* fileName)
{
  const auto& known = knownLibraries();
  return !known || std::any_of(known->begin(), known->end(), [fileName](const std::string& name) {
    return _stricmp(name.c_str(), fileName) == 0;
  });
}

}  // namespace

void setKnownPluginLibraries(std::optional<std::vector<std::string>> fileNames)
{
  knownLibraries() = std::move(fileNames);
}

HMODULE loadPluginLibrary(const char* fileName)
{
  if (!fileName || !*fileName) return nullptr;
  if (!mayExist(fileName)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // A missing library is an expected answer here, not something to ask the user about.
  const UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(fileName);
  SetErrorMode(previousMode);
  return module;
}

void freePluginLibrary(HMODULE module)
{
  if (module) FreeLibrary(module);
}

std::vector<std::string> listPluginLibraries(const char* pattern)
{
  std::vector<std::string> names;
  HWND list = CreateWindowExA(0, "LISTBOX", pattern, WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  if (!list) return names;
  SendMessageA(list, LB_DIR, 0, reinterpret_cast<LPARAM>(pattern));
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT index = count - 1; index >= 0; --index) {
    if (SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0) >=
        static_cast<LRESULT>(listTextLimit))
      break;
    char text[listTextLimit];
    if (SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(text)) == LB_ERR)
      break;
    names.emplace_back(text);
  }
  DestroyWindow(list);
  return names;
}
