#include "platform/host/HostSignals.h"

#include <signal.h>

#include <atomic>
#include <cstdio>

namespace omhost {
namespace {

std::atomic<int> signalsReceived{0};
std::atomic<int> lastSignal{0};
std::atomic<bool> displayGone{false};

// Main-thread bookkeeping of what the message queue has passed on.
struct Passed {
  int signals = 0;
  bool endSession = false;
};

Passed& passed()
{
  static Passed state;
  return state;
}

extern "C" void onExitSignal(int number)
{
  lastSignal.store(number);
  signalsReceived.fetch_add(1);
}

}  // namespace

void catchExitSignals()
{
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = &onExitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGTERM, SIGINT, SIGHUP})
    sigaction(number, &action, nullptr);
}

ExitRequest pendingExitRequest()
{
  const Passed& state = passed();
  if (state.endSession) return ExitRequest::none;
  const int received = signalsReceived.load();
  if (displayGone.load() || received >= 2) return ExitRequest::endSession;
  return received > state.signals ? ExitRequest::close : ExitRequest::none;
}

void exitRequestPassed(ExitRequest request)
{
  Passed& state = passed();
  state.signals = signalsReceived.load();
  if (request == ExitRequest::endSession) state.endSession = true;
}

void reportDisplayLost()
{
  if (displayGone.exchange(true)) return;
  std::fputs("om: the display has gone away; the program ends\n", stderr);
}

bool displayLost()
{
  return displayGone.load();
}

}  // namespace omhost

void om_catchExitSignals()
{
  omhost::catchExitSignals();
}

int om_exitSignal()
{
  if (omhost::displayLost()) return SIGHUP;
  return omhost::signalsReceived.load() > 0 ? omhost::lastSignal.load() : 0;
}
