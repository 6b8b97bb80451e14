#include "framework/OMProgramEnd.h"

#include <windows.h>

#include "framework/OMApp.h"

namespace {

struct EndState {
  int status = 0;
  bool inPreExit = false;
  OMProgramEnd::PreExitCall preExit = nullptr;
};

EndState& endState()
{
  static EndState state;
  return state;
}

}  // namespace

void OMProgramEnd::request(int status)
{
  EndState& state = endState();
  if (!requested_) {
    requested_ = true;
    state.status = status;
    // Guarded: a fatal error inside the call itself must not call it again.
    if (state.preExit && !state.inPreExit) {
      state.inPreExit = true;
      state.preExit();
      state.inPreExit = false;
    }
  }
  if (OMApp* app = OMApp::instance()) app->quit();
}

int OMProgramEnd::exitStatus()
{
  return endState().status;
}

int OMProgramEnd::signalStatus()
{
  const int signal = om_exitSignal();
  return signal > 0 ? 128 + signal : 1;
}

void OMProgramEnd::answerEndOfSession()
{
  MSG message{};
  while (PeekMessageA(&message, nullptr, WM_ENDSESSION, WM_ENDSESSION, PM_REMOVE))
    DispatchMessageA(&message);
}

void OMProgramEnd::setPreExitCall(PreExitCall call)
{
  endState().preExit = call;
}

void OMProgramEnd::reset()
{
  endState() = EndState{};
  requested_ = false;
}
