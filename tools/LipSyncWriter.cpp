#include "tools/LipSyncWriter.h"

std::vector<std::uint8_t> writeLipSyncTable(const std::vector<int>& images, bool bigEndian)
{
  std::vector<std::uint8_t> bytes;
  const auto put = [&](int value) {
    const auto v = static_cast<std::uint16_t>(value);
    bytes.push_back(static_cast<std::uint8_t>(bigEndian ? v >> 8 : v & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(bigEndian ? v & 0xFF : v >> 8));
  };
  put(bigEndian ? 2 : 1);
  put(0);
  put(static_cast<int>(images.size()));
  for (int image : images) {
    put(image);
    put(0);
    put(0);
  }
  return bytes;
}
