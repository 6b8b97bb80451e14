// The folder calls in Windows form.
#include <direct.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "platform/src/kernel/WindowsPaths.h"

namespace {

// The Windows convention: the length copied without the terminator, or, when the buffer is
// too small, the size needed including it.
UINT copyAnswer(const std::string& text, LPSTR buffer, std::size_t size)
{
  if (!buffer || size <= text.size()) return static_cast<UINT>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<UINT>(text.size());
}

}  // namespace

int _mkdir(const char* path)
{
  const auto host = path ? omwin::hostPathFor(path) : std::nullopt;
  if (!host) {
    errno = ENOENT;
    return -1;
  }
  return ::mkdir(host->c_str(), 0777) == 0 ? 0 : -1;
}

char* _getcwd(char* buffer, int size)
{
  const std::string cwd = omwin::currentDirectoryWindows();
  if (!buffer) {
    const std::size_t length = std::max<std::size_t>(cwd.size() + 1, size > 0 ? size : 0);
    buffer = static_cast<char*>(std::malloc(length));
    if (!buffer) {
      errno = ENOMEM;
      return nullptr;
    }
    std::memcpy(buffer, cwd.c_str(), cwd.size() + 1);
    return buffer;
  }
  if (size <= 0 || static_cast<std::size_t>(size) <= cwd.size()) {
    errno = ERANGE;
    return nullptr;
  }
  std::memcpy(buffer, cwd.c_str(), cwd.size() + 1);
  return buffer;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer)
{
  return copyAnswer(omwin::currentDirectoryWindows(), buffer, bufferLength);
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size)
{
  return copyAnswer(omwin::windowsPathFor(omwin::windowsDirectoryHost()), buffer, size);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size)
{
  return copyAnswer(omwin::windowsPathFor(omwin::systemDirectoryHost()), buffer, size);
}
