#pragma once

#include <SDL.h>

namespace omhost {

// The Win32 virtual key of an SDL key position (US layout), 0 for keys the programs never see.
int virtualKeyFromScancode(SDL_Scancode scancode);

}  // namespace omhost
