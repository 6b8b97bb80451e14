#include "framework/OMProgramEntry.h"

#include <string>

#include "framework/OMApp.h"
#include "framework/OMAppInitTerm.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMSystem.h"

namespace {

const char* theCommandLine = nullptr;

}  // namespace

bool findRunningInstance(HINSTANCE instance)
{
  std::string name, version;
  getVersionStrings(instance, name, version);
  const std::string className = "ZEB: " + name + " " + version;
  OMApp::setFrameClassName(className.c_str());
  HWND running = FindWindowA(className.c_str(), nullptr);
  if (!running) return false;
  HWND popup = GetLastActivePopup(running);
  if (IsIconic(popup)) SendMessageA(popup, WM_SYSCOMMAND, SC_RESTORE, 0);
  BringWindowToTop(popup);
  SetForegroundWindow(popup);
  return true;
}

int runProgramEntry(HINSTANCE instance, LPSTR commandLine, OMProgramMain programMain)
{
  theCommandLine = commandLine;
  OMApp::setProgramInstance(instance);
  // The class name lives for this run only; what was there before comes back at the end.
  const std::string before = OMApp::frameClassName();
  int status = 0;
  OMProgramEnd::reset();
  if (!findRunningInstance(instance)) {
    // The module list stays as the modules' statics made it, so that another start in the
    // same process (the tests) runs them again.
    OMAppInitTerm::runInits();
    status = programMain();
    OMAppInitTerm::runTerms();
  }
  OMApp::setFrameClassName(before.c_str());
  return status;
}

const char* programCommandLine()
{
  return theCommandLine;
}
