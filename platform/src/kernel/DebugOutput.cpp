#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <windows.h>

void OutputDebugStringA(LPCSTR text)
{
  // Asked at every call: the lines are rare, and a test may switch tracing on.
  if (std::getenv("OM_TRACE") == nullptr || text == nullptr) return;
  // Callers may or may not end their line; stderr always gets whole lines.
  const std::size_t length = std::strlen(text);
  std::fprintf(stderr, "om: %s%s", text, length > 0 && text[length - 1] == '\n' ? "" : "\n");
}
