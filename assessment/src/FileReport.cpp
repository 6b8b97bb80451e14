#include "assessment/src/FileReport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include <direct.h>
#include <windows.h>

#include "framework/OMApp.h"
#include "framework/OMProgramEnd.h"
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
  const char drive[3] = {static_cast<char>(std::toupper(static_cast<unsigned char>(full[0]))), ':',
                         0};
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

namespace {

bool say(const std::string& text, bool boxWithoutFrame)
{
  if (!saidThisRun().insert(text).second) return false;
  std::fprintf(stderr, "%s\n", text.c_str());
  const OMApp* app = OMApp::instance();
  if (boxWithoutFrame || (app && app->frameWindow()))
    alertBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION, "Alert");
  return true;
}

}  // namespace

bool report(const std::string& windowsPath, const std::string& problem, const std::string& advice)
{
  return say(describe(windowsPath, problem, advice), false);
}

void reportAndStop(const std::string& windowsPath, const std::string& problem,
                   const std::string& advice)
{
  say(describe(windowsPath, problem, advice), true);
  OMProgramEnd::request(1);
}

std::string reasonOf(int error)
{
  switch (error) {
    case ENOENT:
      return "there is no such file, or it is a link to nothing";
    case EISDIR:
      return "it is a folder";
    case EACCES:
    case EPERM:
      return "it is a folder, or access to it is denied";
    case EROFS:
      return "it lies on a read-only disk";
    case ENOSPC:
      return "the disk is full";
    case 0:
      return "it could not be read";
    default:
      return std::strerror(error);
  }
}

void forgetReports()
{
  saidThisRun().clear();
}

}  // namespace filereport
