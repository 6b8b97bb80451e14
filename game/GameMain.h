#pragma once

#include <windows.h>

// The game program's entry: the single-instance check, the modules' start and stop, and the
// game main, which brings the game up in a fixed order, runs it and takes it down again.

// Answers 0, or 1 when the game could not start (a failed check or a declined warning, no
// resource files).
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
// True when another copy runs (it is brought to the front). Leaves the frame class name,
// "ZEB: " + product name + " " + version, for the application object in both cases.
bool findRunningInstance(HINSTANCE instance);
// False when the game could not start.
bool gameMain();

// The command line WinMain was given.
const char* gameCommandLine();
