// Writes the sources of the demo's exit movie into a folder: frames "frame000.png"... of a
// ball crossing a striped backdrop, and "sound.wav", a falling tone as long as the movie.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/MovieSources.h"

int main(int argc, char** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_movie <folder>\n");
    return 1;
  }
  const std::string folder = argv[1];
  constexpr int kWidth = 320, kHeight = 240, kFrames = 30;
  moviesources::IndexedImage image;
  image.width = kWidth;
  image.height = kHeight;
  for (int i = 0; i < 256; ++i) {
    image.palette[i * 3] = static_cast<std::uint8_t>(i < 128 ? i * 2 : 255);
    image.palette[i * 3 + 1] = static_cast<std::uint8_t>(i < 128 ? 64 : 255 - (i - 128) * 2);
    image.palette[i * 3 + 2] = static_cast<std::uint8_t>(255 - i);
  }
  for (int f = 0; f < kFrames; ++f) {
    image.indices.assign(std::size_t(kWidth) * kHeight, 0);
    const int cx = 20 + f * (kWidth - 40) / (kFrames - 1), cy = kHeight / 2;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const int dx = x - cx, dy = y - cy;
        image.indices[std::size_t(y) * kWidth + x] =
            dx * dx + dy * dy < 400 ? 200 : static_cast<std::uint8_t>((y / 16) * 8);
      }
    }
    char name[32];
    std::snprintf(name, sizeof name, "/frame%03d.png", f);
    const auto png = moviesources::writeIndexedPng(image);
    std::ofstream(folder + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  }
  moviesources::Wave wave{22050, 16, 1, {}};
  const int samples = 22050 * kFrames / 15;
  for (int i = 0; i < samples; ++i) {
    const double t = double(i) / 22050;
    const auto value =
        static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265 * (660 - 300 * t) * t));
    wave.samples.push_back(static_cast<std::uint8_t>(value));
    wave.samples.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  const auto bytes = moviesources::writeWave(wave);
  std::ofstream(folder + "/sound.wav", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return 0;
}
