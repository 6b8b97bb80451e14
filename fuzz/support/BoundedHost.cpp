#include "fuzz/support/BoundedHost.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "framework/OMApp.h"
#include "platform/host/HostClock.h"
#include "platform/host/WindowLayerHooks.h"

BoundedHost& BoundedHost::startSession(std::uint32_t end, int passLimit)
{
  auto fresh = std::make_unique<BoundedHost>(end, passLimit);
  BoundedHost& session = *fresh;
  omhost::setHost(std::move(fresh));
  if (omhost::windowLayerHooks().resetSession) omhost::windowLayerHooks().resetSession();
  return session;
}

bool BoundedHost::nextInput(omhost::InputEvent& event, bool wait)
{
  checkPassTime();
  ++passes_;
  const auto left = static_cast<std::int32_t>(end_ - omhost::clockMilliseconds());
  if (left <= 0 || passes_ > passLimit_ || last_ - start_ > runTimeLimit) {
    if (OMApp* app = OMApp::instance()) app->quit();
  }
  return HeadlessHost::nextInput(event, wait);
}

void BoundedHost::checkPassTime()
{
  const auto now = std::chrono::steady_clock::now();
  const auto taken = std::chrono::duration_cast<std::chrono::milliseconds>(now - last_);
  last_ = now;
  if (taken <= passTimeLimit) return;
  std::fprintf(stderr, "a pass of the main loop took %lld ms\n",
               static_cast<long long>(taken.count()));
  std::abort();
}
