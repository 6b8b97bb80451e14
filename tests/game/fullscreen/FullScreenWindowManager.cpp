// A stand-in window manager for a bare X server (Xvfb), which has none: it does only what a
// program's full-screen request needs. A program asks the window manager for full screen by
// a _NET_WM_STATE message to the root window (the desktop standard); this one answers it as
// window managers do: the window covers the screen and its state says so, and leaving full
// screen gives it its former place and size. Nothing else is managed: windows map and move
// themselves, as they do without a window manager.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace {

struct Place {
  int x = 0, y = 0;
  unsigned width = 0, height = 0;
};

constexpr long kRemove = 0, kAdd = 1, kToggle = 2;

// A window gone before its request is handled is no reason to stop.
int ignoreError(Display*, XErrorEvent*)
{
  return 0;
}

}  // namespace

int main()
{
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "fullscreen_wm: no display\n");
    return 2;
  }
  XSetErrorHandler(&ignoreError);
  const Window root = DefaultRootWindow(display);
  const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  const Atom fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  const Atom name = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);

  // What a program looks for to know that a window manager of the standard runs.
  const Window self = XCreateSimpleWindow(display, root, -10, -10, 1, 1, 0, 0, 0);
  XChangeProperty(display, root, check, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&self), 1);
  XChangeProperty(display, self, check, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&self), 1);
  const char ownName[] = "fullscreen_wm";
  XChangeProperty(display, self, name, utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(ownName),
                  static_cast<int>(std::strlen(ownName)));
  const Atom offered[] = {state, fullScreen};
  XChangeProperty(display, root, supported, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(offered), 2);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);
  // The caller waits for this line before it starts the program.
  std::printf("ready\n");
  std::fflush(stdout);

  std::map<Window, Place> former;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != ClientMessage || event.xclient.message_type != state) continue;
    const long action = event.xclient.data.l[0];
    if (static_cast<Atom>(event.xclient.data.l[1]) != fullScreen &&
        static_cast<Atom>(event.xclient.data.l[2]) != fullScreen)
      continue;
    const Window window = event.xclient.window;
    if (action != kRemove && action != kAdd && action != kToggle) continue;
    const bool isFull = former.count(window) != 0;
    const bool wantFull = action == kAdd || (action == kToggle && !isFull);
    if (wantFull == isFull) continue;
    if (wantFull) {
      XWindowAttributes attributes;
      if (!XGetWindowAttributes(display, window, &attributes)) continue;
      Window child;
      Place place;
      XTranslateCoordinates(display, window, root, 0, 0, &place.x, &place.y, &child);
      place.width = static_cast<unsigned>(attributes.width);
      place.height = static_cast<unsigned>(attributes.height);
      former[window] = place;
      XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&fullScreen), 1);
      XMoveResizeWindow(display, window, 0, 0,
                        static_cast<unsigned>(DisplayWidth(display, DefaultScreen(display))),
                        static_cast<unsigned>(DisplayHeight(display, DefaultScreen(display))));
      XRaiseWindow(display, window);
    } else {
      const Place place = former[window];
      former.erase(window);
      XDeleteProperty(display, window, state);
      XMoveResizeWindow(display, window, place.x, place.y, place.width, place.height);
    }
    XFlush(display);
  }
}
