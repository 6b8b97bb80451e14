#include "assessment/src/MoveAction.h"

#include <cstdlib>

#include "assessment/src/DeletionRegistry.h"
#include "assessment/src/MoveXAction.h"
#include "assessment/src/MoveXYAction.h"
#include "assessment/src/MoveYAction.h"
#include "framework/OMLinkToObj.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/ActionVariables.h"
#include "trinkets/src/OMFrameEntry.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinket.h"

namespace {
// In one unit, so that the registry lists them in this order.
ActionRegistrar registrarX("MoveXAction", &MoveXAction::create, ActionRegistrar::assessmentOnly);
ActionRegistrar registrarY("MoveYAction", &MoveYAction::create, ActionRegistrar::assessmentOnly);
ActionRegistrar registrarXY("MoveXYAction", &MoveXYAction::create, ActionRegistrar::assessmentOnly);
}  // namespace

MoveAction::MoveAction(RAnimation* animation, OMScriptableObject* target, int interruptible,
                       std::optional<int> endX, std::optional<int> endY)
    : Action(interruptible),
      endX_(endX),
      endY_(endY),
      animation_(animation),
      target_(target),
      trinket_(dynamic_cast<OMTrinket*>(target))
{
  if (trinket_) trinketAlive_ = trinket_->trinketLifetime();
  const OMLinkToObj<MoveAction> forget(this, &MoveAction::forget, 0);
  watchObject(animation_, this, &forget);
  watchObject(target_, this, &forget);
}

MoveAction::MoveAction(const MoveAction& other)
    : MoveAction(other.animation_, other.targetIfAlive(), other.interruptibleFlag(), other.endX_,
                 other.endY_)
{
}

MoveAction::~MoveAction()
{
  if (isActive()) halt();
  unwatchAll();
}

void MoveAction::unwatchAll()
{
  if (animation_) unwatchObject(animation_, this);
  if (target_) unwatchObject(target_, this);
}

MoveAction::Objects MoveAction::popObjects()
{
  const char* animationName = popScriptArg();
  const char* targetName = popScriptArg();
  Objects objects;
  objects.animation =
      dynamic_cast<RAnimation*>(heldObjectOfVariable(resolveActionVariable(animationName)));
  objects.target = heldObjectOfVariable(resolveActionVariable(targetName));
  return objects;
}

const char* MoveAction::popAxis(MoveAxis& axis)
{
  axis.start = coordinateOf(popScriptArg());
  axis.velocity = coordinateOf(popScriptArg());
  axis.acceleration = coordinateOf(popScriptArg());
  const char* end = popScriptArg();
  axis.end = coordinateOf(end);
  return end;
}

std::optional<int> MoveAction::popInterruptible(int registryDefault, const char* end)
{
  const char* flag = popScriptArg();
  if (*flag) return std::atoi(flag);
  if (*end) return registryDefault;
  return std::nullopt;
}

OMScriptableObject* MoveAction::targetIfAlive() const
{
  return trinket_ && trinketAlive_.expired() ? nullptr : target_;
}

OMScriptableObject* MoveAction::liveTarget()
{
  if (trinket_ && trinketAlive_.expired()) forgetTarget();
  return target_;
}

// The watch goes too: no later object at that address may reach this action.
void MoveAction::forgetTarget()
{
  unwatchObject(target_, this);
  target_ = nullptr;
  trinket_ = nullptr;
}

void MoveAction::placeTarget(std::optional<int> x, std::optional<int> y)
{
  OMTrinket* trinket = liveTarget() ? trinket_ : nullptr;
  if (!trinket) return;
  if (x && y)
    trinket->setPosition(*x, *y);
  else if (x)
    trinket->setX(*x);
  else if (y)
    trinket->setY(*y);
}

void MoveAction::start()
{
  Action::start();
  if (!animation_ || !liveTarget()) {
    finish();
    return;
  }
  savedMode_ = animation_->frameNotificationMode();
  const OMLinkToObj<MoveAction> step(this, &MoveAction::stepFrame, 0);
  animation_->setFrameNotification(1, &step);
  animation_->resume();
  moveToStart();
}

OMWord MoveAction::stepFrame(OMWord)
{
  // The animation also reports its control entries; only a frame with an image is a step.
  const OMFrameEntry* entry = animation_ ? animation_->frameEntry(-1) : nullptr;
  if (!isActive() || !entry || !entry->isDisplayable()) return 0;
  if (advance()) return 1;
  halt();
  finish();
  return 1;
}

void MoveAction::halt()
{
  Action::halt();
  if (animation_) {
    animation_->setFrameNotification(savedMode_, nullptr);
    animation_->pause();
  }
  placeTarget(endX_, endY_);
}

void MoveAction::pause()
{
  if (animation_) animation_->pause();
}

void MoveAction::resume()
{
  if (animation_) animation_->resume();
}

OMWord MoveAction::forget(OMWord object)
{
  const void* gone = reinterpret_cast<const void*>(object);
  if (gone == target_) forgetTarget();
  if (gone != animation_) return 1;
  animation_ = nullptr;
  // Nothing paces the move any more: it ends where it stands, so no wait for it hangs.
  if (isActive()) finish();
  return 1;
}
