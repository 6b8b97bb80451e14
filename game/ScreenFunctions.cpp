#include "game/ScreenFunctions.h"

#include <cstdint>
#include <cstring>

#include "framework/OMApp.h"
#include "framework/OMCursor.h"
#include "framework/OMIStream.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMPrintParameters.h"
#include "game/AppShell.h"
#include "game/GlobalSoundFunctions.h"
#include "game/MachineChecks.h"
#include "game/OMStageWindow.h"
#include "game/Printing.h"
#include "game/RWorldPort.h"
#include "game/ScenePortShell.h"
#include "game/WorldField.h"
#include "trinkets/lib/RSmackerMovie.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMSParameter.h"

namespace {

PageCurlPlayer pageCurlPlayer = nullptr;

std::uint16_t popId(const char* text)
{
  return static_cast<std::uint16_t>(decimalValueOf(text));
}

}  // namespace

void setPageCurlPlayer(PageCurlPlayer player)
{
  pageCurlPlayer = player;
}

namespace scriptfn {

// The functions run while the stage exists; a script run without one changes nothing.

OMWord displayScreen(OMWord)
{
  if (OMStageWindow* stage = shellStage()) stage->displayScreen(0);
  return 1;
}

OMWord freezeScreen(OMWord)
{
  if (OMStageWindow* stage = shellStage()) stage->setPresentEnabled(0);
  return 1;
}

OMWord goToBlack(OMWord)
{
  if (OMStageWindow* stage = shellStage()) stage->goToBlack();
  return 1;
}

OMWord scene(OMWord)
{
  const std::uint16_t background = popId(popScriptArg());
  const char* palette = popScriptArg();
  if (OMStageWindow* stage = shellStage())
    stage->scene(background, *palette ? popId(palette) : background);
  return 1;
}

OMWord restorePalette(OMWord)
{
  if (RSmackerMovie* movie = RSmackerMovie::currentMovie()) movie->applyPalette();
  return 1;
}

OMWord startTransition(OMWord)
{
  OMStageWindow* stage = shellStage();
  if (stage && stage->handle()) {
    beginBusyCursor();
    stage->setInputDisabled(1);
  }
  beginScenePause();
  if (stage) stage->goToBlack();
  RWorldPort::saveData();
  killAllPlayedSounds();
  return 1;
}

OMWord endTransition(OMWord)
{
  const char* skipRedraw = popScriptArg();
  OMStageWindow* stage = shellStage();
  if (stage) stage->displayScreen(decimalValueOf(skipRedraw));
  endScenePause();
  if (stage) stage->setInputDisabled(0);
  endBusyCursor();
  return 1;
}

OMWord pageTurn(OMWord)
{
  const int direction = std::strcmp(popScriptArg(), "left") == 0 ? 0 : 1;
  std::unique_ptr<OMIStream> page;
  if (OMAnimation::animationResolver) page = OMAnimation::animationResolver(pageCurlAnimationId);
  if (page && pageCurlPlayer) pageCurlPlayer(direction, std::move(page));
  showCursor();
  return 1;
}

OMWord printScreen(OMWord)
{
  OMStageWindow* stage = shellStage();
  if (stage == nullptr) return 1;
  const int present = stage->presentEnabled();
  stage->setPresentEnabled(1);
  setPrintParameters(1, OMRect(), 0, 0, OMRect());
  stage->frameStep();
  const OMApp* app = shellApp();
  const int failed = printCanvas(stage->offscreen(), app ? app->productName().c_str() : "");
  stage->setPresentEnabled(present);
  if (failed != 0) {
    showFatalMessage(
        "Velmora' Zuvevura is not able to print the information you requested.  Your printer "
        "may be out of paper, turned off, or set up incorrectly.  Please correct the problem "
        "and try again.");
  }
  return 1;
}

}  // namespace scriptfn
