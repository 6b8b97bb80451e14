#include "tools/MovieSources.h"

#include <cstring>
#include <utility>

#include "tools/PngFile.h"

namespace moviesources {

namespace {

std::uint32_t le32(const std::uint8_t* p)
{
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

void putLe(Bytes& out, std::uint32_t value, int bytes)
{
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

bool readIndexedPng(const Bytes& file, IndexedImage& image, std::string& error)
{
  pngfile::Image read;
  if (!pngfile::readPng(file, read, error)) return false;
  if (!read.indexed) {
    error = "not a palette PNG";
    return false;
  }
  image.width = read.width;
  image.height = read.height;
  image.indices = std::move(read.indices);
  image.palette = read.palette;
  return true;
}

Bytes writeIndexedPng(const IndexedImage& image)
{
  pngfile::Image out;
  out.width = image.width;
  out.height = image.height;
  out.indexed = true;
  out.indices = image.indices;
  out.palette = image.palette;
  Bytes file;
  if (!pngfile::encodeIndexedPng(out, file)) file.clear();
  return file;
}

bool readWave(const Bytes& file, Wave& wave, std::string& error)
{
  error = "not a PCM WAVE file of 8 or 16 bits, mono or stereo";
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
      std::memcmp(file.data() + 8, "WAVE", 4) != 0)
    return false;
  bool format = false, data = false;
  for (std::size_t at = 12; at + 8 <= file.size();) {
    const std::uint32_t length = le32(&file[at + 4]);
    if (length > file.size() - at - 8) return false;
    const std::uint8_t* body = &file[at + 8];
    if (std::memcmp(&file[at], "fmt ", 4) == 0 && length >= 16) {
      if ((body[0] | body[1] << 8) != 1) return false;
      wave.channels = body[2] | body[3] << 8;
      wave.rate = le32(body + 4);
      wave.bits = body[14] | body[15] << 8;
      format = true;
    } else if (std::memcmp(&file[at], "data", 4) == 0) {
      wave.samples.assign(body, body + length);
      data = true;
    }
    at += 8 + length + (length & 1);
  }
  if (!format || !data || (wave.bits != 8 && wave.bits != 16) ||
      (wave.channels != 1 && wave.channels != 2) || wave.rate == 0)
    return false;
  wave.samples.resize(wave.samples.size() / (wave.bits / 8 * wave.channels) *
                      (wave.bits / 8 * wave.channels));
  error.clear();
  return true;
}

Bytes writeWave(const Wave& wave)
{
  Bytes out{'R', 'I', 'F', 'F'};
  putLe(out, static_cast<std::uint32_t>(36 + wave.samples.size()), 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  const int align = wave.bits / 8 * wave.channels;
  putLe(out, 16, 4);
  putLe(out, 1, 2);
  putLe(out, static_cast<std::uint32_t>(wave.channels), 2);
  putLe(out, wave.rate, 4);
  putLe(out, wave.rate * static_cast<std::uint32_t>(align), 4);
  putLe(out, static_cast<std::uint32_t>(align), 2);
  putLe(out, static_cast<std::uint32_t>(wave.bits), 2);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  putLe(out, static_cast<std::uint32_t>(wave.samples.size()), 4);
  out.insert(out.end(), wave.samples.begin(), wave.samples.end());
  return out;
}

}  // namespace moviesources
