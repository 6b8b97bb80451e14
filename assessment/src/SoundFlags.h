#pragma once

#include <cstdint>

// The program-wide sound settings: effects, music and voice, 1 on and 0 off (1 at start).
enum class SoundFlag { effects, music, voice };

std::int16_t soundFlag(SoundFlag which);
void setSoundFlag(SoundFlag which, std::int16_t value);
// All three on again.
void resetSoundFlags();
