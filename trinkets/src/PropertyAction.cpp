#include "trinkets/src/PropertyAction.h"

#include <cstdlib>

#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/ActionVariables.h"
#include "trinkets/src/OMSParameter.h"

namespace {
ActionRegistrar registrar("PropertyAction", &PropertyAction::create);
}

PropertyAction::PropertyAction(int variable, std::string property, std::string value,
                               int interruptible)
    : Action(interruptible),
      variable_(variable),
      property_(std::move(property)),
      value_(std::move(value))
{
}

PropertyAction::~PropertyAction()
{
  if (isActive()) halt();
}

std::unique_ptr<Action> PropertyAction::create(int interruptible)
{
  const char* name = popScriptArg();
  const std::string property = popScriptArg();
  const std::string value = popScriptArg();
  const char* flag = popScriptArg();
  const int variable = resolveActionVariable(name);
  if (!heldObjectOfVariable(variable) || (value.empty() && !*flag)) return nullptr;
  return std::make_unique<PropertyAction>(variable, property, value,
                                          *flag ? std::atoi(flag) : interruptible);
}

void PropertyAction::setValue()
{
  if (OMScriptableObject* object = heldObjectOfVariable(variable_))
    object->setProperty(property_.c_str(), value_.c_str());
}

void PropertyAction::start()
{
  Action::start();
  setValue();
  finish();
}

void PropertyAction::halt()
{
  Action::halt();
  setValue();
}
