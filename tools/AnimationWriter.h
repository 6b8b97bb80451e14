#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes animation sequence resources ("ASEQ"): sequences of frame entries and run-length
// encoded 8-bit images, in either byte order.
class AnimationWriter {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // Control codes an entry's image may hold instead of an image index.
  static constexpr std::int16_t end = -1;
  static constexpr std::int16_t loop = -2;
  static constexpr std::int16_t hold = -4;
  static constexpr std::int16_t sound = -101;
  static constexpr std::int16_t special = -500;

  struct Entry {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t image = 0;
    std::int16_t param = 0;
  };

  // One code of a row: a skip of n pixels, n pixels of one colour, or the given colours.
  struct Code {
    enum Kind { skip, fill, literal } kind = skip;
    int count = 0;  // skip and fill: 0 to 255
    std::uint8_t colour = 0;
    Bytes colours;  // literal: 1 to 254 of them
  };

  struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::vector<Code>> rows;
    std::int16_t reserved = 0;

    // Codes for pixels (rows top first): transparent pixels (index `transparent`, -1 none)
    // become skips, three or more equal pixels fills, the rest literals.
    static Image fromPixels(int width, int height, const Bytes& pixels, int transparent);
  };

  struct Sequence {
    // Closed with an end entry when the last one is not already one.
    std::vector<Entry> entries;
    bool closed = true;
  };

  void setFrameRate(int framesPerSecond) { frameRate_ = framesPerSecond; }
  void setBigEndian(bool bigEndian) { bigEndian_ = bigEndian; }
  // Where the animation places itself: 12 bits each for x and y (-2047 to 2048), z 0 to 255.
  void setPlacement(int x, int y, int z);
  int addImage(Image image);
  void addSequence(Sequence sequence);

  // False, with error(), when something does not fit the format (a code or row that does not
  // cover the image's width, more than 32767 sequences, entries or images).
  bool build(Bytes& out);
  const std::string& error() const { return error_; }

  // The encoded rows of one image, without its header.
  static bool encodeRows(const Image& image, Bytes& out, std::string& error);

 private:
  int frameRate_ = 0;
  bool bigEndian_ = false;
  int x_ = 0, y_ = 0, z_ = 0;
  std::vector<Image> images_;
  std::vector<Sequence> sequences_;
  std::string error_;
};
