#pragma once

#include <SDL.h>
#include <setjmp.h>

namespace omhost {

// Watches the window's display: when the display goes away, the host learns it
// (reportDisplayLost) instead of the process ending from inside the display library.
void watchDisplay(SDL_Window* window);
// Runs a call that may talk to the display. When the display goes away inside it, the call is
// left at once (the display library cannot go on from there) and the answer is false.
template <typename Call>
bool onDisplay(Call&& call);

namespace displaywatch {
// The jump back out of a call that met a lost display; null outside onDisplay.
extern thread_local sigjmp_buf* way_back;
}  // namespace displaywatch

template <typename Call>
bool onDisplay(Call&& call)
{
  sigjmp_buf here;
  sigjmp_buf* outer = displaywatch::way_back;
  if (sigsetjmp(here, 0) != 0) {
    displaywatch::way_back = outer;
    return false;
  }
  displaywatch::way_back = &here;
  call();
  displaywatch::way_back = outer;
  return true;
}

}  // namespace omhost
