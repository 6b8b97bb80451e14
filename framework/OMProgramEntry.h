#pragma once

#include <windows.h>

// The entry every program of the engine shares: it keeps the instance and the command line,
// makes the single-instance check and, when no other copy runs, starts the modules, runs the
// program's own main and stops the modules again.

// Answers the program's exit status.
using OMProgramMain = int (*)();

// Answers the program main's status, 0 when another copy runs.
int runProgramEntry(HINSTANCE instance, LPSTR commandLine, OMProgramMain programMain);
// True when another copy runs (it is brought to the front). Leaves the frame class name,
// "ZEB: " + product name + " " + version, for the application object in both cases.
bool findRunningInstance(HINSTANCE instance);
// The command line the entry was given.
const char* programCommandLine();
