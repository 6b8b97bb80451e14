#include "platform/src/smacker/SmackerHeader.h"

#include <cstring>

namespace omsmack {

namespace {

std::uint32_t le32(const std::uint8_t* at)
{
  return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
         std::uint32_t(at[3]) << 24;
}

constexpr std::uint32_t kMaxSide = 4096;

}  // namespace

std::uint64_t SmackerHeader::tablesSize(const std::uint8_t* header)
{
  const std::uint64_t frames = le32(header + 12);
  const std::uint64_t ring = le32(header + 20) & 1;
  return kSize + (frames + ring) * 4 + frames + le32(header + 52);
}

bool SmackerHeader::parse(const std::uint8_t* bytes, std::size_t size, std::uint64_t fileSize,
                          std::string& why)
{
  if (size < kSize || (std::memcmp(bytes, "SMK2", 4) != 0 && std::memcmp(bytes, "SMK4", 4) != 0)) {
    why = "not a Smacker movie";
    return false;
  }
  width = le32(bytes + 4);
  height = le32(bytes + 8);
  frames = le32(bytes + 12);
  const auto rate = static_cast<std::int32_t>(le32(bytes + 16));
  flags = le32(bytes + 20);
  for (int i = 0; i < 7; ++i) {
    largestInTrack[i] = le32(bytes + 24 + 4 * i);
    trackFlags[i] = le32(bytes + 72 + 4 * i);
  }
  treesSize = le32(bytes + 52);
  for (int i = 0; i < 4; ++i)
    treeTables[i] = le32(bytes + 56 + 4 * i);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    why = "frame size out of range";
    return false;
  }
  if (frames == 0) {
    why = "no frames";
    return false;
  }
  // r ms, or -r hundredths of a ms; 0 means ten frames a second.
  frameTime = rate > 0   ? std::uint32_t(rate) * 100
              : rate < 0 ? std::uint32_t(-std::int64_t(rate))
                         : 10000;
  if (rate > 0 && rate > 10000000) frameTime = 1000000000;
  const std::uint64_t tables = tablesSize(bytes);
  if (tables > fileSize || tables > size) {
    why = "tables overrun the file";
    return false;
  }
  frameBytes.resize(frames);
  keyFrames.resize(frames);
  std::uint64_t total = tables;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const std::uint32_t entry = le32(bytes + kSize + 4 * std::size_t(i));
    frameBytes[i] = entry & ~3u;
    keyFrames[i] = entry & 1;
    total += frameBytes[i];
  }
  if (total > fileSize) {
    why = "frames overrun the file";
    return false;
  }
  tablesEnd = tables;
  return true;
}

}  // namespace omsmack
