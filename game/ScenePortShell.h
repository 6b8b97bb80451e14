#pragma once

#include <cstdint>
#include <memory>

class OMIStream;
class OMStageWindow;

// What the shell asks of the scene ports: their per-pass task, their listener on the stage,
// the close and key events, the music loader and the shut-down. The scene ports come with the
// scene's functions; until then these do nothing.

void installScenePortTask();
void installStageMouseListener(OMStageWindow* stage);
// Raises "appClose" on every scene port.
void raiseAppClose();
// Offers a key code to the scene ports; 1 when they took it (Space and Enter).
int sceneKeyPressed(std::uint32_t key);
using BackgroundMusicLoader = std::unique_ptr<OMIStream> (*)(int id);
void setBackgroundMusicLoader(BackgroundMusicLoader loader);
// Stops the background music at once, without a fade.
void stopBackgroundMusicNow();
void shutdownScenePort();
// The pause bracket around a scene change (and the scripts' music pause): the first begin
// pauses the music and its fade, the last end resumes them unless a movie is open.
void beginScenePause();
void endScenePause();
