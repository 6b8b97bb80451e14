#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace omsmack {

// What a movie file's header and tables say, checked against the file's size.
struct SmackerHeader {
  static constexpr std::size_t kSize = 0x68;

  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t frames = 0;
  std::uint32_t frameTime = 0;  // 1/100 ms
  std::uint32_t flags = 0;
  std::array<std::uint32_t, 7> largestInTrack{};
  std::array<std::uint32_t, 7> trackFlags{};
  std::uint32_t treesSize = 0;
  std::array<std::uint32_t, 4> treeTables{};
  std::vector<std::uint32_t> frameBytes;  // without the key-frame bits
  std::vector<bool> keyFrames;
  std::uint64_t tablesEnd = 0;  // where frame data starts

  bool hasTrack(int track) const { return trackFlags[track] & 0x40000000u; }
  std::uint32_t trackRate(int track) const { return trackFlags[track] & 0xFFFFFFu; }
  int trackBits(int track) const { return (trackFlags[track] & 0x20000000u) ? 16 : 8; }
  int trackChannels(int track) const { return (trackFlags[track] & 0x10000000u) ? 2 : 1; }

  // Bytes needed before the tables can be read: the fixed header.
  // Parses `bytes` (the file's first bytes, at least up to the tables' end) for a file of
  // `fileSize` bytes; false with `why` for anything a movie cannot be.
  bool parse(const std::uint8_t* bytes, std::size_t size, std::uint64_t fileSize, std::string& why);
  // The bytes parse() needs for the tables, once the fixed header is known (0 if invalid).
  static std::uint64_t tablesSize(const std::uint8_t* header);
};

}  // namespace omsmack
