#pragma once

#include <memory>

#include "trinkets/src/Action.h"

class OMAnimation;

// Plays the animation that a script variable holds and ends with its sequence; it drives the
// animation only while the variable still holds it.
class PlayAnimAction : public Action {
 public:
  PlayAnimAction(int variable, int interruptible);
  ~PlayAnimAction() override;

  // Arguments: variable name, interruptible.
  static std::unique_ptr<Action> create(int interruptible);

  void halt() override;
  void pause() override;
  void resume() override;
  void start() override;

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<PlayAnimAction>(*this); }

 private:
  OMAnimation* animation() const;
  OMWord done();

  int variable_;
};
