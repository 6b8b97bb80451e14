#include "platform/host/headless/CaptureFiles.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace omhost {
namespace {

using Bytes = std::vector<std::uint8_t>;

void putBigEndian32(Bytes& out, std::uint32_t value)
{
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putLittleEndian(Bytes& out, std::uint32_t value, int bytes)
{
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc = 0)
{
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < count; ++i)
    crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t adler32(const Bytes& bytes)
{
  std::uint32_t a = 1, b = 0;
  for (const std::uint8_t byte : bytes) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return b << 16 | a;
}

void putChunk(Bytes& out, const char* type, const Bytes& data)
{
  putBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  putBigEndian32(out, crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored (uncompressed) deflate blocks.
Bytes storedZlib(const Bytes& raw)
{
  Bytes out{0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
    const bool last = at + length == raw.size();
    out.push_back(last ? 1 : 0);
    putLittleEndian(out, static_cast<std::uint32_t>(length), 2);
    putLittleEndian(out, static_cast<std::uint32_t>(~length & 0xFFFF), 2);
    out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
               raw.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  } while (at < raw.size());
  putBigEndian32(out, adler32(raw));
  return out;
}

bool writeFile(const std::string& path, const Bytes& bytes)
{
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                             &std::fclose);
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  return written && std::fflush(file.get()) == 0;
}

std::uint8_t widen5(unsigned value)
{
  return static_cast<std::uint8_t>(value << 3 | value >> 2);
}

}  // namespace

std::vector<std::uint8_t> screenRgb(const ScreenBuffer& screen)
{
  Bytes rgb;
  if (screen.bytes.size() < static_cast<std::size_t>(screen.pitch) * screen.height) return rgb;
  rgb.reserve(static_cast<std::size_t>(screen.width) * screen.height * 3);
  for (int y = 0; y < screen.height; ++y) {
    const std::uint8_t* row = screen.bytes.data() + static_cast<std::size_t>(y) * screen.pitch;
    for (int x = 0; x < screen.width; ++x) {
      std::uint32_t colour = 0;  // 0x00RRGGBB
      switch (screen.bitsPerPixel) {
        case 8:
          colour = screen.palette[row[x]];
          break;
        case 16: {
          const unsigned p = row[2 * x] | row[2 * x + 1] << 8;
          colour = static_cast<std::uint32_t>(widen5(p >> 10 & 31)) << 16 |
                   static_cast<std::uint32_t>(widen5(p >> 5 & 31)) << 8 | widen5(p & 31);
          break;
        }
        default: {  // 24 and 32 bits: blue, green, red in the first three bytes
          const std::uint8_t* p = row + static_cast<std::size_t>(x) * (screen.bitsPerPixel / 8);
          colour = static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
          break;
        }
      }
      rgb.push_back(static_cast<std::uint8_t>(colour >> 16));
      rgb.push_back(static_cast<std::uint8_t>(colour >> 8));
      rgb.push_back(static_cast<std::uint8_t>(colour));
    }
  }
  return rgb;
}

std::uint64_t fnv1a64(const std::uint8_t* bytes, std::size_t count)
{
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (std::size_t i = 0; i < count; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001B3ull;
  }
  return hash;
}

bool writeRgbPng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb)
{
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  if (width < 1 || height < 1 || rgb.size() != rowBytes * static_cast<std::size_t>(height))
    return false;
  Bytes raw;
  raw.reserve((rowBytes + 1) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    const auto row = rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes * y);
    raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(rowBytes));
  }
  Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  putBigEndian32(header, static_cast<std::uint32_t>(width));
  putBigEndian32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits a channel, RGB, no interlace
  putChunk(png, "IHDR", header);
  putChunk(png, "IDAT", storedZlib(raw));
  putChunk(png, "IEND", {});
  return writeFile(path, png);
}

bool writeMonoWave(const std::string& path, std::uint32_t rate,
                   const std::vector<std::int16_t>& samples)
{
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  Bytes wave{'R', 'I', 'F', 'F'};
  putLittleEndian(wave, 36 + dataBytes, 4);
  wave.insert(wave.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  putLittleEndian(wave, 16, 4);
  putLittleEndian(wave, 1, 2);  // PCM
  putLittleEndian(wave, 1, 2);  // mono
  putLittleEndian(wave, rate, 4);
  putLittleEndian(wave, rate * 2, 4);
  putLittleEndian(wave, 2, 2);
  putLittleEndian(wave, 16, 2);
  wave.insert(wave.end(), {'d', 'a', 't', 'a'});
  putLittleEndian(wave, dataBytes, 4);
  for (const std::int16_t sample : samples)
    putLittleEndian(wave, static_cast<std::uint16_t>(sample), 2);
  return writeFile(path, wave);
}

}  // namespace omhost
