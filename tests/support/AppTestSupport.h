#pragma once

#include <sys/resource.h>
#include <time.h>

#include <cstdint>
#include <memory>

#include "framework/OMApp.h"
#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"
#include "platform/host/HostClock.h"
#include "platform/host/headless/HeadlessHost.h"
#include "platform/src/user/InstanceRegistry.h"

namespace omtest {

// A fresh headless session on the manual clock, as a program starts.
inline omhost::HeadlessHost& startAppSession(std::uint32_t clockStart = 10000)
{
  omhost::useManualClock(clockStart);
  omhost::HeadlessHost& host = omhost::startHeadlessSession();
  omuser::InstanceRegistry::instance().setEnabled(false);
  return host;
}

// A fresh headless session on the manual clock with the application object made as the game
// makes it (frame mode 3, 640x480, black, depth 16). Tasks added before it exist nowhere.
class TestApp {
 public:
  explicit TestApp(int mode = 3, std::uint32_t clockStart = 10000)
  {
    host_ = &startAppSession(clockStart);
    app_ = std::make_unique<OMApp>(mode, OMRect(0, 0, 640, 480), OMRGBColor(), 16, 0);
  }
  ~TestApp()
  {
    app_.reset();
    omhost::useRealClock();
  }
  TestApp(const TestApp&) = delete;
  TestApp& operator=(const TestApp&) = delete;

  OMApp& app() { return *app_; }
  omhost::HeadlessHost& host() { return *host_; }

 private:
  omhost::HeadlessHost* host_ = nullptr;
  std::unique_ptr<OMApp> app_;
};

// Runs `count` passes of the application's main loop, the manual clock going on by
// `stepMilliseconds` before each.
inline void runPasses(int count, std::uint32_t stepMilliseconds = 0)
{
  OMApp* app = OMApp::instance();
  if (!app) return;
  for (int i = 0; i < count; ++i) {
    if (stepMilliseconds) omhost::advanceClock(stepMilliseconds);
    app->runPass();
  }
}

// The processor time, user and system, used so far by the children of this process that have
// ended and been waited for.
inline long endedChildrenProcessorMilliseconds()
{
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  const auto milliseconds = [](const timeval& t) { return t.tv_sec * 1000L + t.tv_usec / 1000; };
  return milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
}

// The processor time this thread has used (the C library's clock follows the program's).
inline long threadProcessorMilliseconds()
{
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1000L + now.tv_nsec / 1000000;
}

// One pass at the given time of the manual clock.
inline void passAt(std::uint32_t milliseconds)
{
  omhost::advanceClock(milliseconds - omhost::clockMilliseconds());
  runPasses(1);
}

}  // namespace omtest
