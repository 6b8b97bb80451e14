#include "trinkets/src/RRandomAction.h"

#include <cstdlib>

#include "framework/OMLinkToObj.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {
// The assessment edition has no random action.
TrinketRecord record("RRandomAction", &RRandomAction::create, TrinketRecord::gameEditionOnly);
}  // namespace

RRandomAction::RRandomAction(int useAllBeforeRepeat, int interruptible)
    : ActionContainer(interruptible), useAllBeforeRepeat_(useAllBeforeRepeat)
{
}

RRandomAction::RRandomAction(const RRandomAction& other)
    : ActionContainer(other), useAllBeforeRepeat_(other.useAllBeforeRepeat_)
{
}

RRandomAction::~RRandomAction()
{
  if (isActive()) halt();
  // The children go with the container: the pool must not outlive them.
  pool_.removeAll();
  current_ = nullptr;
}

std::unique_ptr<OMScriptableObject> RRandomAction::create()
{
  // Without the first argument the action takes its defaults; the flag is read only after it.
  const char* useAll = popScriptArg();
  if (!*useAll) return std::make_unique<RRandomAction>(0, 1);
  const char* interruptible = popScriptArg();
  return std::make_unique<RRandomAction>(std::atoi(useAll),
                                         *interruptible ? std::atoi(interruptible) : 1);
}

void RRandomAction::registerMembers()
{
  ActionContainer::registerMembers();
  addProperty("useAllBeforeRepeat",
              OMLinkToObj<RRandomAction>(this, &RRandomAction::setUseAllBeforeRepeatMember, 0),
              OMLinkToObj<RRandomAction>(this, &RRandomAction::getUseAllBeforeRepeat, 0));
}

int RRandomAction::isInterruptible() const
{
  return allChildrenInterruptible();
}

void RRandomAction::onAdd(Action* child)
{
  pool_.add(child);
}

void RRandomAction::onRemove(Action* child)
{
  pool_.remove(child);
  if (child == current_) current_ = nullptr;
}

Action* RRandomAction::poolItemAt(int index)
{
  OMListLocator<Action> locator(pool_);
  locator.advance(index);
  return locator.current();
}

void RRandomAction::start()
{
  if (isActive()) return;
  Action::start();
  if (pool_.isEmpty()) {
    finish();
    return;
  }
  current_ = poolItemAt(std::rand() % pool_.count());
  if (useAllBeforeRepeat_) {
    pool_.remove(current_);
    if (pool_.isEmpty()) childList().forEach([this](Action* child) { pool_.add(child); });
  }
  current_->start();
}

void RRandomAction::childFinished()
{
  current_ = nullptr;
  finish();
}

void RRandomAction::halt()
{
  if (!current_ || !current_->isInterruptible()) return;
  current_->halt();
  current_ = nullptr;
  setActive(0);
}

void RRandomAction::pause()
{
  if (current_) current_->pause();
}

void RRandomAction::resume()
{
  if (current_) current_->resume();
}

OMWord RRandomAction::setUseAllBeforeRepeatMember(OMWord text)
{
  useAllBeforeRepeat_ = std::atoi(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RRandomAction::getUseAllBeforeRepeat(OMWord buffer)
{
  return writeScriptNumber(buffer, useAllBeforeRepeat_);
}
