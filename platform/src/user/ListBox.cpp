#include "platform/src/user/ListBox.h"

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

namespace omuser {
namespace {

std::map<HWND, std::vector<std::string>>& contents()
{
  static std::map<HWND, std::vector<std::string>> all;
  return all;
}

bool wildcardMatch(const char* pattern, const char* name)
{
  if (*pattern == 0) return *name == 0;
  if (*pattern == '*')
    return wildcardMatch(pattern + 1, name) || (*name != 0 && wildcardMatch(pattern, name + 1));
  if (*name == 0) return false;
  if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                             std::tolower(static_cast<unsigned char>(*name)))
    return false;
  return wildcardMatch(pattern + 1, name + 1);
}

}  // namespace

std::vector<std::string> ListBox::listFiles(const char* pattern, bool withDirectories)
{
  std::vector<std::string> names;
  if (pattern == nullptr) return names;
  std::string text(pattern);
  std::replace(text.begin(), text.end(), '\\', '/');
  const auto slash = text.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : text.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? text : text.substr(slash + 1);
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const bool isDirectory = it->is_directory(error);
    if (isDirectory && !withDirectories) continue;
    const std::string name = it->path().filename().string();
    if (wildcardMatch(mask.c_str(), name.c_str()))
      names.push_back(isDirectory ? "[" + name + "]" : name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  return names;
}

LRESULT CALLBACK ListBox::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  auto& items = contents()[window];
  switch (message) {
    case LB_ADDSTRING:
      if (lParam == 0) return LB_ERR;
      items.emplace_back(reinterpret_cast<const char*>(lParam));
      return static_cast<LRESULT>(items.size() - 1);
    case LB_RESETCONTENT:
      items.clear();
      return 0;
    case LB_GETCOUNT:
      return static_cast<LRESULT>(items.size());
    case LB_GETTEXTLEN:
      return wParam < items.size() ? static_cast<LRESULT>(items[wParam].size()) : LB_ERR;
    case LB_GETTEXT:
      if (wParam >= items.size() || lParam == 0) return LB_ERR;
      // The caller's buffer holds the whole text, as it would have to on the system.
      std::memcpy(reinterpret_cast<char*>(lParam), items[wParam].c_str(), items[wParam].size() + 1);
      return static_cast<LRESULT>(items[wParam].size());
    case LB_DIR: {
      const std::vector<std::string> found =
          listFiles(reinterpret_cast<const char*>(lParam), (wParam & DDL_DIRECTORY) != 0);
      if (found.empty()) return items.empty() ? LB_ERR : static_cast<LRESULT>(items.size() - 1);
      items.insert(items.end(), found.begin(), found.end());
      return static_cast<LRESULT>(items.size() - 1);
    }
    case WM_NCDESTROY:
      contents().erase(window);
      return DefWindowProcA(window, message, wParam, lParam);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace omuser
