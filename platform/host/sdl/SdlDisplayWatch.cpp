#include "platform/host/sdl/SdlDisplayWatch.h"

#include <SDL_syswm.h>
#include <dlfcn.h>

#include "platform/host/HostSignals.h"

namespace omhost {

thread_local sigjmp_buf* displaywatch::way_back = nullptr;

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {

// Xlib ends the process from inside whatever call meets a lost X server, static destructors
// and all. These handlers leave the call instead (SDL cannot go on with a dead display), and
// the program ends through its own loop.
int onDisplayError(Display*)
{
  reportDisplayLost();
  if (displaywatch::way_back != nullptr) siglongjmp(*displaywatch::way_back, 1);
  return 0;
}

void onDisplayErrorExit(Display*, void*)
{
  reportDisplayLost();
  if (displaywatch::way_back != nullptr) siglongjmp(*displaywatch::way_back, 1);
}

}  // namespace

void watchDisplay(SDL_Window* window)
{
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  // Xlib is SDL's, found where SDL loaded it.
  void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (xlib == nullptr) return;
  using Handler = int (*)(Display*);
  using SetHandler = Handler (*)(Handler);
  using SetExitHandler = void (*)(Display*, void (*)(Display*, void*), void*);
  auto setHandler = reinterpret_cast<SetHandler>(dlsym(xlib, "XSetIOErrorHandler"));
  auto setExitHandler = reinterpret_cast<SetExitHandler>(dlsym(xlib, "XSetIOErrorExitHandler"));
  if (setHandler != nullptr && setExitHandler != nullptr) {
    setHandler(&onDisplayError);
    setExitHandler(info.info.x11.display, &onDisplayErrorExit, nullptr);
  }
  dlclose(xlib);
}
#else
void watchDisplay(SDL_Window*) {}
#endif

}  // namespace omhost
