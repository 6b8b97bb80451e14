#include "game/ScenePortShell.h"

void installScenePortTask() {}

void installStageMouseListener(OMStageWindow*) {}

void raiseAppClose() {}

int sceneKeyPressed(std::uint32_t)
{
  return 0;
}

void setBackgroundMusicLoader(BackgroundMusicLoader) {}

void stopBackgroundMusicNow() {}

void shutdownScenePort() {}

void beginScenePause() {}

void endScenePause() {}
