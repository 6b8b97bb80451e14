// Writes a test sound as an 8-bit mono RIFF WAVE file at 11,025 Hz.
//   makewave <output.wav> "<description>"   (see wavewriter::describedSamples)
#include <cstdio>
#include <string>

#include "tools/WaveWriter.h"

int main(int argc, char** argv)
{
  if (argc != 3) {
    std::fprintf(stderr, "usage: makewave <output.wav> <description>\n");
    return 2;
  }
  constexpr std::uint32_t rate = 11025;
  wavewriter::Bytes samples;
  std::string error;
  if (!wavewriter::describedSamples(argv[2], rate, samples, error)) {
    std::fprintf(stderr, "makewave: %s\n", error.c_str());
    return 2;
  }
  const wavewriter::Bytes image = wavewriter::waveImage(rate, samples);
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(image.data(), 1, image.size(), out) == image.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}
