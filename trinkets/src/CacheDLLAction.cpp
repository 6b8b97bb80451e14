#include "trinkets/src/CacheDLLAction.h"

#include <cstdlib>

#include "framework/OMLinkToFct.h"
#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/ResourceCachePort.h"

namespace {

ActionRegistrar registrar("CacheDLLAction", &CacheDLLAction::create, true);

OMWord ignoreCompletion(OMWord)
{
  return 0;
}

}  // namespace

CacheDLLAction::CacheDLLAction(std::string fileName, int background, int owner, int cacheCopy,
                               int uncacheOnHalt, int interruptible)
    : Action(interruptible),
      fileName_(std::move(fileName)),
      background_(background),
      owner_(owner),
      cacheCopy_(cacheCopy),
      uncacheOnHalt_(uncacheOnHalt)
{
}

CacheDLLAction::CacheDLLAction(const CacheDLLAction& other)
    : CacheDLLAction(other.fileName_, other.background_, other.owner_, other.cacheCopy_,
                     other.uncacheOnHalt_, other.interruptibleFlag())
{
}

CacheDLLAction::~CacheDLLAction()
{
  if (isActive()) halt();
}

std::unique_ptr<Action> CacheDLLAction::create(int interruptible)
{
  const char* name = popScriptArg();
  const char* background = popScriptArg();
  const char* owner = popScriptArg();
  const char* copy = popScriptArg();
  const char* uncache = popScriptArg();
  const char* flag = popScriptArg();
  if (!*name && !*background && !*owner && !*copy && !*uncache && !*flag) return nullptr;
  return std::make_unique<CacheDLLAction>(name, std::atoi(background), std::atoi(owner),
                                          std::atoi(copy), std::atoi(uncache),
                                          *flag ? std::atoi(flag) : interruptible);
}

void CacheDLLAction::start()
{
  Action::start();
  ResourceCachePort* port = ResourceCachePort::installed();
  if (port && background_) {
    // The port may report at once, inside the call.
    const std::unique_ptr<OMLink> done = completion_.arm();
    port->cacheDLL(fileName_.c_str(), done.get(), 0, owner_, cacheCopy_);
    return;
  }
  if (port) port->activateDLL(fileName_.c_str(), owner_, cacheCopy_);
  finish();
}

void CacheDLLAction::halt()
{
  Action::halt();
  completion_.disarm();
  ResourceCachePort* port = ResourceCachePort::installed();
  if (!port) return;
  if (uncacheOnHalt_) {
    port->uncacheDLL(fileName_.c_str());
    return;
  }
  // The read goes on, but no longer reports here.
  const OMLinkToFct ignore(&ignoreCompletion);
  port->cacheDLL(fileName_.c_str(), &ignore, 10, owner_, cacheCopy_);
}
