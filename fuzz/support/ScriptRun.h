#pragma once

#include <cstdio>
#include <memory>

#include "fuzz/support/FuzzSupport.h"
#include "platform/host/HostClock.h"
#include "trinkets/src/rthread/ScriptMessages.h"
#include "trinkets/src/rthread/ThreadStack.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

// Runs a loaded script thread for a bounded number of steps, then leaves no state behind.
namespace omfuzz {

constexpr int kScriptSteps = 5000;

inline void prepareScripts()
{
  workFolder();
  omhost::useManualClock(10000);
  setScriptAlertHandler([](const char*) {});
  setScriptExitHandler([](int) {});
}

inline void runAndForget(std::unique_ptr<YThread> thread)
{
  if (thread->isLoaded()) {
    thread->start();
    for (int step = 0; step < kScriptSteps && thread->isRunning() && !thread->isWaiting(); ++step)
      thread->execute();
  }
  thread.reset();
  scriptVariables.clear();
  clearEventRecords();
  clearScriptStack();
  std::remove("debug.txt");
}

}  // namespace omfuzz
