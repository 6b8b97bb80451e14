#include "tools/WaveWriter.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace wavewriter {
namespace {

void putLE(Bytes& out, std::uint32_t value, int width)
{
  for (int i = 0; i < width; ++i)
    out.push_back(std::uint8_t(value >> (8 * i)));
}

void putBE(Bytes& out, std::uint32_t value, int width)
{
  for (int i = width - 1; i >= 0; --i)
    out.push_back(std::uint8_t(value >> (8 * i)));
}

void putChunk(Bytes& out, const std::string& id, const Bytes& data, bool padded)
{
  out.insert(out.end(), id.begin(), id.end());
  putLE(out, std::uint32_t(data.size()), 4);
  out.insert(out.end(), data.begin(), data.end());
  if (padded && (data.size() & 1)) out.push_back(0);
}

Bytes riff(const Bytes& format, const Chunks& extra, const Bytes& data)
{
  Chunks chunks = {{"fmt ", format}};
  chunks.insert(chunks.end(), extra.begin(), extra.end());
  chunks.emplace_back("data", data);
  return riffImage(chunks);
}

}  // namespace

Bytes riffImage(const Chunks& chunks, bool padded)
{
  Bytes body = {'W', 'A', 'V', 'E'};
  for (const auto& [id, bytes] : chunks)
    putChunk(body, id, bytes, padded);
  Bytes out = {'R', 'I', 'F', 'F'};
  putLE(out, std::uint32_t(body.size()), 4);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes formatChunk(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits, std::uint32_t rate)
{
  Bytes f;
  const std::uint32_t align = channels * bits / 8u;
  putLE(f, tag, 2);
  putLE(f, channels, 2);
  putLE(f, rate, 4);
  putLE(f, rate * align, 4);
  putLE(f, align, 2);
  putLE(f, bits, 2);
  return f;
}

Bytes waveImage(std::uint32_t rate, const Bytes& samples, const Chunks& extraChunks)
{
  return riff(formatChunk(1, 1, 8, rate), extraChunks, samples);
}

Bytes waveImageOfFormat(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits,
                        std::uint32_t rate, const Bytes& data)
{
  return riff(formatChunk(tag, channels, bits, rate), {}, data);
}

Bytes soundResource(int format, bool extended, std::uint32_t rate, const Bytes& samples)
{
  // The sound header lies at 20 (format 1) or 14 (format 2) after the resource's own fields:
  // pointer, length, 16.16 rate, loop start and end, encoding, base note.
  Bytes out;
  putBE(out, std::uint32_t(format), 2);
  out.resize(format == 1 ? 20 : 14, 0);
  const std::uint32_t count = std::uint32_t(samples.size());
  putBE(out, 0, 4);                     // sample pointer
  putBE(out, extended ? 1 : count, 4);  // length, or channels in the extended header
  putBE(out, rate << 16, 4);            // rate, 16.16
  putBE(out, 0, 4);                     // loop start
  putBE(out, 0, 4);                     // loop end
  out.push_back(extended ? 0xFF : 0);   // encoding
  out.push_back(60);                    // base note
  if (extended) {
    putBE(out, count, 4);  // frames
    out.resize(out.size() + 38, 0);
  }
  out.insert(out.end(), samples.begin(), samples.end());
  return out;
}

Bytes silence(std::size_t count)
{
  return Bytes(count, 128);
}

Bytes tone(std::uint32_t rate, double frequency, std::size_t count, int amplitude)
{
  Bytes out(count);
  for (std::size_t i = 0; i < count; ++i)
    out[i] = std::uint8_t(
        std::lround(128 + amplitude * std::sin(2 * M_PI * frequency * double(i) / double(rate))));
  return out;
}

Bytes clicks(std::size_t count, std::size_t interval)
{
  Bytes out(count, 128);
  for (std::size_t i = 0; interval && i < count; i += interval)
    out[i] = 255;
  return out;
}

Bytes notes(std::uint32_t rate, const std::vector<double>& frequencies, std::size_t count)
{
  const std::size_t fade = std::min<std::size_t>(count / 2, rate / 200);
  Bytes out;
  out.reserve(frequencies.size() * count);
  for (const double frequency : frequencies) {
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t edge = std::min(i, count - 1 - i);
      const double gain = edge < fade ? double(edge) / double(fade) : 1.0;
      out.push_back(std::uint8_t(std::lround(
          128 + 100 * gain * std::sin(2 * M_PI * frequency * double(i) / double(rate)))));
    }
  }
  return out;
}

bool describedSamples(const std::string& description, std::uint32_t rate, Bytes& samples,
                      std::string& error)
{
  std::istringstream words(description);
  std::string kind;
  double a = 0, b = 0;
  words >> kind >> a;
  const std::size_t count = std::size_t(std::max(0.0, a) * rate / 1000);
  if (kind == "silence" && words) {
    samples = silence(count);
    return true;
  }
  words >> b;
  if (kind == "tone" && words) {
    samples = tone(rate, a, std::size_t(std::max(0.0, b) * rate / 1000));
    return true;
  }
  if (kind == "clicks" && words && b > 0) {
    samples = clicks(count, std::size_t(b * rate / 1000));
    return true;
  }
  if (kind == "notes" && words && count > 0) {
    std::vector<double> frequencies{b};
    double next = 0;
    while (words >> next)
      frequencies.push_back(next);
    if (words.eof() && std::all_of(frequencies.begin(), frequencies.end(),
                                   [rate](double f) { return f > 0 && f < rate / 2.0; })) {
      samples = notes(rate, frequencies, count);
      return true;
    }
  }
  error = "expected: tone FREQ MS, silence MS, clicks MS INTERVAL_MS or notes MS FREQ...";
  return false;
}

}  // namespace wavewriter
