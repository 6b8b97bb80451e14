#pragma once

#include <istream>
#include <memory>

class YThread;

// The game's global script functions and the first script thread.

// Registers the global functions, then starts the thread on "Startup.mps"; its first
// statements run at the first pass of the main loop.
void registerGlobalScriptFunctions();
// The shell's own functions alone, in their order.
void registerShellFunctions();
// Deletes the start-up thread, when there is one.
void stopStartupThread();
// Shut-down: the transition sound and the random list go.
void shutdownGlobalScriptFunctions();
YThread* startupThread();

// The opener of the game's scripts: the content of a file the search paths find, or null.
std::unique_ptr<std::istream> openScriptFile(const char* name);
