#pragma once

#include <memory>

#include "assessment/src/MoveAction.h"

// Moves a trinket in both axes, one step per frame of a playing animation; it ends when both
// axes have passed their ends.
class MoveXYAction : public MoveAction {
 public:
  MoveXYAction(RAnimation* animation, OMScriptableObject* target, const MoveAxis& x,
               const MoveAxis& y, int interruptible);

  // Pops animation name, target name, start, velocity, acceleration and end of x, the same of
  // y, and an optional interruptible flag.
  static std::unique_ptr<Action> create(int interruptible);

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<MoveXYAction>(*this); }
  void moveToStart() override;
  bool advance() override;

 private:
  MoveAxis x_;
  MoveAxis y_;
};
