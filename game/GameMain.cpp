#include "game/GameMain.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "framework/OMApp.h"
#include "framework/OMAppInitTerm.h"
#include "framework/OMFontManager.h"
#include "framework/OMSystem.h"
#include "framework/OMWaveSound.h"
#include "game/AppShell.h"
#include "game/GameResources.h"
#include "game/GlobalScriptFunctions.h"
#include "game/GlobalSoundFunctions.h"
#include "game/MachineChecks.h"
#include "game/OMStageWindow.h"
#include "game/RWorldPort.h"
#include "game/ScenePortShell.h"
#include "game/ShellTrinkets.h"
#include "trinkets/src/ActionCreateRecord.h"

namespace {

const char* theCommandLine = nullptr;

// The steps between a passed machine check and the end; false when the resources failed.
bool playGame(int mode)
{
  // clock() counts the milliseconds since the program started.
  std::srand(static_cast<unsigned>(std::clock()));
  if (!initResources()) {
    reportMissingResourceFiles();
    showTextResourceError(1026);
    shutdownResources();
    return false;
  }
  createMainWindow(mode);
  installSoundHooks();
  registerGlobalScriptFunctions();
  installScenePortTask();
  runGame();
  stopStartupThread();
  shutdownGlobalScriptFunctions();
  freeAllFonts();
  releaseSharedCharacters();
  shutdownScenePort();
  shutdownSoundFunctions();
  shutdownResources();
  destroyMainWindow();
  return true;
}

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

bool gameMain()
{
  installPaletteShiftHook(&paletteColourShift);
  RWorldPort::setDataFilePath(getDataFilePath());
  RWorldPort::createGlobalFields();
  int mode = 3;
  bool started = false;
  if (checkMachine(mode)) {
    started = playGame(mode);
  } else {
    // The sound check leaves the wave-out open.
    closeWaveOut();
  }
  clearActionRegistry();
  RWorldPort::shutdown();
  installPaletteShiftHook(nullptr);
  return started;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
  theCommandLine = commandLine;
  OMApp::setProgramInstance(instance);
  // The class name lives for this run only; what was there before comes back at the end.
  const std::string before = OMApp::frameClassName();
  int status = 0;
  if (!findRunningInstance(instance)) {
    // The module list stays as the modules' statics made it, so that another start in the
    // same process (the tests) runs them again.
    OMAppInitTerm::runInits();
    // A start that failed its checks is no success: the status says so to whoever started us.
    if (!gameMain()) status = 1;
    OMAppInitTerm::runTerms();
  }
  OMApp::setFrameClassName(before.c_str());
  return status;
}

const char* gameCommandLine()
{
  return theCommandLine;
}
