#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TestStage.h"
#include "tools/SmackerWriter.h"

namespace movietest {

constexpr int width = 32;
constexpr int height = 24;
constexpr std::uint8_t patchIndex = 200;

// The colours of the first palette: index i is a grey-blue ramp; the second palette turns
// the ramp red. Components sit on the writer's 64 levels, so they survive the file.
inline std::array<std::uint8_t, 768> palette(int which)
{
  std::array<std::uint8_t, 768> rgb{};
  for (int i = 0; i < 256; ++i) {
    const int level = (i * 7 + which * 23) % 64;
    rgb[i * 3] = SmackerWriter::levelValue(which ? 63 - level / 4 : level);
    rgb[i * 3 + 1] = SmackerWriter::levelValue((level * 3 + which * 40) % 64);
    rgb[i * 3 + 2] = SmackerWriter::levelValue(which ? level / 8 : 63 - level);
  }
  return rgb;
}

// Frame f is index 10 + f all over, with a 4 x 3 patch of index 200 at (3f, f) so that its
// place on the screen is checked too. From frame `switchAt` on, the second palette.
inline SmackerWriter::Movie movie(int frames, int switchAt = -1)
{
  SmackerWriter::Movie m;
  m.width = width;
  m.height = height;
  m.frameTime = 10000;  // 10 frames a second
  for (int f = 0; f < frames; ++f) {
    SmackerWriter::Frame frame;
    frame.palette = palette(switchAt >= 0 && f >= switchAt ? 1 : 0);
    frame.indices.assign(std::size_t(width) * height, static_cast<std::uint8_t>(10 + f));
    for (int y = f; y < f + 3; ++y)
      for (int x = 3 * f; x < 3 * f + 4; ++x)
        frame.indices[std::size_t(y) * width + x] = patchIndex;
    m.frames.push_back(frame);
  }
  return m;
}

// Writes the movie into the stage's folder (the current one) under the name.
inline void write(const omtest::TestStage& stage, const std::string& name,
                  const SmackerWriter::Movie& m)
{
  SmackerWriter writer;
  SmackerWriter::Bytes bytes;
  ASSERT_TRUE(writer.write(m, bytes)) << writer.error();
  stage.folder().write(name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

// What the screen shows at (x, y) for frame f's pixel (mx, my): the palette index at 8 bits,
// the 5-5-5 colour at 16.
inline std::uint32_t expected(const SmackerWriter::Movie& m, int f, int mx, int my, int depth)
{
  const SmackerWriter::Frame& frame = m.frames[std::size_t(f)];
  const int index = frame.indices[std::size_t(my) * m.width + mx];
  if (depth == 8) return std::uint32_t(index);
  const unsigned r = frame.palette[index * 3], g = frame.palette[index * 3 + 1],
                 b = frame.palette[index * 3 + 2];
  return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
}

// The frame whose every pixel the screen shows with the movie's corner at (left, top), or -1.
inline int frameOnScreen(const omtest::TestStage& stage, const SmackerWriter::Movie& m, int left,
                         int top, int depth = 16)
{
  for (int f = 0; f < int(m.frames.size()); ++f) {
    bool all = true;
    for (int y = 0; y < m.height && all; ++y)
      for (int x = 0; x < m.width && all; ++x)
        all = stage.pixel(left + x, top + y) == expected(m, f, x, y, depth);
    if (all) return f;
  }
  return -1;
}

}  // namespace movietest
