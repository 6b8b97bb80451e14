#include "trinkets/src/RCompositeAction.h"

#include <cstdlib>

#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {
TrinketRecord record("RCompositeAction", &RCompositeAction::create);
}

RCompositeAction::RCompositeAction(int interruptible) : ActionContainer(interruptible) {}

RCompositeAction::RCompositeAction(const RCompositeAction& other) : ActionContainer(other) {}

RCompositeAction::~RCompositeAction()
{
  if (isActive()) halt();
}

std::unique_ptr<OMScriptableObject> RCompositeAction::create()
{
  const char* interruptible = popScriptArg();
  return std::make_unique<RCompositeAction>(*interruptible ? std::atoi(interruptible) : 1);
}

void RCompositeAction::registerMembers()
{
  ActionContainer::registerMembers();
}

int RCompositeAction::isInterruptible() const
{
  return allChildrenInterruptible();
}

void RCompositeAction::start()
{
  if (isActive()) return;
  Action::start();
  if (childCount() == 0) {
    finish();
    return;
  }
  finishedCount_ = 0;
  childList().forEach([](Action* child) { child->start(); });
}

void RCompositeAction::childFinished()
{
  ++finishedCount_;
  if (finishedCount_ == childCount()) finish();
}

void RCompositeAction::halt()
{
  // Every interruptible child is halted (a verb action calls its method again), but only
  // those still running are counted: a child that already finished was counted then.
  childList().forEach([this](Action* child) {
    if (!child->isInterruptible()) return;
    const bool wasRunning = child->isActive();
    child->halt();
    if (wasRunning) ++finishedCount_;
  });
  if (finishedCount_ >= childCount()) setActive(0);
}

void RCompositeAction::pause()
{
  childList().forEach([](Action* child) { child->pause(); });
}

void RCompositeAction::resume()
{
  childList().forEach([](Action* child) { child->resume(); });
}
