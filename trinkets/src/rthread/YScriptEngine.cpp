#include "trinkets/src/rthread/YScriptEngine.h"

#include <mmsystem.h>

#include <algorithm>
#include <memory>

#include "framework/OMApp.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMTask.h"

#include "trinkets/src/rthread/ThreadStack.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

std::vector<YThread*> runningThreads;
// The per-pass task that runs the tick, from the first thread to the last. It goes on the
// list that stands in for the application's task list.
std::unique_ptr<OMTask> tickTask;
std::uint32_t threadSerials = 0;
bool tickFlag = false;
bool tickStarted = false;
std::uint32_t lastTick = 0;
YPendingSwitch pending;
int stepMode = 0;
std::uint32_t deadline = 0;
std::uint32_t parkedOpcode = 0xFFFFFFFFu;
void (*quitHandler)() = nullptr;

constexpr std::uint32_t tickInterval = 100;

void performSwitch()
{
  YPendingSwitch request = pending;
  pending = YPendingSwitch{};
  YThread* thread = request.thread;
  clearEventRecords();
  if (!thread) return;
  if (request.hasName) {
    if (thread->load(request.name.c_str())) thread->start();
    return;
  }
  if (request.variable != 0) {
    // Read the name before loading clears the table.
    YVariable* variable = scriptVariables.at(request.variable);
    const std::string name = variable ? variable->getText() : "";
    if (thread->load(name.c_str())) thread->start();
    return;
  }
  returnToPreviousScript(thread);
}

}  // namespace

namespace scriptEngine {

std::vector<YThread*>& threads()
{
  return runningThreads;
}

void addThread(YThread* thread)
{
  runningThreads.push_back(thread);
  if (!tickTask) {
    const OMLinkToFct tick(&scriptTick);
    tickTask = std::make_unique<OMTask>(&tick, 0);
  }
  // A thread made before the application object gets its tick once the object exists.
  OMApp* app = OMApp::instance();
  if (app && !app->taskList().contains(tickTask.get())) app->addTask(tickTask.get());
}

YThread* findThread(std::uint32_t serial)
{
  for (YThread* thread : runningThreads) {
    if (thread->serial() == serial) return thread;
  }
  return nullptr;
}

std::uint32_t newThreadSerial()
{
  return ++threadSerials;
}
bool tickRaised()
{
  return tickFlag;
}
YPendingSwitch& pendingSwitch()
{
  return pending;
}
bool switchPending()
{
  return pending.thread != nullptr;
}

void setPendingSwitch(YThread* thread, const char* name, int variable)
{
  pending.thread = thread;
  pending.hasName = name != nullptr;
  pending.name = name ? name : "";
  pending.variable = variable;
}

void forgetThread(const YThread* thread)
{
  std::erase(runningThreads, thread);
  if (pending.thread == thread) pending = YPendingSwitch{};
  // The tick starts over with the next first thread.
  if (runningThreads.empty()) {
    tickStarted = false;
    OMApp* app = OMApp::instance();
    if (tickTask && app) app->removeTask(tickTask.get());
    tickTask.reset();
  }
}

std::uint32_t& pauseDeadline()
{
  return deadline;
}
std::uint32_t& lastParkedOpcode()
{
  return parkedOpcode;
}

void requestQuit()
{
  if (quitHandler) quitHandler();
}

}  // namespace scriptEngine

OMWord scriptTick(OMWord)
{
  if (runningThreads.empty()) return 0;
  const std::uint32_t now = timeGetTime();
  if (!tickStarted) {
    tickStarted = true;
    lastTick = now;
  } else if (now - lastTick > tickInterval) {
    tickFlag = true;
    lastTick = now;
  }
  for (std::size_t i = 0; i < runningThreads.size(); ++i) {
    if (runningThreads[i]->runUntilBlocked()) break;
  }
  tickFlag = false;
  if (pending.thread) performSwitch();
  return 0;
}

void setScriptStepMode(int flag)
{
  stepMode = flag;
}
int scriptStepMode()
{
  return stepMode;
}

void holdAllThreads()
{
  for (YThread* thread : runningThreads)
    thread->setHeld(true);
}

void releaseAllThreads()
{
  for (YThread* thread : runningThreads)
    thread->setHeld(false);
}

void pauseAllThreads()
{
  for (YThread* thread : runningThreads)
    thread->setWaiting(true);
}

void resumeAllThreads()
{
  for (YThread* thread : runningThreads)
    thread->setWaiting(false);
}

void clearThreadFlagAll()
{
  for (YThread* thread : runningThreads)
    thread->clearIdleCounter();
}

YThread* firstScriptThread()
{
  return runningThreads.empty() ? nullptr : runningThreads.front();
}

bool anyScriptThreadRuns()
{
  return std::any_of(runningThreads.begin(), runningThreads.end(),
                     [](const YThread* thread) { return thread->isRunning(); });
}

const char* nameOfScriptObject(const OMScriptableObject* object)
{
  if (const char* name = messageNameOf(object)) return name;
  return scriptVariables.nameOfObject(object, nullptr);
}

void setScriptQuitHandler(void (*handler)())
{
  quitHandler = handler;
}
