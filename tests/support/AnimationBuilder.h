#pragma once

#include <cstdint>
#include <vector>

#include "trinkets/src/OMFrameEntry.h"

namespace omtest {

// Builds little-endian animation sequence resources for tests: images that are filled
// rectangles of one colour index, with an optional transparent border, and any sequences.
class AnimationBuilder {
 public:
  using Bytes = std::vector<std::uint8_t>;

  explicit AnimationBuilder(int frameRate = 8) : rate_(frameRate) {}

  // An image of w x h pixels of colour c, whose outer `border` pixels are transparent.
  int addImage(int w, int h, std::uint8_t c, int border = 0)
  {
    Bytes image;
    put16(image, 0);
    put16(image, w);
    put16(image, h);
    for (int r = 0; r < h; ++r) {
      if (r < border || r >= h - border) {
        skip(image, w);
        continue;
      }
      skip(image, border);
      for (int left = w - 2 * border; left > 0;) {
        const int n = left > 250 ? 250 : left;
        image.insert(image.end(), {255, c, static_cast<std::uint8_t>(n)});
        left -= n;
      }
      skip(image, border);
    }
    images_.push_back(image);
    return static_cast<int>(images_.size()) - 1;
  }

  // The entries up to the end entry, which is added.
  void addSequence(const std::vector<OMFrameEntry>& entries)
  {
    std::vector<OMFrameEntry> all = entries;
    all.push_back(OMFrameEntry{0, 0, OMFrameEntry::end, 0});
    sequences_.push_back(all);
  }

  void setPlacement(int x, int y, int z)
  {
    placeX_ = x;
    placeY_ = y;
    placeZ_ = z;
  }

  Bytes build() const
  {
    Bytes out;
    put16(out, static_cast<int>(sequences_.size()));
    put16(out, static_cast<int>(images_.size()));
    out.push_back(static_cast<std::uint8_t>(rate_));
    out.push_back(0);
    put16(out, 0);
    put16(out, 0);
    std::uint32_t offset = 0;
    for (const Bytes& image : images_) {
      put32(out, offset);
      offset += static_cast<std::uint32_t>(image.size());
    }
    for (std::size_t s = 0; s < sequences_.size(); ++s) {
      const int x = placeX_ & 0xFFF, y = placeY_ & 0xFFF;
      out.insert(out.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                             static_cast<std::uint8_t>((x >> 8) | (y >> 8) << 4),
                             static_cast<std::uint8_t>(placeZ_)});
    }
    for (const auto& sequence : sequences_) {
      put16(out, static_cast<int>(sequence.size()));
      for (const OMFrameEntry& e : sequence) {
        put16(out, e.x);
        put16(out, e.y);
        put16(out, e.image);
        put16(out, e.param);
      }
    }
    for (const Bytes& image : images_)
      out.insert(out.end(), image.begin(), image.end());
    return out;
  }

 private:
  static void put16(Bytes& out, int v)
  {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  static void put32(Bytes& out, std::uint32_t v)
  {
    for (int i = 0; i < 4; ++i)
      out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  static void skip(Bytes& out, int n)
  {
    for (; n > 0; n -= 250)
      out.insert(out.end(), {0, static_cast<std::uint8_t>(n > 250 ? 250 : n)});
  }

  int rate_;
  int placeX_ = 0, placeY_ = 0, placeZ_ = 0;
  std::vector<Bytes> images_;
  std::vector<std::vector<OMFrameEntry>> sequences_;
};

}  // namespace omtest
