#pragma once

#include <functional>

#include "framework/OMRect.h"

// The machine checks the program makes before it creates anything, with their messages.

// What the checks read of the machine. Each member asks the platform unless a test replaced it.
struct StartupFacts {
  std::function<unsigned long long()> availableVirtualBytes;
  std::function<unsigned()> waveDeviceCount;
  // Whether "WING32.DLL" loads (it is freed again at once).
  std::function<bool()> winGLoads;
  std::function<bool(int bytes)> diskTest;
  std::function<int()> screenDepth;
  std::function<OMRect()> screenRect;
};

// The facts in use; tests replace members and call resetStartupFacts when done.
StartupFacts& startupFacts();
void resetStartupFacts();

// True when every check passed; else its message has been shown.
bool passStartupChecks();

// Writes bytes / 4 running integers to a temporary file of the runtime, which closing
// deletes; false when the file cannot be made or a write fails.
bool diskTest(int bytes);
