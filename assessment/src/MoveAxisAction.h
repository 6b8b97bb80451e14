#pragma once

#include "assessment/src/MoveAction.h"

// A move along one axis, x or y.
class MoveAxisAction : public MoveAction {
 public:
  MoveAxisAction(RAnimation* animation, OMScriptableObject* target, const MoveAxis& axis,
                 int interruptible, bool horizontal);

 protected:
  // What the factories pop: animation name, target name, start, velocity, acceleration, end
  // and the optional interruptible flag. False when the action cannot be made.
  struct Arguments {
    Objects objects;
    MoveAxis axis;
    int interruptible = 0;
  };
  static bool popArguments(int registryDefault, Arguments& out);

  void moveToStart() override;
  bool advance() override;

 private:
  void place(int coordinate);

  MoveAxis axis_;
  bool horizontal_;
};
