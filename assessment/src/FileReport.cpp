#include "assessment/src/FileReport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>

#include <direct.h>
#include <windows.h>

#include "framework/OMApp.h"
#include "framework/OMSystem.h"

namespace filereport {
namespace {

std::set<std::string>& saidThisRun()
{
  static std::set<std::string> said;
  return said;
}

bool isAbsolute(const std::string& path)
{
  return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::string currentFolder()
{
  char* folder = _getcwd(nullptr, 0);
  if (!folder) return {};
  std::string text = folder;
  std::free(folder);
  if (!text.empty() && text.back() != '\\') text += '\\';
  return text;
}

// A component of a folder as the disk spells it, or as given when there is no such entry.
std::string spelledOnDisk(const std::string& folder, const std::string& component)
{
  if (component.empty() || component == "." || component == ".." ||
      component.find_first_of("*?") != std::string::npos)
    return component;
  WIN32_FIND_DATAA entry;
  const HANDLE found = FindFirstFileA((folder + component).c_str(), &entry);
  if (found == INVALID_HANDLE_VALUE) return component;
  FindClose(found);
  return entry.cFileName;
}

}  // namespace

std::string hostPathOf(const std::string& windowsPath)
{
  const std::string full = isAbsolute(windowsPath) ? windowsPath : currentFolder() + windowsPath;
  if (!isAbsolute(full)) return windowsPath;
  const char drive[3] = {static_cast<char>(std::toupper(static_cast<unsigned char>(full[0]))),
                         ':', 0};
  char root[1024] = {};
  if (QueryDosDeviceA(drive, root, sizeof root) == 0) return windowsPath;
  std::string host = root;
  if (!host.empty() && host.back() == '/') host.pop_back();
  std::string folder = full.substr(0, 3);
  for (std::size_t at = 3; at <= full.size();) {
    const std::size_t end = std::min(full.find_first_of("\\/", at), full.size());
    const std::string name = spelledOnDisk(folder, full.substr(at, end - at));
    host += "/" + name;
    folder += name + "\\";
    at = end + 1;
  }
  return host;
}

std::string named(const std::string& windowsPath)
{
  return windowsPath + " (" + hostPathOf(windowsPath) + ")";
}

std::string describe(const std::string& windowsPath, const std::string& problem,
                     const std::string& advice)
{
  std::string text = named(windowsPath) + ": " + problem + ".";
  if (!advice.empty()) text += " " + advice;
  return text;
}

bool report(const std::string& windowsPath, const std::string& problem, const std::string& advice)
{
  const std::string text = describe(windowsPath, problem, advice);
  if (!saidThisRun().insert(text).second) return false;
  std::fprintf(stderr, "%s\n", text.c_str());
  const OMApp* app = OMApp::instance();
  if (app && app->frameWindow()) alertBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION, "Alert");
  return true;
}

void forgetReports() { saidThisRun().clear(); }

}  // namespace filereport
