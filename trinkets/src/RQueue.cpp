#include "trinkets/src/RQueue.h"

#include <cstdlib>

#include "framework/OMApp.h"
#include "framework/OMLinkToObj.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {
TrinketRecord record("RQueue", &RQueue::create);
}

RQueue::RQueue(int repeatCount, int interruptible)
    : ActionContainer(interruptible), repeatCount_(repeatCount ? repeatCount : 1)
{
}

RQueue::RQueue(const RQueue& other) : ActionContainer(other), repeatCount_(other.repeatCount_) {}

RQueue::~RQueue()
{
  if (isActive()) halt();
}

std::unique_ptr<OMScriptableObject> RQueue::create()
{
  // Without a count the queue takes its defaults; the flag is read only after a count.
  const char* count = popScriptArg();
  if (!*count) return std::make_unique<RQueue>(1, 1);
  const char* interruptible = popScriptArg();
  return std::make_unique<RQueue>(std::atoi(count), *interruptible ? std::atoi(interruptible) : 1);
}

void RQueue::registerMembers()
{
  ActionContainer::registerMembers();
  addProperty("repeatCount", OMLinkToObj<RQueue>(this, &RQueue::setRepeatCountMember, 0),
              OMLinkToObj<RQueue>(this, &RQueue::getRepeatCount, 0));
  addMethod("clear", OMLinkToObj<RQueue>(this, &RQueue::clearMember));
}

void RQueue::setRepeatCount(int repeatCount)
{
  repeatCount_ = repeatCount ? repeatCount : 1;
}

int RQueue::isInterruptible() const
{
  return allChildrenInterruptible();
}

void RQueue::start()
{
  if (isActive()) return;
  Action::start();
  rounds_ = 0;
  roundWaited_ = false;
  current_ = childList().first();
  if (!current_) {
    finish();
    return;
  }
  runFromCursor();
}

void RQueue::childFinished()
{
  if (startingChild_) {
    advancePending_ = true;
    return;
  }
  if (moveToNextChild()) {
    awaitNextPass();
    return;
  }
  runFromCursor();
}

Action* RQueue::childAfter(Action* child)
{
  OMListLocator<Action> locator(childList());
  locator.seek(child);
  locator.next();
  return locator.current();
}

bool RQueue::moveToNextChild()
{
  current_ = current_ ? childAfter(current_) : nullptr;
  if (current_) return false;
  if (repeatCount_ != -1 && rounds_ + 1 >= repeatCount_) return false;
  ++rounds_;
  current_ = childList().first();
  const bool instant = !roundWaited_;
  roundWaited_ = false;
  return instant && current_;
}

void RQueue::awaitNextPass()
{
  OMApp* app = OMApp::instance();
  if (!app) return;
  if (!nextRound_) {
    const OMLinkToObj<RQueue> link(this, &RQueue::startAwaitedRound);
    nextRound_ = std::make_unique<OMTask>(&link, 0);
  }
  // Registered while rounds keep coming, the task runs once a pass.
  if (!app->taskList().contains(nextRound_.get())) app->addTask(nextRound_.get());
  roundDue_ = true;
}

OMWord RQueue::startAwaitedRound()
{
  if (roundDue_) {
    const std::weak_ptr<int> alive = alive_;
    runFromCursor();
    if (alive.expired()) return 1;
  }
  if (!roundDue_) dropAwaitedRound();
  return 1;
}

void RQueue::dropAwaitedRound()
{
  roundDue_ = false;
  OMApp* app = OMApp::instance();
  if (app && nextRound_) app->removeTask(nextRound_.get());
}

void RQueue::onRemove(Action* child)
{
  if (child == current_) current_ = nullptr;
}

void RQueue::runFromCursor()
{
  // Going on from here, the queue no longer waits for a pass.
  roundDue_ = false;
  const std::weak_ptr<int> alive = alive_;
  while (isActive()) {
    Action* child = current_;
    if (!child) {
      finish();
      return;
    }
    advancePending_ = false;
    startingChild_ = true;
    child->start();
    // A child's "finished" procedure may have dropped the queue.
    if (alive.expired()) return;
    startingChild_ = false;
    if (!isActive()) return;
    if (!advancePending_) {
      roundWaited_ = true;
      return;
    }
    if (moveToNextChild()) {
      awaitNextPass();
      return;
    }
  }
}

void RQueue::halt()
{
  bool haltedOne = false;
  while (Action* child = current_) {
    if (!child->isInterruptible()) break;
    child->halt();
    haltedOne = true;
    current_ = childAfter(child);
  }
  if (!current_) {
    setActive(0);
    return;
  }
  if (haltedOne) runFromCursor();
}

void RQueue::pause()
{
  if (current_) current_->pause();
}

void RQueue::resume()
{
  if (current_) current_->resume();
}

void RQueue::clear()
{
  halt();
  if (!current_) removeAll();
}

OMWord RQueue::setRepeatCountMember(OMWord text)
{
  setRepeatCount(std::atoi(reinterpret_cast<const char*>(text)));
  return 1;
}

OMWord RQueue::getRepeatCount(OMWord buffer)
{
  return writeScriptNumber(buffer, repeatCount_);
}

OMWord RQueue::clearMember()
{
  clear();
  return 1;
}
