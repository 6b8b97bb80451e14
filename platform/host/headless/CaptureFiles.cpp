#include "platform/host/headless/CaptureFiles.h"

#include <cstdio>
#include <memory>

#include <png.h>

namespace omhost {
namespace {

using Bytes = std::vector<std::uint8_t>;

void putLittleEndian(Bytes& out, std::uint32_t value, int bytes)
{
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
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
  // Written in place, a loop per depth: every snapshot of every start runs this.
  rgb.resize(static_cast<std::size_t>(screen.width) * screen.height * 3);
  std::uint8_t* out = rgb.data();
  const auto put = [&out](std::uint32_t colour) {  // 0x00RRGGBB
    out[0] = static_cast<std::uint8_t>(colour >> 16);
    out[1] = static_cast<std::uint8_t>(colour >> 8);
    out[2] = static_cast<std::uint8_t>(colour);
    out += 3;
  };
  const int bytesPerPixel = screen.bitsPerPixel / 8;
  for (int y = 0; y < screen.height; ++y) {
    const std::uint8_t* row = screen.bytes.data() + static_cast<std::size_t>(y) * screen.pitch;
    switch (screen.bitsPerPixel) {
      case 8:
        for (int x = 0; x < screen.width; ++x)
          put(screen.palette[row[x]]);
        break;
      case 16:
        for (int x = 0; x < screen.width; ++x) {
          const unsigned p = row[2 * x] | row[2 * x + 1] << 8;
          put(static_cast<std::uint32_t>(widen5(p >> 10 & 31)) << 16 |
              static_cast<std::uint32_t>(widen5(p >> 5 & 31)) << 8 | widen5(p & 31));
        }
        break;
      default:  // 24 and 32 bits: blue, green, red in the first three bytes
        for (int x = 0; x < screen.width; ++x) {
          const std::uint8_t* p = row + static_cast<std::size_t>(x) * bytesPerPixel;
          put(static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0]);
        }
        break;
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

bool writeRgbPng(const std::string& path, int width, int height,
                 const std::vector<std::uint8_t>& rgb)
{
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  if (width < 1 || height < 1 || rgb.size() != rowBytes * static_cast<std::size_t>(height))
    return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  const bool written =
      png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return written;
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
