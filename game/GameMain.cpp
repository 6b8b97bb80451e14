#include "game/GameMain.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "framework/OMApp.h"
#include "framework/OMFontManager.h"
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
  installCharacterPauseHooks();
  registerGlobalScriptFunctions();
  setPageCurlPlayer(&playPageCurl);
  installScenePortTask();
  runGame();
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

}  // namespace

void gameMain()
{
  installPaletteShiftHook(&paletteColourShift);
  RWorldPort::setDataFilePath(getDataFilePath());
  RWorldPort::createGlobalFields();
  int mode = 3;
  if (checkMachine(mode)) {
    playGame(mode);
  } else {
    // The sound check leaves the wave-out open.
    closeWaveOut();
  }
  clearActionRegistry();
  RWorldPort::shutdown();
  installPaletteShiftHook(nullptr);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
  return runProgramEntry(instance, commandLine, &gameMain);
}

const char* gameCommandLine()
{
  return programCommandLine();
}
