#include "assessment/src/FileReport.h"

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
  for (std::size_t i = 2; i < full.size(); ++i) host += full[i] == '\\' ? '/' : full[i];
  return host;
}

std::string describe(const std::string& windowsPath, const std::string& problem,
                     const std::string& advice)
{
  std::string text = windowsPath + " (" + hostPathOf(windowsPath) + "): " + problem + ".";
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
