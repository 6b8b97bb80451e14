#include "trinkets/src/CharacterSpeechAction.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/OMEdition.h"
#include "trinkets/lib/RCharacter.h"
#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/ActionVariables.h"
#include "trinkets/src/OMSParameter.h"

namespace {
ActionRegistrar registrar("CharacterSpeechAction", &CharacterSpeechAction::create);
}

CharacterSpeechAction::CharacterSpeechAction(int variable, int speechId, int flag,
                                             int interruptible)
    : CharacterAction(variable, interruptible),
      flag_(flag),
      speechId_(static_cast<std::uint16_t>(speechId))
{
}

CharacterSpeechAction::CharacterSpeechAction(RCharacter* character, int speechId, int flag,
                                             int interruptible)
    : CharacterAction(character, interruptible),
      flag_(flag),
      speechId_(static_cast<std::uint16_t>(speechId))
{
}

CharacterSpeechAction::~CharacterSpeechAction()
{
  if (isActive()) halt();
}

std::unique_ptr<Action> CharacterSpeechAction::create(int interruptible)
{
  const std::string name = popScriptArg();
  const std::string id = popScriptArg();
  const std::string flag = OMEdition::isAssessment() ? std::string() : popScriptArg();
  const std::string last = popScriptArg();
  if (name.empty() || id.empty()) return nullptr;
  const int variable = resolveActionVariable(name.c_str());
  if (!heldObjectOfVariable(variable)) return nullptr;
  return std::make_unique<CharacterSpeechAction>(
      variable, std::atoi(id.c_str()), std::atoi(flag.c_str()),
      last.empty() ? interruptible : std::atoi(last.c_str()));
}

void CharacterSpeechAction::start()
{
  Action::start();
  RCharacter* held = character();
  if (!held) {
    finish();
    return;
  }
  const std::unique_ptr<OMLink> finished = doneLink();
  held->playSpeech(speechId_, finished.get(), 1, flag_ == 0 ? 1 : 0);
}
