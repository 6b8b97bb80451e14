#include "trinkets/src/VerbAction.h"

#include <cstdlib>

#include "framework/OMEdition.h"
#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/ActionVariables.h"
#include "trinkets/src/OMSParameter.h"

namespace {
ActionRegistrar registrar("VerbAction", &VerbAction::create);
}

VerbAction::VerbAction(int variable, std::vector<std::string> words, int interruptible)
    : Action(interruptible), variable_(variable), words_(std::move(words))
{
}

VerbAction::~VerbAction()
{
  if (isActive()) halt();
}

std::unique_ptr<Action> VerbAction::create(int /*interruptible*/)
{
  const char* name = popScriptArg();
  const int flag = std::atoi(popScriptArg());
  std::vector<std::string> words;
  if (OMEdition::isAssessment()) {
    // Four arguments: the method takes at most one of its own.
    const char* method = popScriptArg();
    const char* argument = popScriptArg();
    if (*method) words.emplace_back(method);
    if (*method && *argument) words.emplace_back(argument);
  } else {
    for (const char* word = popScriptArg(); *word; word = popScriptArg())
      words.emplace_back(word);
  }
  const int variable = resolveActionVariable(name);
  if (!heldObjectOfVariable(variable) || words.empty()) return nullptr;
  return std::make_unique<VerbAction>(variable, std::move(words), flag);
}

void VerbAction::callVerb()
{
  OMScriptableObject* object = heldObjectOfVariable(variable_);
  if (!object || words_.empty()) return;
  clearScriptArgs();
  for (std::size_t i = 1; i < words_.size(); ++i)
    pushScriptArg(words_[i].c_str());
  object->callMethod(words_[0].c_str(), scriptArgTerminator);
}

void VerbAction::start()
{
  Action::start();
  callVerb();
  finish();
}

void VerbAction::halt()
{
  Action::halt();
  callVerb();
}
