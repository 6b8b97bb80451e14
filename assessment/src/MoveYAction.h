#pragma once

#include <memory>

#include "assessment/src/MoveAxisAction.h"

// Moves a trinket along y, one step per frame of a playing animation.
class MoveYAction : public MoveAxisAction {
 public:
  MoveYAction(RAnimation* animation, OMScriptableObject* target, const MoveAxis& axis,
              int interruptible);

  // Pops animation name, target name, start, velocity, acceleration, end and an optional
  // interruptible flag; nothing is made when either object is missing.
  static std::unique_ptr<Action> create(int interruptible);

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<MoveYAction>(*this); }
};
