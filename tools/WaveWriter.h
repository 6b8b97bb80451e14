#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Writes 8-bit mono sound as RIFF WAVE images and as big-endian sampled-sound resources,
// and makes the test signals they carry.
namespace wavewriter {

using Bytes = std::vector<std::uint8_t>;
using Chunks = std::vector<std::pair<std::string, Bytes>>;

// A RIFF WAVE image of 8-bit unsigned mono PCM; extra chunks (id, data) go before "data".
Bytes waveImage(std::uint32_t rate, const Bytes& samples, const Chunks& extraChunks = {});
// A RIFF image with any format fields, for images the mixer must refuse.
Bytes waveImageOfFormat(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits,
                        std::uint32_t rate, const Bytes& data);
// A RIFF WAVE image of the chunks (id, data) in order; `padded` puts a pad byte after each
// odd-sized chunk, as most writers do.
Bytes riffImage(const Chunks& chunks, bool padded = true);
// The data of a "fmt " chunk.
Bytes formatChunk(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits,
                  std::uint32_t rate);
// A sampled-sound resource of format 1 or 2, with the standard or the extended header.
Bytes soundResource(int format, bool extended, std::uint32_t rate, const Bytes& samples);

Bytes silence(std::size_t count);
// A sine of the frequency at the rate; amplitude in sample steps (up to 127).
Bytes tone(std::uint32_t rate, double frequency, std::size_t count, int amplitude = 100);
// Silence with one full-scale click every `interval` samples.
Bytes clicks(std::size_t count, std::size_t interval);
// Sines of the frequencies one after another, `count` samples each, every one faded in and out
// over a few milliseconds so that neither the joins nor a loop of the whole click.
Bytes notes(std::uint32_t rate, const std::vector<double>& frequencies, std::size_t count);

// Makes samples from a description: "tone FREQ MS", "silence MS", "clicks MS INTERVAL_MS" or
// "notes MS FREQ..." (MS for each note); false with a message when it is not one.
bool describedSamples(const std::string& description, std::uint32_t rate, Bytes& samples,
                      std::string& error);

}  // namespace wavewriter
