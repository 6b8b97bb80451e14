#include "platform/src/kernel/WindowsPaths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <windows.h>

#include "platform/src/kernel/Codepage.h"

namespace omwin {
namespace {

constexpr std::size_t kMaxComponent = 255;

// One path component: its Windows spelling, and its host spelling once known exactly.
struct Component {
  std::string windowsName;
  std::optional<std::string> hostName;
};

bool isSeparator(char c)
{
  return c == '\\' || c == '/';
}

bool isDriveLetter(char c)
{
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upper(char c)
{
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
}

bool isForbiddenInName(char c)
{
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
         c == '*';
}

std::vector<std::string> splitComponents(std::string_view path)
{
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (isSeparator(c)) {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

std::string hostCurrentDirectory()
{
  std::error_code error;
  auto cwd = std::filesystem::current_path(error);
  return error ? std::string("/") : cwd.string();
}

std::vector<Component> hostComponents(const std::string& hostPath)
{
  std::vector<Component> result;
  std::string current;
  for (const auto& part : splitComponents(hostPath)) {
    if (part == "." || part == "..") continue;
    result.push_back({utf8ToCp1252(part), part});
  }
  return result;
}

// Folds "." and ".." into the component list; ".." never climbs above the drive's root.
void appendNormalized(std::vector<Component>& out, const std::vector<std::string>& parts)
{
  for (const auto& part : parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.push_back({part, std::nullopt});
  }
}

std::string joinHost(const std::string& folder, const std::string& name)
{
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// The host name in folder that a Windows name stands for: the exact name first, else the
// first case-insensitive match in sorted order.
std::optional<std::string> matchComponent(const std::string& folder, const std::string& windowsName)
{
  const std::string exact = cp1252ToUtf8(windowsName);
  struct stat status;
  if (::lstat(joinHost(folder, exact).c_str(), &status) == 0) return exact;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return std::nullopt;
  std::vector<std::string> matches;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const auto asWindows = utf8ToCp1252Exact(name);
    if (asWindows && equalsIgnoringCase(*asWindows, windowsName)) matches.push_back(name);
  }
  ::closedir(dir);
  if (matches.empty()) return std::nullopt;
  return *std::min_element(matches.begin(), matches.end());
}

std::string resolveOnHost(const std::string& root, const std::vector<Component>& components)
{
  std::string host = root;
  bool folderExists = true;
  for (const auto& component : components) {
    if (component.hostName) {
      host = joinHost(host, *component.hostName);
      continue;
    }
    std::optional<std::string> match;
    if (folderExists) match = matchComponent(host, component.windowsName);
    if (!match) folderExists = false;
    host = joinHost(host, match ? *match : cp1252ToUtf8(component.windowsName));
  }
  return host;
}

std::size_t windowsLength(const std::vector<Component>& components)
{
  std::size_t length = 3;  // "X:\"
  for (const auto& component : components)
    length += component.windowsName.size() + 1;
  return length;
}

std::optional<std::string> fail(DWORD error)
{
  SetLastError(error);
  return std::nullopt;
}

std::string createdFolder(const std::string& path)
{
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return path;
}

}  // namespace

std::optional<std::string> driveRoot(char letter)
{
  letter = upper(letter);
  if (letter == 'C') return std::string("/");
  if (!isDriveLetter(letter)) return std::nullopt;
  const std::string variable = std::string("OM_DRIVE_") + letter;
  const char* value = std::getenv(variable.c_str());
  if (!value || value[0] != '/') return std::nullopt;
  std::string root = value;
  while (root.size() > 1 && root.back() == '/')
    root.pop_back();
  return root;
}

std::optional<std::string> hostPathFor(std::string_view path)
{
  if (path.empty()) return fail(ERROR_PATH_NOT_FOUND);
  if (path.size() >= MAX_PATH) return fail(ERROR_FILENAME_EXCED_RANGE);

  char drive = 'C';
  std::string_view rest = path;
  bool rooted = false;
  if (path.size() >= 2 && path[1] == ':' && isDriveLetter(path[0])) {
    drive = upper(path[0]);
    rest = path.substr(2);
    rooted = !rest.empty() && isSeparator(rest[0]);
    // "D:name" is relative to the drive's current folder: the root, except on C:.
    if (!rooted && drive != 'C') rooted = true;
  } else if (isSeparator(path[0])) {
    if (path.size() >= 2 && isSeparator(path[1]) && path[0] == '\\')
      return fail(ERROR_PATH_NOT_FOUND);  // network names are not served
    rooted = true;
  }

  const auto parts = splitComponents(rest);
  for (const auto& part : parts) {
    if (part.size() > kMaxComponent) return fail(ERROR_FILENAME_EXCED_RANGE);
    if (std::any_of(part.begin(), part.end(), isForbiddenInName)) return fail(ERROR_INVALID_NAME);
  }

  const auto root = driveRoot(drive);
  if (!root) return fail(ERROR_NOT_READY);

  std::vector<Component> components;
  if (!rooted) components = hostComponents(hostCurrentDirectory());
  appendNormalized(components, parts);
  if (windowsLength(components) >= MAX_PATH) return fail(ERROR_FILENAME_EXCED_RANGE);
  return resolveOnHost(*root, components);
}

std::string windowsPathFor(std::string_view hostPath)
{
  std::string host(hostPath);
  if (host.empty() || host[0] != '/') host = joinHost(hostCurrentDirectory(), host);

  char drive = 'C';
  std::string inside = host;
  std::size_t bestLength = 0;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (letter == 'C') continue;
    const auto root = driveRoot(letter);
    if (!root || *root == "/" || root->size() <= bestLength) continue;
    const bool within = host == *root || (host.compare(0, root->size(), *root) == 0 &&
                                          host.size() > root->size() && host[root->size()] == '/');
    if (!within) continue;
    drive = letter;
    bestLength = root->size();
    inside = host.substr(root->size());
  }

  std::string result = std::string(1, drive) + ":\\";
  bool first = true;
  for (const auto& part : splitComponents(inside)) {
    if (!first) result += '\\';
    result += utf8ToCp1252(part);
    first = false;
  }
  return result;
}

std::string currentDirectoryWindows()
{
  std::string result = "C:\\";
  bool first = true;
  for (const auto& component : hostComponents(hostCurrentDirectory())) {
    if (!first) result += '\\';
    result += component.windowsName;
    first = false;
  }
  return result;
}

std::string windowsDirectoryHost()
{
  const char* configured = std::getenv("OM_WINDOWS_DIR");
  if (configured && configured[0] != '\0') return createdFolder(configured);
  std::string dataHome;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') {
    dataHome = xdg;
  } else {
    const char* home = std::getenv("HOME");
    dataHome = std::string(home && home[0] ? home : "/tmp") + "/.local/share";
  }
  return createdFolder(dataHome + "/om/WINDOWS");
}

std::string systemDirectoryHost()
{
  return createdFolder(windowsDirectoryHost() + "/SYSTEM");
}

std::pair<std::string, std::string> splitFolderAndName(std::string_view windowsPath)
{
  const auto cut = windowsPath.find_last_of("\\/");
  if (cut != std::string_view::npos)
    return {std::string(windowsPath.substr(0, cut + 1)), std::string(windowsPath.substr(cut + 1))};
  if (windowsPath.size() >= 2 && windowsPath[1] == ':' && isDriveLetter(windowsPath[0]))
    return {std::string(windowsPath.substr(0, 2)), std::string(windowsPath.substr(2))};
  return {"", std::string(windowsPath)};
}

}  // namespace omwin
