#pragma once

#include <memory>

#include "trinkets/src/CharacterAction.h"

// Makes a character play an animation and finishes when it ends.
class CharacterAnimAction : public CharacterAction {
 public:
  CharacterAnimAction(int variable, int animationId, int repeat, int stayVisible,
                      int interruptible);
  CharacterAnimAction(RCharacter* character, int animationId, int repeat, int stayVisible,
                      int interruptible);
  ~CharacterAnimAction() override;

  // Arguments: character variable name, animation id, repeat (1), stay visible (1),
  // interruptible.
  static std::unique_ptr<Action> create(int interruptible);

  void start() override;

 protected:
  std::unique_ptr<Action> copy() const override
  {
    return std::make_unique<CharacterAnimAction>(*this);
  }

 private:
  int stayVisible_;
  int repeat_;
  int animationId_;
};
