#pragma once

#include <memory>

#include "trinkets/src/Action.h"

class RCharacter;

// What the two character actions share: the character, given natively or held by a script
// variable, and the halt, pause and resume that reach it.
class CharacterAction : public Action {
 public:
  CharacterAction(int variable, int interruptible);
  CharacterAction(RCharacter* character, int interruptible);

  void halt() override;
  void pause() override;
  void resume() override;

 protected:
  // Null when the native character is gone or the variable no longer holds a character.
  RCharacter* character() const;
  // The character's done link: it finishes the action.
  std::unique_ptr<OMLink> doneLink();

 private:
  OMWord done();

  int variable_ = -1;
  RCharacter* native_ = nullptr;
  std::weak_ptr<int> nativeAlive_;
};
