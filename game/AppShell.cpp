#include "game/AppShell.h"

#include <windows.h>

#include <memory>

#include "framework/OMApp.h"
#include "framework/OMCursor.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMRGBColor.h"
#include "framework/OMSystem.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "game/OMStageWindow.h"
#include "game/ScenePortShell.h"
#include "game/ShellTrinkets.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/rthread/YScriptEngine.h"

namespace {

constexpr int stageWidth = 640;
constexpr int stageHeight = 480;
constexpr std::uint32_t beatPeriod = 125;
constexpr int topDepth = 20000;
constexpr int closeStillId = 4041;
constexpr int closePaletteId = 4041;

struct Shell {
  std::unique_ptr<OMApp> app;
  // Deleted through the trinket window's virtual destructor.
  OMStageWindow* stage = nullptr;
  int depth = 16;
  // The movie a close request froze (not owned), or null.
  ShellMovie* frozenMovie = nullptr;
  std::unique_ptr<ShellMovie> exitMovie;
  bool exitMovieEnded = false;
  // Shown over a frozen movie at 8 bits per pixel; made once, kept until the stage goes.
  OMAnimation* closeStill = nullptr;
  OMRGBColor savedPalette[256];
  std::unique_ptr<OMCursor> busyCursor;
  std::unique_ptr<OMTask> paintTask;
  std::uint32_t nextBeat = 0;
};

Shell& shell()
{
  static Shell theShell;
  return theShell;
}

ShellCalls defaultShellCalls()
{
  return ShellCalls{&raiseAppClose, &sceneKeyPressed, &currentMovie,
                    &isDialogOpen,  &createExitMovie, &scriptsCanAnswerClose};
}

ShellCalls& calls()
{
  static ShellCalls theCalls = defaultShellCalls();
  return theCalls;
}

bool aButtonIsDown()
{
  int buttons = 0;
  getMouseState(&buttons);
  return buttons != 0;
}

// Ends an open press, so that no trinket stays pressed while the program looks away.
void releaseOpenPress()
{
  Shell& s = shell();
  if (s.stage && aButtonIsDown()) s.stage->mouseUp();
}

void quitTheApp()
{
  if (shell().app) shell().app->quit();
}

OMWord onExitMovieEnd(OMWord)
{
  Shell& s = shell();
  if (s.stage) s.stage->goToBlack();
  // The movie calls this from its own callbacks: it is deleted after the loop.
  if (s.exitMovie && !s.exitMovieEnded) {
    s.exitMovie->setFinishedLink(nullptr);
    s.exitMovieEnded = true;
  }
  quitTheApp();
  return 0;
}

void dropPaintTask()
{
  Shell& s = shell();
  if (!s.paintTask) return;
  if (s.app) s.app->removeTask(s.paintTask.get());
  s.paintTask.reset();
}

// The one-shot task of the exit movie's loop: the stage paints again once the loop's start
// has passed, so that its first redraw does not cover the movie.
OMWord restoreStagePaint(OMWord)
{
  Shell& s = shell();
  if (s.stage) {
    const OMLinkToObj<OMStageWindow> paint(s.stage, &OMStageWindow::paintHandler);
    s.stage->setPaintLink(&paint);
  }
  dropPaintTask();
  return 0;
}

// Freezes the open movie for the scripts' decision; at 8 bits per pixel the close still and
// its palette stand in for the picture.
void freezeMovie(ShellMovie* movie)
{
  Shell& s = shell();
  // A repeated request finds the close palette on the stage: the first one's saved
  // palette is the one to put back.
  const bool alreadyFrozen = s.frozenMovie == movie;
  s.frozenMovie = movie;
  movie->pauseRunning();
  movie->stopPlayback();
  movie->setZ(topDepth - 2);
  if (s.depth != 8 || !s.stage) return;
  movie->hide();
  if (!OMAnimation::animationResolver) return;
  if (!s.closeStill) {
    std::unique_ptr<OMIStream> resource = OMAnimation::animationResolver(closeStillId);
    if (!resource) return;
    s.closeStill =
        new OMAnimation(std::move(resource), OMTrinket::noPosition, OMTrinket::noPosition, s.stage);
  }
  s.closeStill->start();
  s.closeStill->setZ(topDepth - 1);
  OMMemCanvas* canvas = s.stage->offscreen();
  if (canvas && !alreadyFrozen) canvas->getPalette(s.savedPalette);
  s.stage->goToBlack();
  s.stage->loadPalette(closePaletteId);
  s.stage->displayScreen(0);
}

}  // namespace

ShellCalls& shellCalls()
{
  return calls();
}

void resetShellCalls()
{
  calls() = defaultShellCalls();
}

OMApp* shellApp()
{
  return shell().app.get();
}

OMStageWindow* shellStage()
{
  return shell().stage;
}

void createMainWindow(int mode)
{
  Shell& s = shell();
  s.app = std::make_unique<OMApp>(mode, OMRect(0, 0, stageWidth, stageHeight), OMRGBColor(), 16, 0);
  const OMRect screen = getScreenRect(0);
  const int width = screen.width(), height = screen.height();
  s.depth = getScreenDepth();
  const OMRect rect((width - stageWidth) / 2, (height - stageHeight) / 2, (width + stageWidth) / 2,
                    (height + stageHeight) / 2);
  s.stage = new OMStageWindow(rect, nullptr, nullptr, 0, stageWidth, stageHeight, s.depth, 0);
  s.stage->setDoubleClicksDisabled(1);
  s.stage->setNoReentry(1);
  s.stage->setHoverOnMoveOnly(1);
  const OMLinkToFct key(&onStageKey);
  s.stage->setKeyDownLink(&key);
  s.stage->setMouseMoveInterval(25);

  const OMLinkToFct close(&onCloseRequest), resume(&onAppResume), suspend(&onAppSuspend);
  s.app->setCloseLink(&close);
  s.app->setActivateLink(&resume);
  s.app->setResumeLink(&resume);
  s.app->setDeactivateLink(&suspend);
  s.app->setSuspendLink(&suspend);
  // The script statement "quit" ends the main loop.
  setScriptQuitHandler(&quitTheApp);

  beginBusyCursor();
  s.nextBeat = 0;
  const OMLinkToFct beatCheck(&onBeatCheck), beatDone(&onBeatDone);
  s.stage->setFrameLink(OMTrinketWindow::beforeTimeLink, &beatCheck);
  s.stage->setFrameLink(OMTrinketWindow::afterTimeLink, &beatDone);
  installStageMouseListener(s.stage);
  setMovieOpenFlags(256);
}

void destroyMainWindow()
{
  Shell& s = shell();
  setScriptQuitHandler(nullptr);
  dropPaintTask();
  s.exitMovie.reset();
  s.frozenMovie = nullptr;
  delete s.closeStill;
  s.closeStill = nullptr;
  s.busyCursor.reset();
  installStageMouseListener(nullptr);
  delete s.stage;
  s.stage = nullptr;
  s.app.reset();
  // Animations outside the game step on every pass again.
  OMAnimation::animationTickGate = 1;
}

void runGame()
{
  Shell& s = shell();
  if (!s.app || !s.stage) return;
  s.app->run();

  detachAllSounds();
  closeWaveOut();
  stopBackgroundMusicNow();
  // A program that cannot go on ends without its exit movie.
  if (OMProgramEnd::requested()) return;
  s.stage->displayScreen(1);

  const OMLinkToFct end(&onExitMovieEnd);
  s.exitMovieEnded = false;
  s.exitMovie = calls().createExitMovie("MVAdExit.smk", 0, 0, &end);
  if (!s.exitMovie) return;
  s.exitMovie->setPaletteRestore(false);
  s.exitMovie->setPressHook(&end);
  s.exitMovie->start();
  if (!s.exitMovie->isRunning()) {
    s.exitMovie->setFinishedLink(nullptr);
    s.exitMovie.reset();
    return;
  }
  s.stage->setMouseDownLink(&end);
  s.stage->setKeyDownLink(&end);
  s.app->setCloseLink(&end);
  s.stage->setPaintLink(nullptr);
  const OMLinkToFct restore(&restoreStagePaint);
  s.paintTask = std::make_unique<OMTask>(&restore, 0);
  s.app->addTask(s.paintTask.get());
  s.app->run();
  dropPaintTask();
  if (s.exitMovie && !s.exitMovieEnded) s.exitMovie->setFinishedLink(nullptr);
  s.exitMovie.reset();
}

OMWord onCloseRequest(OMWord)
{
  if (calls().isDialogOpen()) return 0;
  if (!calls().closeCanBeAnswered()) {
    // No script can say yes or no: the request is granted, unless a host signal made it,
    // which ends the program with the signal's status.
    if (om_exitSignal() > 0) {
      OMProgramEnd::request(OMProgramEnd::signalStatus());
    } else {
      answerCloseRequest(1);
    }
    return 0;
  }
  releaseOpenPress();
  if (ShellMovie* movie = calls().currentMovie()) freezeMovie(movie);
  calls().raiseAppClose();
  return 0;
}

void answerCloseRequest(int answer)
{
  Shell& s = shell();
  if (answer != 0) {
    if (s.stage) s.stage->goToBlack();
    s.frozenMovie = nullptr;
    quitTheApp();
    return;
  }
  ShellMovie* movie = s.frozenMovie;
  if (!movie) return;
  movie->show();
  movie->resumeRunning();
  if (s.depth == 8 && s.stage) {
    s.stage->goToBlack();
    if (OMMemCanvas* canvas = s.stage->offscreen()) canvas->setPalette(s.savedPalette);
    s.stage->displayScreen(0);
  }
  movie->restartPlayback();
  s.frozenMovie = nullptr;
}

OMWord onAppResume(OMWord)
{
  resumeSoundOutput();
  if (shell().stage) shell().stage->drawBackground();
  return 0;
}

OMWord onAppSuspend(OMWord)
{
  pauseSoundOutput();
  releaseOpenPress();
  return 0;
}

OMWord onStageKey(OMWord)
{
  const auto key = static_cast<std::uint32_t>(currentEventWParam());
  if (calls().sceneKeyPressed(key)) return 0;
  if (key == omkey::escape) onCloseRequest();
  return 0;
}

OMWord onBeatCheck(OMWord)
{
  Shell& s = shell();
  const std::uint32_t now = timeGetTime();
  if (now < s.nextBeat) return 0;
  // Beats missed in a stall are not caught up: the next one is the first after now.
  s.nextBeat += ((now - s.nextBeat) / beatPeriod + 1) * beatPeriod;
  OMAnimation::animationTickGate = 1;
  return 0;
}

OMWord onBeatDone(OMWord)
{
  OMAnimation::animationTickGate = 0;
  return 0;
}

std::uint32_t nextBeatTime()
{
  return shell().nextBeat;
}

void beginBusyCursor()
{
  Shell& s = shell();
  if (!s.stage || !s.stage->handle()) return;
  if (!s.busyCursor) s.busyCursor = std::make_unique<OMCursor>(-2, nullptr);
  s.stage->setCursor(s.busyCursor.get());
  s.stage->setCursorHandling(0);
}

void endBusyCursor()
{
  Shell& s = shell();
  s.busyCursor.reset();
  if (!s.stage) return;
  s.stage->setCursorHandling(1);
  if (OMTrinket* under = s.stage->trinketAt(s.stage->getMousePoint(nullptr))) {
    under->showHoverCursor();
    return;
  }
  s.stage->setCursor(OMTrinket::defaultCursor());
}

bool isBusyCursorOn()
{
  return shell().busyCursor != nullptr;
}
