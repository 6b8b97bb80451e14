#pragma once

#include "trinkets/src/Action.h"

// A placeholder step: it finishes as soon as it starts.
class EmptyAction : public Action {
 public:
  explicit EmptyAction(int interruptible);

  // Argument: interruptible.
  static std::unique_ptr<Action> create(int interruptible);

  void start() override;

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<EmptyAction>(*this); }
};
