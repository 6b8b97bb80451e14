#include "setup/SetupLauncher.h"

#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

SetupModuleFileNameFunction setupModuleFileName = GetModuleFileNameA;

namespace {

constexpr DWORD kPathSize = 260;
constexpr DWORD kVersionInfoSize = 148;
static_assert(sizeof(OSVERSIONINFOA) == kVersionInfoSize);

}  // namespace

bool isSupportedWindows()
{
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = kVersionInfoSize;
  GetVersionExA(&version);
  return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ||
         version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
  GetVersion();
  char path[kPathSize] = {};
  setupModuleFileName(instance, path, kPathSize);
  char* lastBackslash = std::strrchr(path, '\\');
  if (!lastBackslash) return 0;
  // The folder is built apart from the buffer: a long path leaves too little room behind it.
  const std::string folder = std::string(path, lastBackslash) + "\\INSTALL\\VUD";
  if (!isSupportedWindows()) return 0;
  const HINSTANCE result =
      ShellExecuteA(GetDesktopWindow(), nullptr, "SETUP32.EXE", "", folder.c_str(), SW_SHOWNORMAL);
  // Saying nothing would leave a user with a CD that seems to do nothing at all.
  if (reinterpret_cast<std::uintptr_t>(result) <= 32) {
    std::fprintf(stderr, "setup: cannot start %s\\SETUP32.EXE\n", folder.c_str());
    return 0;
  }
  return 1;
}
