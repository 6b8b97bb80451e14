#pragma once

#include <windows.h>

#include "framework/OMProgramEntry.h"

// The game program's entry: the single-instance check, the modules' start and stop, and the
// game main, which brings the game up in a fixed order, runs it and takes it down again.

// Answers 0, or 1 when the game could not start (a failed check or a declined warning, no
// resource files).
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
// False when the game could not start.
bool gameMain();
// The game main's steps around its main loop, for a run that drives the loop itself: from
// the resources to the started first script (false when no resource file was found, which has
// been said), and from the start-up thread back to no window.
bool startGame(int mode);
void endGame();

// The command line WinMain was given.
const char* gameCommandLine();
