#include "trinkets/src/Action.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "framework/OMEdition.h"
#include "framework/OMLinkToObj.h"

namespace {

// While a finish is in progress anywhere, dying actions are noted, so that a finish whose
// callback destroyed its own action does not go on to raise "finished" on it.
int finishNesting = 0;
std::vector<const Action*>& destroyedDuringFinish()
{
  static std::vector<const Action*> destroyed;
  return destroyed;
}

// A new action may take the place of one destroyed during the finish in progress: it is not
// that one.
void forgetDestroyed(const Action* action)
{
  auto& destroyed = destroyedDuringFinish();
  destroyed.erase(std::remove(destroyed.begin(), destroyed.end(), action), destroyed.end());
}

std::unique_ptr<OMLink>& deletionHook()
{
  static std::unique_ptr<OMLink> hook;
  return hook;
}

}  // namespace

void Action::setDeletionHook(const OMLink* link)
{
  std::unique_ptr<OMLink> replacement = cloneLink(link);
  deletionHook() = std::move(replacement);
}

Action::Action(int interruptible) : interruptible_(interruptible)
{
  forgetDestroyed(this);
}

Action::Action(const Action& other)
    : OMScriptableObject(other), interruptible_(other.interruptible_)
{
  forgetDestroyed(this);
}

Action::~Action()
{
  if (finishNesting > 0) destroyedDuringFinish().push_back(this);
  if (OMEdition::isAssessment() && deletionHook())
    deletionHook()->call(reinterpret_cast<OMWord>(this));
}

std::unique_ptr<OMScriptableObject> Action::clone() const
{
  return cloneAction();
}

std::unique_ptr<Action> Action::cloneAction() const
{
  std::unique_ptr<Action> made = copy();
  if (made) copyMembers(made.get());
  return made;
}

std::unique_ptr<Action> Action::copy() const
{
  return nullptr;
}

void Action::registerMembers()
{
  addProperty("isInterruptible", nullptr,
              OMLinkToObj<Action>(this, &Action::getIsInterruptible, 0));
  addMethod("halt", OMLinkToObj<Action>(this, &Action::haltMember));
  addMethod("pause", OMLinkToObj<Action>(this, &Action::pauseMember));
  addMethod("resume", OMLinkToObj<Action>(this, &Action::resumeMember));
  addMethod("start", OMLinkToObj<Action>(this, &Action::startMember));
  addEvent("finished");
}

void Action::halt()
{
  active_ = 0;
}

int Action::isActive() const
{
  return active_;
}

int Action::isInterruptible() const
{
  return interruptible_;
}

void Action::pause() {}

void Action::resume() {}

void Action::start()
{
  active_ = 1;
}

void Action::setFinishedCallback(const OMLink* link)
{
  std::unique_ptr<OMLink> replacement = cloneLink(link);
  finishedCallback_ = std::move(replacement);
}

void Action::finish()
{
  active_ = 0;
  ++finishNesting;
  // A copy runs, so that the callback may replace or drop this action's callback.
  if (std::unique_ptr<OMLink> callback = cloneLink(finishedCallback_.get())) callback->call();
  const auto& destroyed = destroyedDuringFinish();
  const bool survived = std::find(destroyed.begin(), destroyed.end(), this) == destroyed.end();
  if (survived) raise("finished");
  if (--finishNesting == 0) destroyedDuringFinish().clear();
}

OMWord Action::writeScriptNumber(OMWord buffer, int value)
{
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%d", value);
  return 1;
}

OMWord Action::getIsInterruptible(OMWord buffer)
{
  return writeScriptNumber(buffer, isInterruptible());
}

OMWord Action::haltMember()
{
  halt();
  return 1;
}

OMWord Action::pauseMember()
{
  pause();
  return 1;
}

OMWord Action::resumeMember()
{
  resume();
  return 1;
}

OMWord Action::startMember()
{
  start();
  return 1;
}
