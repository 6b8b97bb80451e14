#include "framework/OMEditionAssert.h"

#include <cstdio>
#include <cstdlib>

#include <windows.h>

namespace {

void (*exitHook)() = nullptr;

}  // namespace

void setAssertionExitHook(void (*hook)())
{
  exitHook = hook;
}

void formatAssertionMessage(char* buffer, int size, const char* expression, const char* unit,
                            int line)
{
  if (!buffer || size <= 0) return;
  std::snprintf(buffer, static_cast<std::size_t>(size), "Assertion failed: %s, file %s, line %d",
                expression ? expression : "", unit ? unit : "", line);
}

void omAssertionBox(const char* expression, const char* unit, int line)
{
  char message[1024];
  formatAssertionMessage(message, sizeof message, expression, unit, line);
  // No owner: the program's windows may be what broke.
  MessageBoxA(nullptr, message, nullptr, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
  if (void (*hook)() = exitHook) {
    exitHook = nullptr;
    hook();
  }
  std::fflush(stderr);
  std::abort();
}
