#include "tests/support/PngWriter.h"

#include <fstream>
#include <iterator>

#include "tools/PngFile.h"

namespace omtest {

bool writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb)
{
  return pngfile::writeRgbPng(path, width, height, rgb);
}

bool readPng(const std::string& path, int& width, int& height, std::vector<std::uint8_t>& rgb)
{
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return false;
  const pngfile::Bytes file((std::istreambuf_iterator<char>(stream)),
                            std::istreambuf_iterator<char>());
  pngfile::Image image;
  std::string error;
  if (!pngfile::readPng(file, image, error) || image.indexed) return false;
  width = image.width;
  height = image.height;
  rgb.clear();
  rgb.reserve(image.rgba.size() / 4 * 3);
  for (std::size_t at = 0; at + 4 <= image.rgba.size(); at += 4)
    rgb.insert(rgb.end(), image.rgba.begin() + std::ptrdiff_t(at),
               image.rgba.begin() + std::ptrdiff_t(at + 3));
  return true;
}

}  // namespace omtest
