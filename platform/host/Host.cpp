#include "platform/host/Host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/headless/HeadlessHost.h"
#ifdef OM_HAVE_SDL
#include "platform/host/sdl/SdlHost.h"
#endif

namespace omhost {
namespace {

std::unique_ptr<Host>& current()
{
  static std::unique_ptr<Host> backend;
  return backend;
}

}  // namespace

void ScreenBuffer::resize(int newWidth, int newHeight, int newBitsPerPixel)
{
  width = newWidth;
  height = newHeight;
  bitsPerPixel = newBitsPerPixel;
  pitch = ((width * bitsPerPixel + 31) / 32) * 4;
  bytes.assign(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height), 0);
}

void parseScreenSetting(const char* text, int& width, int& height, int& bitsPerPixel)
{
  width = 640;
  height = 480;
  bitsPerPixel = 16;
  if (text == nullptr) return;
  int w = 0, h = 0, d = 0;
  char rest = 0;
  if (std::sscanf(text, "%dx%dx%d%c", &w, &h, &d, &rest) != 3) return;
  if (w < 1 || h < 1 || w > 8192 || h > 8192) return;
  if (d != 8 && d != 16 && d != 24 && d != 32) return;
  width = w;
  height = h;
  bitsPerPixel = d;
}

Host& host()
{
  auto& backend = current();
  if (!backend) {
    // A real window unless OM_HOST=headless or no display can be opened.
    const char* choice = std::getenv("OM_HOST");
    const bool headless = choice != nullptr && std::strcmp(choice, "headless") == 0;
#ifdef OM_HAVE_SDL
    if (!headless) backend = SdlHost::open();
#endif
    if (!backend) {
      if (!headless && std::getenv("OM_TRACE") != nullptr)
        std::fprintf(stderr, "om: no window can be opened; running headless\n");
      backend = std::make_unique<HeadlessHost>();
    }
  }
  return *backend;
}

void setHost(std::unique_ptr<Host> replacement)
{
  current() = std::move(replacement);
}

}  // namespace omhost
