#include "trinkets/src/DelayAction.h"

#include <cstdlib>

#include "framework/OMApp.h"
#include "framework/OMLinkToObj.h"
#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/OMSParameter.h"

namespace {
ActionRegistrar registrar("DelayAction", &DelayAction::create);
}

DelayAction::DelayAction(int delay, int interruptible) : Action(interruptible), delay_(delay) {}

DelayAction::DelayAction(const DelayAction& other) : Action(other), delay_(other.delay_) {}

DelayAction::~DelayAction()
{
  if (isActive()) halt();
  dropTask();
}

std::unique_ptr<Action> DelayAction::create(int interruptible)
{
  const char* delay = popScriptArg();
  const char* flag = popScriptArg();
  if (!*delay && !*flag) return nullptr;
  return std::make_unique<DelayAction>(std::atoi(delay), *flag ? std::atoi(flag) : interruptible);
}

void DelayAction::start()
{
  Action::start();
  // A second start begins the wait again instead of leaving a second task behind.
  dropTask();
  OMLinkToObj<DelayAction> link(this, &DelayAction::tick);
  task_ = std::make_unique<OMTask>(&link, 0);
  if (OMApp* app = OMApp::instance()) app->addTask(task_.get());
  remaining_ = timeToWait();
  startTime_ = timeGetTime();
}

OMWord DelayAction::tick()
{
  const DWORD elapsed = timeGetTime() - startTime_;
  if (static_cast<std::int64_t>(elapsed) < remaining_) return 1;
  dropTask();
  finish();
  return 1;
}

void DelayAction::pause()
{
  if (!task_ || task_->isSuspended()) return;
  task_->suspend();
  remaining_ -= static_cast<std::int64_t>(timeGetTime() - startTime_);
}

void DelayAction::resume()
{
  if (!task_ || !task_->isSuspended()) return;
  task_->resume();
  startTime_ = timeGetTime();
}

void DelayAction::halt()
{
  Action::halt();
  dropTask();
}

void DelayAction::dropTask()
{
  if (!task_) return;
  if (OMApp* app = OMApp::instance()) app->removeTask(task_.get());
  task_.reset();
}
