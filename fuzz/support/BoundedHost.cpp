#include "fuzz/support/BoundedHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include <windows.h>

#include "framework/OMApp.h"
#include "framework/OMProgramEnd.h"
#include "platform/host/HostClock.h"
#include "platform/host/WindowLayerHooks.h"

namespace {

// New memory for each run's screen would cost more than the rest of a short run.
std::vector<std::uint8_t>& keptScreen()
{
  static std::vector<std::uint8_t> storage;
  return storage;
}

}  // namespace

BoundedHost& BoundedHost::startSession(std::uint32_t end, int passLimit, RunRecord* record)
{
  auto fresh = std::make_unique<BoundedHost>(end, passLimit, std::move(keptScreen()), record);
  BoundedHost& session = *fresh;
  omhost::setHost(std::move(fresh));
  if (omhost::windowLayerHooks().resetSession) omhost::windowLayerHooks().resetSession();
  return session;
}

void BoundedHost::endSession()
{
  keptScreen() = std::move(omhost::host().screen().bytes);
  omhost::setHost(nullptr);
}

bool BoundedHost::nextInput(omhost::InputEvent& event, bool wait)
{
  checkPassTime();
  ++passes_;
  if (record_) record_->pass(screen());
  const auto left = static_cast<std::int32_t>(end_ - omhost::clockMilliseconds());
  if (left <= 0 || passes_ > passLimit_) {
    if (OMApp* app = OMApp::instance()) app->quit();
    // A quit waits for the call under way: a procedure's pause that holds it past the end
    // is cut, as after the run's time.
    if (left < -overrun) OMProgramEnd::request(0);
  }
  endRunPastItsTime();
  return HeadlessHost::nextInput(event, wait);
}

int BoundedHost::presetDialogAnswer(const omhost::DialogRecord& dialog)
{
  endRunPastItsTime();
  return dialog.messageBox ? answerBox(dialog) : HeadlessHost::presetDialogAnswer(dialog);
}

int BoundedHost::answerWaitingDialog(const omhost::DialogRecord& dialog)
{
  endRunPastItsTime();
  return dialog.messageBox ? answerBox(dialog) : HeadlessHost::answerWaitingDialog(dialog);
}

int BoundedHost::answerBox(const omhost::DialogRecord& box)
{
  const bool cancellable =
      std::find(box.answers.begin(), box.answers.end(), IDCANCEL) != box.answers.end();
  if (++boxes_ > boxesBeforeCancelling && cancellable) return IDCANCEL;
  if (box.defaultId != 0) return box.defaultId;
  return box.answers.empty() ? IDOK : box.answers.front();
}

void BoundedHost::endRunPastItsTime()
{
  // The run ends as a lost display ends a program: no more script runs. A pass that asks
  // dialog after dialog takes no input, so its time is looked at here too, well before the
  // bound that makes it a finding.
  const auto now = processorTime();
  if (now - start_ > runTimeLimit || now - last_ > passTimeLimit / 2) OMProgramEnd::request(0);
}

std::chrono::nanoseconds BoundedHost::processorTime()
{
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

void BoundedHost::checkPassTime()
{
  const auto now = processorTime();
  const auto taken = std::chrono::duration_cast<std::chrono::milliseconds>(now - last_);
  const std::uint32_t clock = omhost::clockMilliseconds();
  const std::chrono::milliseconds simulated{clock - lastClock_};
  stillLooks_ = clock == lastClock_ ? stillLooks_ + 1 : 0;
  if (stillLooks_ > stillLooksLimit) OMProgramEnd::request(0);
  last_ = now;
  lastClock_ = clock;
  if (taken <= passTimeLimit || (passes_ > 0 && taken <= simulated)) return;
  std::fprintf(stderr, "a pass of the main loop took %lld ms\n",
               static_cast<long long>(taken.count()));
  std::abort();
}
