#include "game/GameMain.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "framework/OMApp.h"
#include "framework/OMFontManager.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMProgramEntry.h"
#include "framework/OMSystem.h"
#include "framework/OMWaveSound.h"
#include "game/AppShell.h"
#include "game/GameResources.h"
#include "game/GlobalScriptFunctions.h"
#include "game/GlobalSoundFunctions.h"
#include "game/MachineChecks.h"
#include "game/OMStageWindow.h"
#include "game/PageCurl.h"
#include "game/RWorldPort.h"
#include "game/ScenePortShell.h"
#include "game/ScreenFunctions.h"
#include "game/ShellTrinkets.h"
#include "trinkets/src/ActionCreateRecord.h"

namespace {

// The steps between a passed machine check and the end; false when the resources failed.
bool playGame(int mode)
{
  if (!startGame(mode)) return false;
  runGame();
  endGame();
  return true;
}

}  // namespace

bool startGame(int mode)
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
  installCharacterPauseHooks();
  registerGlobalScriptFunctions();
  setPageCurlPlayer(&playPageCurl);
  installScenePortTask();
  return true;
}

void endGame()
{
  stopStartupThread();
  shutdownGlobalScriptFunctions();
  setPageCurlPlayer(nullptr);
  freeAllFonts();
  releaseSharedCharacters();
  shutdownScenePort();
  shutdownSoundFunctions();
  shutdownResources();
  destroyMainWindow();
}

bool gameMain()
{
  installPaletteShiftHook(&paletteColourShift);
  RWorldPort::setDataFilePath(getDataFilePath());
  RWorldPort::createGlobalFields();
  // A program that must end at once saves the players first.
  OMProgramEnd::setPreExitCall([] { RWorldPort::saveData(); });
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
  OMProgramEnd::setPreExitCall(nullptr);
  installPaletteShiftHook(nullptr);
  return started;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
  // A start that failed its checks is no success: the status says so to whoever started us.
  return runProgramEntry(instance, commandLine,
                         [] { return gameMain() ? OMProgramEnd::exitStatus() : 1; });
}

const char* gameCommandLine()
{
  return programCommandLine();
}
