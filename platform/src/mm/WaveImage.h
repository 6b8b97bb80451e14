#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include <windows.h>

namespace ommm {

// The format and sample bytes of a RIFF WAVE image; every chunk length is checked against the
// image's size.
struct WaveImage {
  WAVEFORMATEX format{};
  std::string samples;
};

std::optional<WaveImage> parseWaveImage(const unsigned char* bytes, std::size_t size);
// The size a RIFF image in memory claims (its header's length + 8), or 0 when it is not one.
std::size_t claimedRiffSize(const unsigned char* bytes);

}  // namespace ommm
