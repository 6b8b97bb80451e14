#include "trinkets/src/UncacheDLLAction.h"

#include <cstdlib>

#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/ResourceCachePort.h"

namespace {

ActionRegistrar registrar("UncacheDLLAction", &UncacheDLLAction::create, true);

}  // namespace

UncacheDLLAction::UncacheDLLAction(std::string fileName, int interruptible)
    : Action(interruptible), fileName_(std::move(fileName))
{
}

UncacheDLLAction::~UncacheDLLAction()
{
  if (isActive()) halt();
}

std::unique_ptr<Action> UncacheDLLAction::create(int interruptible)
{
  const char* name = popScriptArg();
  const char* flag = popScriptArg();
  if (!*name && !*flag) return nullptr;
  return std::make_unique<UncacheDLLAction>(name, *flag ? std::atoi(flag) : interruptible);
}

void UncacheDLLAction::uncache() const
{
  if (ResourceCachePort* port = ResourceCachePort::installed()) port->uncacheDLL(fileName_.c_str());
}

void UncacheDLLAction::start()
{
  Action::start();
  uncache();
  finish();
}

void UncacheDLLAction::halt()
{
  Action::halt();
  uncache();
}
