#include "assessment/src/SoundFlags.h"

#include <array>
#include <cstdio>

#include "assessment/src/RDatFile.h"

namespace {

std::array<std::int16_t, 3>& flags()
{
  static std::array<std::int16_t, 3> values{1, 1, 1};
  return values;
}

}  // namespace

std::int16_t soundFlag(SoundFlag which)
{
  return flags()[static_cast<std::size_t>(which)];
}

void setSoundFlag(SoundFlag which, std::int16_t value)
{
  flags()[static_cast<std::size_t>(which)] = value;
  // The registered data file carries the flags to the main program.
  static const char* const names[] = {"sfxFlag", "musicFlag", "voiceFlag"};
  if (RDatFile* file = RDatFile::registered()) {
    char text[8];
    std::snprintf(text, sizeof text, "%d", value);
    file->set(names[static_cast<std::size_t>(which)], text);
  }
}

void resetSoundFlags()
{
  flags() = {1, 1, 1};
}
