#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Writes Smacker movies (".smk", the "SMK2" edition) from 8-bit frames, their palettes and
// PCM sound tracks. Every Huffman tree is built from the movie's own statistics.
class SmackerWriter {
 public:
  using Bytes = std::vector<std::uint8_t>;

  struct Frame {
    Bytes indices;                            // width x height palette indices, rows top first
    std::array<std::uint8_t, 768> palette{};  // 256 x RGB; components use the 64 levels below
  };

  struct Track {
    std::uint32_t rate = 22050;
    int bits = 16;     // 8 (unsigned) or 16 (signed, little-endian)
    int channels = 1;  // 1 or 2, interleaved
    bool compressed = true;
    Bytes samples;
  };

  struct Movie {
    int width = 0;
    int height = 0;
    std::int32_t frameTime = 10000;  // in 1/100 ms
    int keyInterval = 0;             // a key frame every n frames; 0: only the first
    std::vector<Frame> frames;
    std::vector<Track> tracks;  // at most 7
  };

  // The 8-bit value of a 6-bit palette level, and the level nearest an 8-bit value.
  static std::uint8_t levelValue(int level);
  static int nearestLevel(std::uint8_t value);
  // A palette whose components are moved to the nearest levels.
  static std::array<std::uint8_t, 768> quantisePalette(const std::array<std::uint8_t, 768>& rgb);

  // Builds the whole file; false (with error()) when the movie cannot be written.
  bool write(const Movie& movie, Bytes& out);
  const std::string& error() const { return error_; }

  // Sound samples that frame `frame` of `frames` carries for a track (first sample, count).
  static std::pair<std::size_t, std::size_t> frameSamples(const Track& track,
                                                          std::int32_t frameTime, int frame,
                                                          int frames);

 private:
  std::string error_;
};
