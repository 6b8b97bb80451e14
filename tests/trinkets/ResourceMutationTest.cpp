// Damaged animations and backgrounds: mutated copies of written resources are refused or
// drawn without a byte outside the canvases (the sanitizer build checks the latter).
#include <chrono>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "fuzz/support/ResourceDecoding.h"
#include "tests/support/AppTestSupport.h"
#include "tools/AnimationWriter.h"
#include "tools/BackgroundWriter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes animation(std::mt19937& random, bool bigEndian)
{
  AnimationWriter writer;
  for (int i = 0; i < 3; ++i) {
    const int w = 1 + int(random() % 40), h = 1 + int(random() % 20);
    Bytes pixels;
    for (int p = 0; p < w * h; ++p)
      pixels.push_back(std::uint8_t(random() % 4 == 0 ? 0 : p / 3 % 5));
    writer.addImage(AnimationWriter::Image::fromPixels(w, h, pixels, 0));
  }
  writer.addSequence({{{1, 2, 0, 0}, {0, 0, AnimationWriter::sound, 3}, {0, 0, 2, 0}}, true});
  writer.addSequence({{{0, 0, 1, 0}, {0, 0, AnimationWriter::loop, 0}}, true});
  writer.setBigEndian(bigEndian);
  Bytes out;
  writer.build(out);
  return out;
}

// One of: bytes changed, a word set to an extreme, cut short, bytes put in.
void mutate(std::mt19937& random, Bytes& bytes)
{
  const int edits = 1 + int(random() % 4);
  for (int e = 0; e < edits && !bytes.empty(); ++e) {
    const std::size_t at = random() % bytes.size();
    switch (random() % 5) {
      case 0:
        bytes[at] = std::uint8_t(random());
        break;
      case 1:
        bytes[at] ^= std::uint8_t(1u << (random() % 8));
        break;
      case 2: {
        const std::uint8_t extreme[] = {0x00, 0x7F, 0x80, 0xFF};
        for (std::size_t k = at; k < at + 4 && k < bytes.size(); ++k)
          bytes[k] = extreme[random() % 4];
        break;
      }
      case 3:
        bytes.resize(at);
        break;
      default:
        bytes.insert(bytes.begin() + std::ptrdiff_t(at), random() % 9, std::uint8_t(random()));
        break;
    }
  }
}

TEST(ResourceMutation, TenThousandDamagedAnimationsAndBackgroundsDecodeSafely)
{
  omtest::TestApp session;
  omfuzz::DecodingCanvases canvases;
  std::mt19937 random(2024);
  const auto start = std::chrono::steady_clock::now();
  int drawn = 0;
  std::vector<Bytes> written;
  for (int i = 0; i < 16; ++i)
    written.push_back(animation(random, i % 2 == 1));
  for (int i = 0; i < 10000; ++i) {
    Bytes bytes = written[std::size_t(i) % written.size()];
    if (i % 4 != 0) mutate(random, bytes);
    OMAnimationHeader header;
    Bytes copy = bytes;
    drawn += parseAnimationHeader(copy.data(), copy.size(), header);
    omfuzz::decodeAnimation(canvases, bytes.data(), bytes.size());
  }
  // Unchanged ones all load, and mutation leaves a good share loadable to draw.
  EXPECT_GT(drawn, 2500 + 1000);
  std::vector<std::uint16_t> pixels(37 * 9);
  for (std::size_t p = 0; p < pixels.size(); ++p)
    pixels[p] = std::uint16_t(p * 2654435761u >> 17);
  const Bytes background = writeBackground(37, 9, pixels);
  for (int i = 0; i < 10000; ++i) {
    Bytes bytes = background;
    // Most mutations go to the packed data, past the header's checks.
    if (i % 2)
      mutate(random, bytes);
    else
      bytes[32 + random() % (bytes.size() - 32)] = std::uint8_t(random());
    omfuzz::decodeBackground(canvases, bytes.data(), bytes.size());
  }
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("seconds", std::to_string(seconds));
}

}  // namespace
