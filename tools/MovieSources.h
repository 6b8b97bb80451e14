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

// Reads a PNG of colour type 3 (palette) at 8 bits a pixel; false with `error` otherwise.
bool readIndexedPng(const Bytes& file, IndexedImage& image, std::string& error);
// Writes one (stored deflate blocks, no filters).
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

// The CRC-32 that PNG chunks and zlib use.
std::uint32_t crc32(const std::uint8_t* data, std::size_t size);

// Inflates a zlib stream; false for a damaged one.
bool inflateZlib(const std::uint8_t* data, std::size_t size, Bytes& out);

}  // namespace moviesources
