#pragma once

#include <cstdint>
#include <vector>

#include "tools/AnimationWriter.h"
#include "trinkets/src/OMFrameEntry.h"

namespace omtest {

// Animation resources for tests, through the animation writer: images that are filled
// rectangles of one colour index, with an optional transparent border, and any sequences.
class AnimationBuilder {
 public:
  using Bytes = std::vector<std::uint8_t>;

  explicit AnimationBuilder(int frameRate = 8) { writer_.setFrameRate(frameRate); }

  // An image of w x h pixels of colour c, whose outer `border` pixels are transparent.
  int addImage(int w, int h, std::uint8_t c, int border = 0)
  {
    constexpr std::uint8_t clear = 0;
    Bytes pixels(static_cast<std::size_t>(w) * h, clear);
    for (int r = border; r < h - border; ++r) {
      for (int x = border; x < w - border; ++x)
        pixels[static_cast<std::size_t>(r) * w + x] = c;
    }
    return writer_.addImage(AnimationWriter::Image::fromPixels(w, h, pixels, clear));
  }

  int addImage(const AnimationWriter::Image& image) { return writer_.addImage(image); }

  // The entries; an end entry closes them.
  void addSequence(const std::vector<OMFrameEntry>& entries)
  {
    AnimationWriter::Sequence sequence;
    for (const OMFrameEntry& e : entries)
      sequence.entries.push_back({e.x, e.y, e.image, e.param});
    writer_.addSequence(sequence);
  }

  void setPlacement(int x, int y, int z) { writer_.setPlacement(x, y, z); }

  Bytes build() const
  {
    AnimationWriter copy = writer_;
    Bytes out;
    copy.build(out);
    return out;
  }

 private:
  AnimationWriter writer_;
};

}  // namespace omtest
