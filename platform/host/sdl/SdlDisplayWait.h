#pragma once

#include <SDL.h>

namespace omhost {

// Waits for the window's input or for another thread's wake without asking the display
// library: on X11 the wait is a poll of the display's connection and of a wake counter, so a
// still screen wakes only for real work, a wake from another thread costs one write (no round
// trip through the X server), and a look for input with none there costs one poll instead of a
// pump of SDL's events. Elsewhere it is not usable and the host keeps SDL's own wait.
class SdlDisplayWait {
 public:
  SdlDisplayWait() = default;
  ~SdlDisplayWait();
  SdlDisplayWait(const SdlDisplayWait&) = delete;
  SdlDisplayWait& operator=(const SdlDisplayWait&) = delete;

  // Finds the window's X connection; answers whether the wait is usable.
  bool attach(SDL_Window* window);
  bool usable() const { return wakeFd_ >= 0; }
  // Whether SDL's queue, the display library's queue or the connection may hold an event.
  bool inputMayBeWaiting() const;
  // Waits up to milliseconds for input or a wake; answers whether either came.
  bool wait(int milliseconds);
  // Ends a wait from any thread (or the next one, when none is running).
  void wake() const;

 private:
  void* display_ = nullptr;
  int displayFd_ = -1;
  int wakeFd_ = -1;
};

}  // namespace omhost
