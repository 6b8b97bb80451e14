#include "trinkets/src/VariableAction.h"

#include "framework/OMLinkToObj.h"
#include "trinkets/src/ActionVariables.h"

namespace {

Action* actionOf(int variable)
{
  return dynamic_cast<Action*>(heldObjectOfVariable(variable));
}

}  // namespace

VariableAction::VariableAction(int variable)
    : Action(actionOf(variable) ? actionOf(variable)->isInterruptible() : 1), variable_(variable)
{
}

VariableAction::~VariableAction()
{
  // The held action lives on in its variable: it must not call back into a dead entry.
  if (Action* held = heldAction()) {
    OMLink* callback = held->finishedCallback();
    if (callback && callback->target() == this) held->setFinishedCallback(nullptr);
  }
}

Action* VariableAction::heldAction() const
{
  return actionOf(variable_);
}

void VariableAction::halt()
{
  Action::halt();
  if (Action* held = heldAction()) held->halt();
}

void VariableAction::pause()
{
  if (Action* held = heldAction()) held->pause();
}

void VariableAction::resume()
{
  if (Action* held = heldAction()) held->resume();
}

void VariableAction::start()
{
  Action::start();
  Action* held = heldAction();
  if (!held) {
    finish();
    return;
  }
  OMLinkToObj<VariableAction> link(this, &VariableAction::finishMember);
  held->setFinishedCallback(&link);
  held->start();
}

OMWord VariableAction::finishMember()
{
  finish();
  return 1;
}
