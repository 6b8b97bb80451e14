#pragma once

#include <cstdint>

class OMApp;
class OMTrinketWindow;
class YThread;

// The assessment program's main: the machine checks, the descriptor, the application object
// and the stage, the global commands, the loader hooks, the first script chosen by the
// hand-off file, the main loop and the teardown. Answers the exit status.
int appMain();
// appMain's two halves: everything up to the main loop (false when a check or the descriptor
// failed: its message has been shown), and the teardown, which is right after either result.
bool setUpProgram();
void tearDownProgram();

// What the program made, while it runs; null before and after.
OMApp* assessmentApp();
OMTrinketWindow* assessmentStage();
YThread* assessmentThread();

// The hand-off values: the mode (0 until the hand-off file sets it) and the letter ('m').
std::int32_t handOffMode();
char handOffLetter();
// Reads and deletes "users\tovik.dat" when it exists; sets the two values above.
void readHandOffFile();
// The first script for the hand-off values.
const char* firstScriptName(std::int32_t mode, char letter);

// The status the program ends with: 0, or the status of a request to end (1 after a fatal
// script error, which ends the main loop: nothing exits from inside it).
int assessmentExitStatus();
// The one call made before the program ends on an error (a fatal script error, a failed
// assertion); the hook set here runs once per start of the program.
void setPreExitHook(void (*hook)());
void runPreExit();
// After a change of the display's size (nothing calls it yet): unless the frame is minimised,
// records the new size and moves the stage to ((width - 640) / 2, (height - 500) / 2).
void checkScreenChange();
