#include "trinkets/src/RandomDelayAction.h"

#include <cstdlib>

#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/OMSParameter.h"

namespace {
ActionRegistrar registrar("RandomDelayAction", &RandomDelayAction::create);
}

RandomDelayAction::RandomDelayAction(int minimum, int maximum, int interruptible)
    : DelayAction(minimum, interruptible), maximum_(maximum), minimum_(minimum)
{
}

std::unique_ptr<Action> RandomDelayAction::create(int interruptible)
{
  const char* minimum = popScriptArg();
  const char* maximum = popScriptArg();
  const char* flag = popScriptArg();
  if (!*maximum && !*flag) return nullptr;
  return std::make_unique<RandomDelayAction>(std::atoi(minimum), std::atoi(maximum),
                                             *flag ? std::atoi(flag) : interruptible);
}

std::int64_t RandomDelayAction::timeToWait() const
{
  if (maximum_ == minimum_) return minimum_;
  // A maximum below the minimum follows the same formula: no range check.
  const std::int64_t span = static_cast<std::int64_t>(maximum_) - minimum_;
  return std::rand() % span + minimum_;
}
