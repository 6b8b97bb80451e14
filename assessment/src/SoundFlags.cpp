#include "assessment/src/SoundFlags.h"

#include <array>

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
}

void resetSoundFlags()
{
  flags() = {1, 1, 1};
}
