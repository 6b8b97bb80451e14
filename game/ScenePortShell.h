#pragma once

#include <cstdint>
#include <memory>

class GlobalTimer;
class OMIStream;
class OMStageWindow;

// What the shell asks of the scene ports: their per-pass task, their listener on the stage,
// the close and key events, the music loader and the shut-down.

// Adds the task that runs the global timers to the application.
void installScenePortTask();
// The stage the ports act on (null forgets it, before the stage goes): a press on it holds
// the timers that wait for its release, and the layer it makes hears background clicks.
void installStageMouseListener(OMStageWindow* stage);
// Raises "appClose" on every scene port.
void raiseAppClose();
// Whether a script can answer a close request: a thread runs and a procedure is connected to
// "appClose" on a port.
bool scriptsCanAnswerClose();
// Offers a key code to the scene ports; 1 when they took it (Space and Enter).
int sceneKeyPressed(std::uint32_t key);
// Makes a stream for a music id (WAVE resource); flags 0.
using BackgroundMusicLoader = std::unique_ptr<OMIStream> (*)(std::uint16_t id, std::int32_t flags);
void setBackgroundMusicLoader(BackgroundMusicLoader loader);
// Stops the background music at once, without a fade.
void stopBackgroundMusicNow();
// Stops the music, takes the timer task off and deletes the timers.
void shutdownScenePort();
// The pause bracket around a scene change (and the scripts' music pause): the first begin
// pauses the music and its fade, the last end resumes them unless a movie is open.
void beginScenePause();
void endScenePause();

// What the ports share.

// The stage, or null.
OMStageWindow* scenePortStage();
// Adds a timer (seconds; the flags get bit 0x1); its event joins every port's events.
void addGlobalTimer(std::uint32_t periodSeconds, std::uint32_t retrySeconds, const char* name,
                    std::uint32_t flags);
// The first timer of that name, or null.
GlobalTimer* findGlobalTimer(const char* name);
// The timer at that place in order of creation, or null past the last.
GlobalTimer* globalTimer(int index);
// The stage layer's press link raises "backgroundClicked" on every port while a port exists:
// the first port installs it, the last one clears it.
void installBackgroundClickLink();
void clearBackgroundClickLink();
