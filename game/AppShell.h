#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMWord.h"

class OMApp;
class OMLink;
class ShellMovie;
class OMStageWindow;

// The application shell: the application object and the stage, the game's answers to close
// requests, activation and keys, the common 125 ms beat of animations, the busy cursor, the
// main loop and the exit movie.

// Makes the application object (display mode 3 or 5) and the 640x480 stage centred on the
// screen, and connects the game's links.
void createMainWindow(int mode);
void destroyMainWindow();
// The main loop until the game quits, then the exit movie in a second loop.
void runGame();

OMApp* shellApp();
OMStageWindow* shellStage();

void beginBusyCursor();
void endBusyCursor();
bool isBusyCursorOn();

// A close request (the close box, the end of the session, Esc) never ends the game by
// itself: it freezes what plays and asks the scripts, which answer here: 0 stays, any other
// answer quits.
OMWord onCloseRequest(OMWord unused = 0);
void answerCloseRequest(int answer);

OMWord onAppResume(OMWord unused = 0);
OMWord onAppSuspend(OMWord unused = 0);
OMWord onStageKey(OMWord unused = 0);
OMWord onBeatCheck(OMWord unused = 0);
OMWord onBeatDone(OMWord unused = 0);
// The time of the next beat (timeGetTime milliseconds).
std::uint32_t nextBeatTime();

// What the shell calls of the scene ports and of the movie and dialog trinkets; each member
// starts as their own function. Tests replace members and call resetShellCalls.
struct ShellCalls {
  void (*raiseAppClose)();
  int (*sceneKeyPressed)(std::uint32_t key);
  ShellMovie* (*currentMovie)();
  bool (*isDialogOpen)();
  std::unique_ptr<ShellMovie> (*createExitMovie)(const char* fileName, int x, int y,
                                                 const OMLink* finished);
  bool (*closeCanBeAnswered)();
};
ShellCalls& shellCalls();
void resetShellCalls();
