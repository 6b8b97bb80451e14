#include "framework/OMSound.h"

OMSound::~OMSound() = default;

namespace {

void callWithoutArgument(const std::unique_ptr<OMLink>& link)
{
  if (link) link->call();
}

}  // namespace

void OMSound::fireStarted()
{
  callWithoutArgument(startedLink_);
}

void OMSound::fireFinished()
{
  callWithoutArgument(finishedLink_);
}

void OMSound::firePaused()
{
  callWithoutArgument(pausedLink_);
}

void OMSound::fireResumed()
{
  callWithoutArgument(resumedLink_);
}

void OMSound::setLoopCount(int count)
{
  if (count == -1 || count >= 1) loopCount_ = count;
}
