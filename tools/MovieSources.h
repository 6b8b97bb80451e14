#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The files a movie is made from: 8-bit palette PNG frames and PCM WAVE tracks.
namespace moviesources {

using Bytes = std::vector<std::uint8_t>;

struct IndexedImage {
  int width = 0;
  int height = 0;
  Bytes indices;                            // rows top first
  std::array<std::uint8_t, 768> palette{};  // RGB; entries past the PNG's own are black
};

// Reads a palette PNG; false with `error` for any other file.
bool readIndexedPng(const Bytes& file, IndexedImage& image, std::string& error);
// Writes one; no bytes when the image is empty.
Bytes writeIndexedPng(const IndexedImage& image);

struct Wave {
  std::uint32_t rate = 0;
  int bits = 0;
  int channels = 0;
  Bytes samples;
};

// PCM WAVE files: 8 or 16 bits, mono or stereo.
bool readWave(const Bytes& file, Wave& wave, std::string& error);
Bytes writeWave(const Wave& wave);

}  // namespace moviesources
