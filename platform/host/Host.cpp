#include "platform/host/Host.h"
#include "platform/host/WindowLayerHooks.h"

#include <omcrt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/headless/HeadlessHost.h"
#ifdef OM_HAVE_SDL
#include "platform/host/sdl/SdlHost.h"
#endif

namespace omhost {
namespace {

// The 20 static colours of an 8-bit display: the first ten and the last ten entries.
constexpr std::uint32_t kStaticLow[10] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                          0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0};
constexpr std::uint32_t kStaticHigh[10] = {0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                           0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

std::unique_ptr<Host>& current()
{
  static std::unique_ptr<Host> backend;
  return backend;
}

std::uint64_t& generation()
{
  static std::uint64_t count = 0;
  return count;
}

bool& windowless()
{
  static bool programMakesNoWindow = false;
  return programMakesNoWindow;
}

}  // namespace

void ScreenBuffer::resize(int newWidth, int newHeight, int newBitsPerPixel)
{
  width = newWidth;
  height = newHeight;
  bitsPerPixel = newBitsPerPixel;
  pitch = ((width * bitsPerPixel + 31) / 32) * 4;
  bytes.assign(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height), 0);
  palette.fill(0);
  for (int i = 0; i < 10; ++i) {
    palette[i] = kStaticLow[i];
    palette[246 + i] = kStaticHigh[i];
  }
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
    ++generation();
    const char* choice = std::getenv("OM_HOST");
    if (windowless() || (choice != nullptr && std::strcmp(choice, "headless") == 0)) {
      backend = std::make_unique<HeadlessHost>();
      return *backend;
    }
    // A program meant for a window never runs invisibly: without one it says so and stops.
    const bool display = std::getenv("DISPLAY") != nullptr ||
                         std::getenv("WAYLAND_DISPLAY") != nullptr ||
                         std::getenv("SDL_VIDEODRIVER") != nullptr;
    if (!display) {
      std::fprintf(stderr,
                   "om: there is no display; to run without a window, set OM_HOST=headless\n");
      std::exit(1);
    }
#ifdef OM_HAVE_SDL
    backend = SdlHost::open();
#endif
    if (!backend) {
      std::fprintf(stderr,
                   "om: no window can be opened on this display; to run without a window, set "
                   "OM_HOST=headless\n");
      std::exit(1);
    }
  }
  return *backend;
}

void setHost(std::unique_ptr<Host> replacement)
{
  current() = std::move(replacement);
  ++generation();
}

std::uint64_t hostGeneration()
{
  return generation();
}

}  // namespace omhost

namespace omhost {
namespace {

WindowLayerHooks& hookStore()
{
  static WindowLayerHooks hooks;
  return hooks;
}

}  // namespace

void setWindowLayerHooks(const WindowLayerHooks& hooks)
{
  hookStore() = hooks;
}

const WindowLayerHooks& windowLayerHooks()
{
  return hookStore();
}

}  // namespace omhost

void om_runWithoutWindow()
{
  omhost::windowless() = true;
}
