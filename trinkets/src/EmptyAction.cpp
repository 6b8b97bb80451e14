#include "trinkets/src/EmptyAction.h"

#include <cstdlib>

#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/OMSParameter.h"

namespace {
ActionRegistrar registrar("EmptyAction", &EmptyAction::create);
}

EmptyAction::EmptyAction(int interruptible) : Action(interruptible) {}

std::unique_ptr<Action> EmptyAction::create(int interruptible)
{
  const char* flag = popScriptArg();
  return std::make_unique<EmptyAction>(*flag ? std::atoi(flag) : interruptible);
}

void EmptyAction::start()
{
  Action::start();
  finish();
}
