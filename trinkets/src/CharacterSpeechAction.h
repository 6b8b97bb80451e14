#pragma once

#include <memory>

#include "trinkets/src/CharacterAction.h"

// Makes a character speak and finishes when the speech ends. Flag 0 keeps the speech's sound
// read while it plays; any other flag releases it.
class CharacterSpeechAction : public CharacterAction {
 public:
  CharacterSpeechAction(int variable, int speechId, int flag, int interruptible);
  CharacterSpeechAction(RCharacter* character, int speechId, int flag, int interruptible);
  ~CharacterSpeechAction() override;

  // Arguments: character variable name, speech id, flag (0; not in the assessment edition),
  // interruptible.
  static std::unique_ptr<Action> create(int interruptible);

  void start() override;

 protected:
  std::unique_ptr<Action> copy() const override
  {
    return std::make_unique<CharacterSpeechAction>(*this);
  }

 private:
  int flag_;
  int speechId_;
};
