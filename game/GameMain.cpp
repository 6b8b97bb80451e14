#include "game/GameMain.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "framework/OMApp.h"
#include "framework/OMAppInitTerm.h"
#include "framework/OMFontManager.h"
#include "framework/OMProgramEnd.h"
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

// The steps between a passed machine check and the end.
void playGame(int mode)
{
  // clock() counts the milliseconds since the program started.
  std::srand(static_cast<unsigned>(std::clock()));
  if (!initResources()) {
    showTextResourceError(1026);
    shutdownResources();
    return;
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

void gameMain()
{
  installPaletteShiftHook(&paletteColourShift);
  RWorldPort::setDataFilePath(getDataFilePath());
  RWorldPort::createGlobalFields();
  // A program that must end at once saves the players first.
  OMProgramEnd::setPreExitCall([] { RWorldPort::saveData(); });
  int mode = 3;
  if (checkMachine(mode)) {
    playGame(mode);
  } else {
    // The sound check leaves the wave-out open.
    closeWaveOut();
  }
  clearActionRegistry();
  RWorldPort::shutdown();
  OMProgramEnd::setPreExitCall(nullptr);
  installPaletteShiftHook(nullptr);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
  theCommandLine = commandLine;
  OMApp::setProgramInstance(instance);
  // The class name lives for this run only; what was there before comes back at the end.
  const std::string before = OMApp::frameClassName();
  OMProgramEnd::reset();
  if (!findRunningInstance(instance)) {
    // The module list stays as the modules' statics made it, so that another start in the
    // same process (the tests) runs them again.
    OMAppInitTerm::runInits();
    gameMain();
    OMAppInitTerm::runTerms();
  }
  OMApp::setFrameClassName(before.c_str());
  return OMProgramEnd::exitStatus();
}

const char* gameCommandLine()
{
  return theCommandLine;
}
