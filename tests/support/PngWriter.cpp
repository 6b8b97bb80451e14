#include "tests/support/PngWriter.h"

#include "tools/PngFile.h"

namespace omtest {

bool writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb)
{
  return pngfile::writeRgbPng(path, width, height, rgb);
}

}  // namespace omtest
