#include "trinkets/src/UncacheResourceAction.h"

#include <cstdlib>

#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/ResourceCachePort.h"

namespace {

ActionRegistrar registrar("UncacheResourceAction", &UncacheResourceAction::create, true);

}  // namespace

UncacheResourceAction::UncacheResourceAction(std::uint16_t id, std::string type, int interruptible)
    : Action(interruptible), type_(std::move(type)), id_(id)
{
}

UncacheResourceAction::~UncacheResourceAction()
{
  if (isActive()) halt();
}

std::unique_ptr<Action> UncacheResourceAction::create(int interruptible)
{
  const char* id = popScriptArg();
  const char* type = popScriptArg();
  const char* flag = popScriptArg();
  if (!*type && !*flag) return nullptr;
  return std::make_unique<UncacheResourceAction>(static_cast<std::uint16_t>(std::atoi(id)), type,
                                                 *flag ? std::atoi(flag) : interruptible);
}

void UncacheResourceAction::uncache() const
{
  if (ResourceCachePort* port = ResourceCachePort::installed())
    port->uncacheResource(id_, type_.c_str());
}

void UncacheResourceAction::start()
{
  Action::start();
  uncache();
  finish();
}

void UncacheResourceAction::halt()
{
  Action::halt();
  uncache();
}
