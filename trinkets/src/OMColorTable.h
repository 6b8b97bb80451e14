#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/OMRGBColor.h"

class OMCanvas;
class OMIStream;
class OMResHandle;

// Colour tables ("RRGB"): 256 entries of three little-endian 16-bit values, red, green, blue.
// Two writers put them down: one writes 16-bit channels (our packer writes c as c << 8 | c),
// the other 8-bit values 0 to 255. A table whose 768 values are all 0 to 255 is the second
// kind and each value is widened by a left shift of 8; any other table's channels are kept as
// they are, which is how OMRGBColor holds colours.
constexpr int colorTableEntries = 256;
constexpr int colorTableBytes = colorTableEntries * 6;

// Reads the table and deletes the stream; false (the colours left black) when the stream is
// shorter than a table.
bool loadColorTable(OMIStream* stream, OMRGBColor* colors);
// The same from a resource: locked for the read, then unlocked and deleted.
bool loadColorTable(OMResHandle* handle, OMRGBColor* colors);
bool parseColorTable(const std::uint8_t* bytes, std::size_t size, OMRGBColor* colors);

// The pixel values of the colours in a canvas's pixel format: each channel's top bits, as
// many as the canvas gives it, placed at its shift. All zero for a canvas without a format.
void makePixelTable(const OMRGBColor* colors, const OMCanvas& canvas, std::uint32_t* table);
