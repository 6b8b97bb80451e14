#include "trinkets/src/CacheResourceAction.h"

#include <cstdlib>

#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/ResourceCachePort.h"

namespace {

ActionRegistrar registrar("CacheResourceAction", &CacheResourceAction::create, true);

}  // namespace

CacheResourceAction::CacheResourceAction(std::uint16_t id, std::string type, int keep,
                                         int interruptible)
    : Action(interruptible), keep_(keep), type_(std::move(type)), id_(id)
{
}

CacheResourceAction::CacheResourceAction(const CacheResourceAction& other)
    : CacheResourceAction(other.id_, other.type_, other.keep_, other.interruptibleFlag())
{
}

CacheResourceAction::~CacheResourceAction()
{
  if (isActive()) halt();
}

std::unique_ptr<Action> CacheResourceAction::create(int interruptible)
{
  const char* id = popScriptArg();
  const char* type = popScriptArg();
  const char* keep = popScriptArg();
  const char* flag = popScriptArg();
  if (!*keep) return nullptr;
  return std::make_unique<CacheResourceAction>(static_cast<std::uint16_t>(std::atoi(id)), type,
                                               std::atoi(keep),
                                               *flag ? std::atoi(flag) : interruptible);
}

void CacheResourceAction::start()
{
  Action::start();
  ResourceCachePort* port = ResourceCachePort::installed();
  if (!port) {
    finish();
    return;
  }
  // The port may report at once, inside the call.
  const std::unique_ptr<OMLink> done = completion_.arm();
  port->cacheResource(id_, type_.c_str(), done.get(), keep_, 0);
}

void CacheResourceAction::halt()
{
  Action::halt();
  completion_.disarm();
  ResourceCachePort* port = ResourceCachePort::installed();
  if (!port) return;
  // A kept resource stays cached; the action is no longer told.
  if (keep_ == 0)
    port->uncacheResource(id_, type_.c_str());
  else
    port->cacheResource(id_, type_.c_str(), nullptr, keep_, 0);
}
