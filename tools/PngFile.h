#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// PNG files through libpng: what the packer takes as image sources, and what tests write.
namespace pngfile {

using Bytes = std::vector<std::uint8_t>;

struct Image {
  int width = 0;
  int height = 0;
  // Palette images: one index a pixel, the palette (RGB) and the first fully transparent
  // index (-1 none). Other images: rgba holds 4 bytes a pixel. Rows top first.
  bool indexed = false;
  Bytes indices;
  std::array<std::uint8_t, 768> palette{};
  int transparentIndex = -1;
  Bytes rgba;

  // A palette image's index at a pixel; outside the image, set does nothing and at answers
  // the given outside index.
  void set(int x, int y, int index)
  {
    if (contains(x, y)) indices[offset(x, y)] = std::uint8_t(index);
  }
  int at(int x, int y, int outside) const
  {
    return contains(x, y) ? indices[offset(x, y)] : outside;
  }

 private:
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  std::size_t offset(int x, int y) const
  {
    return std::size_t(y) * std::size_t(width) + std::size_t(x);
  }
};

// Any PNG: palette images of 8 bits or fewer keep their indices; the rest becomes RGBA.
bool readPng(const Bytes& file, Image& image, std::string& error);
// An RGB image (3 bytes a pixel, rows top first).
bool writeRgbPng(const std::string& path, int width, int height, const Bytes& rgb);
// A palette image from an Image with `indexed` set.
bool writeIndexedPng(const std::string& path, const Image& image);
// The same, as the bytes of a PNG file.
bool encodeIndexedPng(const Image& image, Bytes& file);

}  // namespace pngfile
