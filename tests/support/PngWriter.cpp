#include "tests/support/PngWriter.h"

#include <array>
#include <fstream>
#include <iterator>

#include "tools/MovieSources.h"

namespace omtest {

namespace {

void putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value)
{
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putChunk(std::vector<std::uint8_t>& out, const char* type,
              const std::vector<std::uint8_t>& data)
{
  putBigEndian(out, static_cast<std::uint32_t>(data.size()));
  std::vector<std::uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  putBigEndian(out, moviesources::crc32(body.data(), body.size()));
}

}  // namespace

bool writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb)
{
  if (width <= 0 || height <= 0 || rgb.size() < static_cast<std::size_t>(width) * height * 3) {
    return false;
  }
  std::vector<std::uint8_t> raw;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), rgb.begin() + y * rowBytes, rgb.begin() + (y + 1) * rowBytes);
  }
  std::vector<std::uint8_t> zlib{0x78, 0x01};
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  for (std::size_t offset = 0; offset < raw.size() || offset == 0;) {
    const std::size_t size = std::min<std::size_t>(65535, raw.size() - offset);
    const bool last = offset + size >= raw.size();
    zlib.push_back(last ? 1 : 0);
    zlib.push_back(static_cast<std::uint8_t>(size));
    zlib.push_back(static_cast<std::uint8_t>(size >> 8));
    zlib.push_back(static_cast<std::uint8_t>(~size));
    zlib.push_back(static_cast<std::uint8_t>(~size >> 8));
    zlib.insert(zlib.end(), raw.begin() + offset, raw.begin() + offset + size);
    offset += size;
    if (last) break;
  }
  putBigEndian(zlib, (b << 16) | a);
  std::vector<std::uint8_t> header;
  putBigEndian(header, static_cast<std::uint32_t>(width));
  putBigEndian(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  std::vector<std::uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  putChunk(file, "IHDR", header);
  putChunk(file, "IDAT", zlib);
  putChunk(file, "IEND", {});
  std::ofstream stream(path, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(stream);
}

bool readPng(const std::string& path, int& width, int& height, std::vector<std::uint8_t>& rgb)
{
  std::ifstream stream(path, std::ios::binary);
  const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(stream)),
                                       std::istreambuf_iterator<char>());
  auto big = [&](std::size_t at) {
    return std::uint32_t(file[at]) << 24 | std::uint32_t(file[at + 1]) << 16 |
           std::uint32_t(file[at + 2]) << 8 | file[at + 3];
  };
  std::vector<std::uint8_t> zlib;
  width = height = 0;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::uint32_t length = big(at);
    if (at + 12 + length > file.size()) return false;
    const std::string type(file.begin() + std::ptrdiff_t(at + 4),
                           file.begin() + std::ptrdiff_t(at + 8));
    if (type == "IHDR" && length >= 13) {
      width = int(big(at + 8));
      height = int(big(at + 12));
      if (file[at + 16] != 8 || file[at + 17] != 2) return false;
    } else if (type == "IDAT") {
      zlib.insert(zlib.end(), file.begin() + std::ptrdiff_t(at + 8),
                  file.begin() + std::ptrdiff_t(at + 8 + length));
    }
    at += 12 + length;
  }
  std::vector<std::uint8_t> raw;
  for (std::size_t at = 2; at + 5 <= zlib.size();) {
    const bool last = zlib[at] & 1;
    if ((zlib[at] >> 1) & 3) return false;  // only stored blocks
    const std::size_t size = zlib[at + 1] | std::size_t(zlib[at + 2]) << 8;
    if (at + 5 + size > zlib.size()) return false;
    raw.insert(raw.end(), zlib.begin() + std::ptrdiff_t(at + 5),
               zlib.begin() + std::ptrdiff_t(at + 5 + size));
    at += 5 + size;
    if (last) break;
  }
  const std::size_t rowBytes = std::size_t(width) * 3;
  if (width <= 0 || height <= 0 || raw.size() < (rowBytes + 1) * std::size_t(height)) return false;
  rgb.clear();
  for (int y = 0; y < height; ++y) {
    const std::size_t row = std::size_t(y) * (rowBytes + 1);
    if (raw[row] != 0) return false;
    rgb.insert(rgb.end(), raw.begin() + std::ptrdiff_t(row + 1),
               raw.begin() + std::ptrdiff_t(row + 1 + rowBytes));
  }
  return true;
}

}  // namespace omtest
