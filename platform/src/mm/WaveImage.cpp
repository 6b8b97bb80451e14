#include "platform/src/mm/WaveImage.h"

#include <cstring>

namespace ommm {
namespace {

std::uint32_t u32(const unsigned char* p)
{
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t u16(const unsigned char* p)
{
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

std::size_t claimedRiffSize(const unsigned char* bytes)
{
  if (!bytes || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
    return 0;
  return static_cast<std::size_t>(u32(bytes + 4)) + 8;
}

std::optional<WaveImage> parseWaveImage(const unsigned char* bytes, std::size_t size)
{
  if (!bytes || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 ||
      std::memcmp(bytes + 8, "WAVE", 4) != 0)
    return std::nullopt;
  WaveImage image;
  bool haveFormat = false;
  bool haveData = false;
  std::size_t position = 12;
  while (position + 8 <= size) {
    const unsigned char* chunk = bytes + position;
    const std::uint32_t length = u32(chunk + 4);
    if (length > size - position - 8) return std::nullopt;  // a chunk beyond the image
    const unsigned char* body = chunk + 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (length < 16) return std::nullopt;
      image.format.wFormatTag = u16(body);
      image.format.nChannels = u16(body + 2);
      image.format.nSamplesPerSec = u32(body + 4);
      image.format.nAvgBytesPerSec = u32(body + 8);
      image.format.nBlockAlign = u16(body + 12);
      image.format.wBitsPerSample = u16(body + 14);
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      image.samples.assign(reinterpret_cast<const char*>(body), length);
      haveData = true;
    }
    position += 8 + length + (length & 1);  // chunks are padded to even lengths
  }
  if (!haveFormat || !haveData) return std::nullopt;
  return image;
}

}  // namespace ommm
