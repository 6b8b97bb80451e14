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

// The command line WinMain was given.
const char* gameCommandLine();
