#pragma once

class OMWaveSound;

// The scene's background music: one looping WAVE sound for the program, with volume fades
// counted in ticks of 1/60 s, and the pause bracket of scene changes (beginScenePause and
// endScenePause, ScenePortShell.h). The scene ports drive it; the loader comes from the
// resource set-up.

// Starts the music: a new id stops the old music first; with fadeSeconds of 1 and more the
// volume rises from 0 over that time. Without a loader or its stream only the id and the
// volume are kept.
void startBackgroundMusic(int id, int volume, int fadeSeconds);
// Stops the music at once, or fades it out over fadeSeconds (1 and more) and then stops it.
void stopBackgroundMusic(int fadeSeconds);

int backgroundMusicId();
int backgroundMusicVolume();
int backgroundMusicEnabled();
// A change starts the music (with its id and volume, no fade) or stops it at once.
void setBackgroundMusicEnabled(int enabled);

// The sound that plays now, or null; whether a fade runs; the pause bracket's depth.
const OMWaveSound* backgroundMusicSound();
bool isBackgroundMusicFading();
int scenePauseDepth();

// The end of the run: the music stops at once and no pause is left open.
void shutdownBackgroundMusic();
