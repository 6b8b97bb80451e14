#include "trinkets/src/PlayAnimAction.h"

#include <cstdlib>

#include "framework/OMLinkToObj.h"
#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/ActionVariables.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMSParameter.h"

namespace {
ActionRegistrar registrar("PlayAnimAction", &PlayAnimAction::create);
}

PlayAnimAction::PlayAnimAction(int variable, int interruptible)
    : Action(interruptible), variable_(variable)
{
}

PlayAnimAction::~PlayAnimAction()
{
  if (isActive()) halt();
}

std::unique_ptr<Action> PlayAnimAction::create(int interruptible)
{
  const char* name = popScriptArg();
  const char* flag = popScriptArg();
  if (!*name) return nullptr;
  const int variable = resolveActionVariable(name);
  if (!heldObjectOfVariable(variable)) return nullptr;
  return std::make_unique<PlayAnimAction>(variable, *flag ? std::atoi(flag) : interruptible);
}

OMAnimation* PlayAnimAction::animation() const
{
  return dynamic_cast<OMAnimation*>(heldObjectOfVariable(variable_));
}

void PlayAnimAction::start()
{
  Action::start();
  OMAnimation* held = animation();
  if (!held) {
    finish();
    return;
  }
  const OMLinkToObj<PlayAnimAction> handler(this, &PlayAnimAction::done);
  held->setDoneCallback(&handler, 0);
  held->resume();
}

OMWord PlayAnimAction::done()
{
  if (OMAnimation* held = animation()) held->setDoneCallback(nullptr, 0);
  finish();
  return 1;
}

void PlayAnimAction::halt()
{
  Action::halt();
  if (OMAnimation* held = animation()) {
    held->setDoneCallback(nullptr, 0);
    held->rewind();
  }
}

void PlayAnimAction::pause()
{
  if (OMAnimation* held = animation()) held->pauseWithSounds();
}

void PlayAnimAction::resume()
{
  if (OMAnimation* held = animation()) held->resumeWithSounds();
}
