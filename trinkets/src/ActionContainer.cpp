#include "trinkets/src/ActionContainer.h"

#include "framework/OMLinkToObj.h"
#include "trinkets/src/ActionCreateRecord.h"
#include "trinkets/src/ActionVariables.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/VariableAction.h"

ActionContainer::ActionContainer(int interruptible) : Action(interruptible) {}

ActionContainer::ActionContainer(const ActionContainer& other) : Action(other) {}

ActionContainer::~ActionContainer()
{
  removeAll();
}

void ActionContainer::registerMembers()
{
  Action::registerMembers();
  addProperty("actionCount", nullptr,
              OMLinkToObj<ActionContainer>(this, &ActionContainer::getActionCount, 0));
  addProperty("isActive", nullptr,
              OMLinkToObj<ActionContainer>(this, &ActionContainer::getIsActive, 0));
  addMethod("add", OMLinkToObj<ActionContainer>(this, &ActionContainer::addMember));
}

void ActionContainer::hookChild(Action* child)
{
  OMLinkToObj<ActionContainer> link(this, &ActionContainer::childFinishedMember);
  child->setFinishedCallback(&link);
}

void ActionContainer::unhookChild(Action* child)
{
  // A borrowed child outlives the container: it must not call back into it.
  OMLink* callback = child->finishedCallback();
  if (callback && callback->target() == this) child->setFinishedCallback(nullptr);
}

void ActionContainer::addAction(Action* child)
{
  if (!child) return;
  hookChild(child);
  children_.add(child);
  borrowed_.add(child);
  onAdd(child);
}

void ActionContainer::removeAction(Action* child)
{
  if (!child || !children_.contains(child)) return;
  if (isActive() && child->isActive()) childFinished();
  children_.remove(child);
  borrowed_.remove(child);
  unhookChild(child);
  onRemove(child);
}

void ActionContainer::removeAll()
{
  // Each child is also removed through onRemove, so that no subclass keeps a pointer to a
  // child that is deleted here or no longer belongs to it (a random action's pool, a queue's
  // current child).
  borrowed_.forEach([this](Action* child) {
    children_.remove(child);
    unhookChild(child);
    onRemove(child);
  });
  borrowed_.removeAll();
  children_.forEach([this](Action* child) { onRemove(child); });
  children_.deleteAll(1);
}

bool ActionContainer::copyChildrenOf(const ActionContainer& other)
{
  const Action* uncopied = other.children_.firstThat([&](Action* child) {
    if (other.borrowed_.contains(child)) return false;
    std::unique_ptr<Action> made = child->cloneAction();
    if (!made) return true;
    adopt(std::move(made));
    return false;
  });
  return uncopied == nullptr;
}

void ActionContainer::adopt(std::unique_ptr<Action> child)
{
  hookChild(child.get());
  Action* owned = child.release();
  children_.add(owned);
  onAdd(owned);
}

void ActionContainer::onAdd(Action* /*child*/) {}

void ActionContainer::onRemove(Action* /*child*/) {}

bool ActionContainer::allChildrenInterruptible() const
{
  return !children_.firstThat([](Action* child) { return !child->isInterruptible(); });
}

OMWord ActionContainer::addMember()
{
  const char* argument = popScriptArg();
  std::unique_ptr<Action> child;
  const int variable = resolveActionVariable(argument);
  if (heldObjectOfVariable(variable))
    child = std::make_unique<VariableAction>(variable);
  else
    child = createAction(argument, interruptibleFlag());
  if (child) adopt(std::move(child));
  return 1;
}

OMWord ActionContainer::childFinishedMember()
{
  childFinished();
  return 1;
}

OMWord ActionContainer::getActionCount(OMWord buffer)
{
  return writeScriptNumber(buffer, children_.count());
}

OMWord ActionContainer::getIsActive(OMWord buffer)
{
  return writeScriptNumber(buffer, isActive());
}
