#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/OMWord.h"

class OMScriptableObject;
class YThread;

// The engine-wide state of the script threads and the per-frame tick that steps them.

// The tick: steps every running thread once per pass; a tick of at least 100 ms lets the
// periodic procedures count. A script switch asked for during the walk is made after it.
OMWord scriptTick(OMWord unused = 0);
void setScriptStepMode(int flag);
int scriptStepMode();
void holdAllThreads();
void releaseAllThreads();
void pauseAllThreads();
void resumeAllThreads();
void clearThreadFlagAll();
YThread* firstScriptThread();
// Whether a script thread runs and so can still take an event's procedure.
bool anyScriptThreadRuns();
// The name under which the object's event reached the script, else the variable owning it.
const char* nameOfScriptObject(const OMScriptableObject* object);
// Asks the application to quit (the statement "quit"); a handler set by the shell does it.
void setScriptQuitHandler(void (*handler)());

// Shared with the threads.
struct YPendingSwitch {
  YThread* thread = nullptr;
  bool hasName = false;
  std::string name;
  int variable = 0;
};

namespace scriptEngine {

std::vector<YThread*>& threads();
// Appends a thread that loaded; the first one also adds the tick's task.
void addThread(YThread* thread);
YThread* findThread(std::uint32_t serial);
std::uint32_t newThreadSerial();
bool tickRaised();
YPendingSwitch& pendingSwitch();
bool switchPending();
void setPendingSwitch(YThread* thread, const char* name, int variable);
void forgetThread(const YThread* thread);
// The single pause deadline of all threads; 0 when none.
std::uint32_t& pauseDeadline();
std::uint32_t& lastParkedOpcode();
void requestQuit();

}  // namespace scriptEngine
