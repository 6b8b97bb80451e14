#include "tools/NFNTWriter.h"

#include <algorithm>
#include <cstring>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace nfntwriter {
namespace {

void put(Bytes& out, std::uint16_t value, bool bigEndian)
{
  if (bigEndian) {
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
  } else {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
  }
}

}  // namespace

Bytes write(const Font& font, bool bigEndian)
{
  const int firstChar = 0;
  const int lastChar = int(font.glyphs.size());
  const int entries = lastChar - firstChar + 3;
  const int height = font.ascent + font.descent;
  std::vector<std::uint16_t> location(std::size_t(entries), 0);
  int bits = 0, widest = 0;
  for (int i = 0; i < entries; ++i) {
    location[std::size_t(i)] = std::uint16_t(bits);
    if (i < lastChar && font.glyphs[std::size_t(i)].present) {
      bits += font.glyphs[std::size_t(i)].width;
      widest = std::max(widest, font.glyphs[std::size_t(i)].advance);
    }
  }
  const int rowWords = (bits + 15) / 16;
  std::vector<std::uint8_t> strike(std::size_t(height) * std::size_t(rowWords) * 2, 0);
  for (int i = 0; i < lastChar; ++i) {
    const Glyph& g = font.glyphs[std::size_t(i)];
    if (!g.present) continue;
    for (int row = 0; row < height && row < int(g.rows.size()); ++row)
      for (int col = 0; col < g.width && col < int(g.rows[std::size_t(row)].size()); ++col)
        if (g.rows[std::size_t(row)][std::size_t(col)]) {
          const int bit = location[std::size_t(i)] + col;
          strike[std::size_t(row * rowWords * 2 + bit / 8)] |= std::uint8_t(0x80 >> (bit % 8));
        }
  }
  const int owOffset = 26 + int(strike.size()) + 2 * entries;
  const std::uint16_t header[13] = {
      0x9000,
      std::uint16_t(firstChar),
      std::uint16_t(lastChar),
      std::uint16_t(widest),
      std::uint16_t(font.kernMax),
      std::uint16_t(-font.descent),
      std::uint16_t(widest),
      std::uint16_t(height),
      std::uint16_t((owOffset - 16) / 2),
      std::uint16_t(font.ascent),
      std::uint16_t(font.descent),
      std::uint16_t(font.leading),
      std::uint16_t(rowWords),
  };
  Bytes out;
  for (std::uint16_t w : header)
    put(out, w, bigEndian);
  out.insert(out.end(), strike.begin(), strike.end());
  for (std::uint16_t l : location)
    put(out, l, bigEndian);
  // The offset/width table is pairs of bytes in either order of the rest.
  for (int i = 0; i < entries; ++i) {
    const Glyph* g = i < lastChar ? &font.glyphs[std::size_t(i)] : nullptr;
    if (g && g->present) {
      out.push_back(std::uint8_t(g->offset));
      out.push_back(std::uint8_t(g->advance));
    } else {
      out.push_back(0xFF);
      out.push_back(0xFF);
    }
  }
  return out;
}

Font pixelFont()
{
  // Five rows of three columns each, the top bit the leftmost column.
  struct Shape {
    char c;
    std::uint8_t rows[5];
  };
  static const Shape shapes[] = {
      {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}},
      {'3', {7, 1, 3, 1, 7}}, {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}},
      {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 2, 2, 2}}, {'8', {7, 5, 7, 5, 7}},
      {'9', {7, 5, 7, 1, 7}}, {'A', {2, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}},
      {'C', {3, 4, 4, 4, 3}}, {'D', {6, 5, 5, 5, 6}}, {'E', {7, 4, 6, 4, 7}},
      {'F', {7, 4, 6, 4, 4}}, {'G', {3, 4, 5, 5, 3}}, {'H', {5, 5, 7, 5, 5}},
      {'I', {7, 2, 2, 2, 7}}, {'J', {1, 1, 1, 5, 2}}, {'K', {5, 5, 6, 5, 5}},
      {'L', {4, 4, 4, 4, 7}}, {'M', {5, 7, 7, 5, 5}}, {'N', {6, 5, 5, 5, 5}},
      {'O', {2, 5, 5, 5, 2}}, {'P', {6, 5, 6, 4, 4}}, {'Q', {2, 5, 5, 6, 3}},
      {'R', {6, 5, 6, 5, 5}}, {'S', {3, 4, 2, 1, 6}}, {'T', {7, 2, 2, 2, 2}},
      {'U', {5, 5, 5, 5, 7}}, {'V', {5, 5, 5, 5, 2}}, {'W', {5, 5, 7, 7, 5}},
      {'X', {5, 5, 2, 5, 5}}, {'Y', {5, 5, 2, 2, 2}}, {'Z', {7, 1, 2, 4, 7}},
      {'.', {0, 0, 0, 0, 2}}, {',', {0, 0, 0, 2, 4}}, {'!', {2, 2, 2, 0, 2}},
      {'?', {6, 1, 2, 0, 2}}, {'-', {0, 0, 7, 0, 0}}, {':', {0, 2, 0, 2, 0}},
      {127, {7, 7, 7, 7, 7}},
  };
  Font font;
  font.ascent = 5;
  font.descent = 1;
  font.leading = 1;
  for (const Shape& s : shapes) {
    Glyph& g = font.glyphs[std::size_t(s.c)];
    g.present = true;
    g.width = 3;
    g.advance = 4;
    g.rows.assign(6, std::vector<bool>(3, false));
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 3; ++c)
        g.rows[std::size_t(r)][std::size_t(c)] = (s.rows[r] >> (2 - c)) & 1;
  }
  // The stand-in glyph is a box as wide as a capital; a space has no ink.
  font.glyphs[' '].present = true;
  font.glyphs[' '].advance = 3;
  font.glyphs[' '].rows.assign(6, {});
  return font;
}

Font scaledFont(const Font& font, int factor)
{
  factor = std::clamp(factor, 1, 8);
  Font out = font;
  out.ascent *= factor;
  out.descent *= factor;
  out.leading *= factor;
  out.kernMax *= factor;
  for (Glyph& g : out.glyphs) {
    if (!g.present) continue;
    g.offset *= factor;
    g.advance *= factor;
    g.width *= factor;
    std::vector<std::vector<bool>> rows;
    for (const std::vector<bool>& row : g.rows) {
      std::vector<bool> wide;
      for (const bool pixel : row)
        wide.insert(wide.end(), std::size_t(factor), pixel);
      rows.insert(rows.end(), std::size_t(factor), wide);
    }
    g.rows = std::move(rows);
  }
  return out;
}

Font caselessFont(Font font)
{
  for (char c = 'a'; c <= 'z'; ++c) {
    Glyph& small = font.glyphs[std::size_t(c)];
    const Glyph& capital = font.glyphs[std::size_t(c - 'a' + 'A')];
    if (!small.present && capital.present) small = capital;
  }
  return font;
}

bool trueTypeFont(const std::string& fontPath, int pixelHeight, Font& font, std::string& error)
{
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    error = "FreeType did not start";
    return false;
  }
  if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0 ||
      FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelHeight)) != 0) {
    error = fontPath + ": not a font FreeType can read";
    if (face) FT_Done_Face(face);
    FT_Done_FreeType(library);
    return false;
  }
  font = Font();
  font.ascent = int(face->size->metrics.ascender >> 6);
  font.descent = int(-face->size->metrics.descender >> 6);
  font.leading = std::max(0, int(face->size->metrics.height >> 6) - font.ascent - font.descent);
  struct Rendered {
    int left, top, advance;
    int width, rows, pitch;
    std::vector<std::uint8_t> bits;
  };
  std::vector<Rendered> rendered(128);
  std::vector<bool> have(128, false);
  int kern = 0;
  for (int c = 32; c < 128; ++c) {
    // 127 has no glyph of its own: it stands in for missing characters with the face's own.
    const FT_ULong code = c == 127 ? 0 : FT_ULong(c);
    const FT_UInt index = code ? FT_Get_Char_Index(face, code) : 0;
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) continue;
    const FT_GlyphSlot slot = face->glyph;
    Rendered& r = rendered[std::size_t(c)];
    r.left = slot->bitmap_left;
    r.top = slot->bitmap_top;
    r.advance = int(slot->advance.x >> 6);
    r.width = int(slot->bitmap.width);
    r.rows = int(slot->bitmap.rows);
    r.pitch = slot->bitmap.pitch;
    r.bits.assign(slot->bitmap.buffer, slot->bitmap.buffer + std::abs(r.pitch) * r.rows);
    have[std::size_t(c)] = true;
    kern = std::min(kern, r.left);
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  font.kernMax = kern;
  const int height = font.ascent + font.descent;
  for (int c = 32; c < 128; ++c) {
    if (!have[std::size_t(c)]) continue;
    const Rendered& r = rendered[std::size_t(c)];
    Glyph& g = font.glyphs[std::size_t(c)];
    g.present = true;
    g.offset = r.left - kern;
    g.advance = r.advance;
    g.width = r.width;
    g.rows.assign(std::size_t(height), std::vector<bool>(std::size_t(r.width), false));
    for (int y = 0; y < r.rows; ++y) {
      const int row = font.ascent - r.top + y;
      if (row < 0 || row >= height) continue;
      for (int x = 0; x < r.width; ++x)
        g.rows[std::size_t(row)][std::size_t(x)] =
            (r.bits[std::size_t(y * std::abs(r.pitch) + x / 8)] >> (7 - x % 8)) & 1;
    }
  }
  return true;
}

}  // namespace nfntwriter
