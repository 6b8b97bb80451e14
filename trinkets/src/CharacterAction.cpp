#include "trinkets/src/CharacterAction.h"

#include "framework/OMLinkToObj.h"
#include "trinkets/lib/RCharacter.h"
#include "trinkets/src/ActionVariables.h"

CharacterAction::CharacterAction(int variable, int interruptible)
    : Action(interruptible), variable_(variable)
{
}

CharacterAction::CharacterAction(RCharacter* character, int interruptible)
    : Action(interruptible),
      native_(character),
      nativeAlive_(character ? character->lifetime() : std::weak_ptr<int>())
{
}

RCharacter* CharacterAction::character() const
{
  if (native_) return nativeAlive_.expired() ? nullptr : native_;
  return dynamic_cast<RCharacter*>(heldObjectOfVariable(variable_));
}

std::unique_ptr<OMLink> CharacterAction::doneLink()
{
  return std::make_unique<OMLinkToObj<CharacterAction>>(this, &CharacterAction::done);
}

OMWord CharacterAction::done()
{
  if (isActive()) finish();
  return 1;
}

void CharacterAction::halt()
{
  Action::halt();
  if (RCharacter* held = character()) held->stop();
}

void CharacterAction::pause()
{
  if (RCharacter* held = character()) held->pause();
}

void CharacterAction::resume()
{
  if (RCharacter* held = character()) held->resume();
}
