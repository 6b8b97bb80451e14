#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes "NFNT" bitmap-font resources: a glyph strike one bit a pixel, the location table and
// the offset/width table, big-endian or with the header and location table byte-swapped.
namespace nfntwriter {

using Bytes = std::vector<std::uint8_t>;

struct Glyph {
  bool present = false;
  int offset = 0;  // ink left of the pen, after the font's kernMax
  int advance = 0;
  int width = 0;                        // columns of the image
  std::vector<std::vector<bool>> rows;  // ascent + descent rows of `width` pixels
};

struct Font {
  int ascent = 0;
  int descent = 0;
  int leading = 0;
  int kernMax = 0;
  // Characters 0 to 127; the glyph at 127 stands in for missing characters.
  std::vector<Glyph> glyphs = std::vector<Glyph>(128);
};

Bytes write(const Font& font, bool bigEndian = true);

// A small built-in pixel font: capitals, digits and some punctuation, 3 by 5 pixels.
Font pixelFont();
// The font with every pixel, width, advance and metric multiplied by factor (1 to 8).
Font scaledFont(const Font& font, int factor);
// The font with each lowercase letter that has no glyph drawn as its capital.
Font caselessFont(Font font);
// Renders a TrueType face at a pixel height with FreeType, characters 32 to 126; false with a
// message when the face cannot be read.
bool trueTypeFont(const std::string& fontPath, int pixelHeight, Font& font, std::string& error);

}  // namespace nfntwriter
