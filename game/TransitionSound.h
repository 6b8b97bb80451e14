#pragma once

#include "framework/OMWord.h"

// The sound that plays while a scene changes. The main loop may stand still meanwhile, so the
// sound goes out in one wave-out buffer: while it exists the sound output runs a ring of 2
// buffers as large as the sound. Its end, or "StopTransitionSound", releases the scripts.
namespace scriptfn {

// "PlayTransitionSound" id.
OMWord playTransitionSound(OMWord unused);
// "StopTransitionSound": ends the sound; while it is paused, holds every script until it has
// been resumed and has ended.
OMWord stopTransitionSound(OMWord unused);

}  // namespace scriptfn

// True while the transition sound exists.
bool isTransitionSoundPlaying();
// Shut-down: the sound goes, the output's settings come back, the lookup is forgotten.
void shutdownTransitionSound();
