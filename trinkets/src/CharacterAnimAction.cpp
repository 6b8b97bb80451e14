#include "trinkets/src/CharacterAnimAction.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "trinkets/lib/RCharacter.h"
#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/ActionVariables.h"
#include "trinkets/src/OMSParameter.h"

namespace {
ActionRegistrar registrar("CharacterAnimAction", &CharacterAnimAction::create);
}

CharacterAnimAction::CharacterAnimAction(int variable, int animationId, int repeat, int stayVisible,
                                         int interruptible)
    : CharacterAction(variable, interruptible),
      stayVisible_(stayVisible),
      repeat_(repeat),
      animationId_(static_cast<std::uint16_t>(animationId))
{
}

CharacterAnimAction::CharacterAnimAction(RCharacter* character, int animationId, int repeat,
                                         int stayVisible, int interruptible)
    : CharacterAction(character, interruptible),
      stayVisible_(stayVisible),
      repeat_(repeat),
      animationId_(static_cast<std::uint16_t>(animationId))
{
}

CharacterAnimAction::~CharacterAnimAction()
{
  if (isActive()) halt();
}

std::unique_ptr<Action> CharacterAnimAction::create(int interruptible)
{
  const std::string name = popScriptArg();
  const std::string id = popScriptArg();
  const std::string repeat = popScriptArg();
  const std::string stay = popScriptArg();
  const std::string flag = popScriptArg();
  if (name.empty() || id.empty()) return nullptr;
  const int variable = resolveActionVariable(name.c_str());
  if (!heldObjectOfVariable(variable)) return nullptr;
  return std::make_unique<CharacterAnimAction>(
      variable, std::atoi(id.c_str()), repeat.empty() ? 1 : std::atoi(repeat.c_str()),
      stay.empty() ? 1 : std::atoi(stay.c_str()),
      flag.empty() ? interruptible : std::atoi(flag.c_str()));
}

void CharacterAnimAction::start()
{
  Action::start();
  RCharacter* held = character();
  if (!held) {
    finish();
    return;
  }
  const std::unique_ptr<OMLink> finished = doneLink();
  held->playAnim(animationId_, finished.get(), repeat_, stayVisible_);
}
