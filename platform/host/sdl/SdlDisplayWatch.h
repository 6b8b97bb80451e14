#pragma once

#include <SDL.h>

namespace omhost {

// Watches the window's display: when the display goes away, the host learns it
// (reportDisplayLost) instead of the process ending from inside the display library.
void watchDisplay(SDL_Window* window);

}  // namespace omhost
