#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/Host.h"

// What the headless host keeps of a run for later inspection: pictures of the virtual screen
// and the sound that the audio sink consumed.
namespace omhost {

// The screen as 8-bit red, green and blue, 3 bytes a pixel, rows top first.
std::vector<std::uint8_t> screenRgb(const ScreenBuffer& screen);
// The 64-bit FNV-1a hash of the bytes.
std::uint64_t fnv1a64(const std::uint8_t* bytes, std::size_t count);
// Writes an RGB picture as a PNG file through libpng. False when the file cannot be written.
bool writeRgbPng(const std::string& path, int width, int height,
                 const std::vector<std::uint8_t>& rgb);
// Writes 16-bit mono samples as a RIFF WAVE file. False when the file cannot be written.
bool writeMonoWave(const std::string& path, std::uint32_t rate,
                   const std::vector<std::int16_t>& samples);

}  // namespace omhost
