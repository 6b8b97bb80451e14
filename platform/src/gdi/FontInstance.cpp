#include "platform/src/gdi/FontInstance.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>

namespace omgdi {

namespace {

FT_Face asFace(void* face)
{
  return static_cast<FT_Face>(face);
}

int scaled(double units, double ppem, double em)
{
  return static_cast<int>(std::lround(units * ppem / em));
}

// Windows-1252 0x80-0x9F; undefined codes stay as they are.
constexpr std::uint16_t cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::uint32_t FontInstance::unicodeOf(unsigned char code)
{
  return code >= 0x80 && code < 0xA0 ? cp1252High[code - 0x80] : code;
}

std::unique_ptr<FontInstance> FontInstance::open(void* library, const std::string& path, long index,
                                                 const LOGFONTA& logFont,
                                                 bool emboldenSynthetically,
                                                 const std::string& familyName)
{
  FT_Face face = nullptr;
  if (FT_New_Face(static_cast<FT_Library>(library), path.c_str(), index, &face) != 0) {
    return nullptr;
  }
  std::unique_ptr<FontInstance> font(new FontInstance());
  font->face_ = face;
  font->embolden_ = emboldenSynthetically;
  font->familyName_ = familyName;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return nullptr;
  const double em = face->units_per_EM;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  const double winAscent = os2 != nullptr ? os2->usWinAscent : face->ascender;
  const double winDescent = os2 != nullptr ? os2->usWinDescent : -face->descender;
  const double cellUnits = std::max(1.0, winAscent + winDescent);
  // A negative height is the character (em) height, a positive one the cell height.
  const LONG height = logFont.lfHeight == 0 ? 16 : logFont.lfHeight;
  double ppem = height < 0 ? -static_cast<double>(height) : height * em / cellUnits;
  ppem = std::clamp(ppem, 1.0, 2048.0);
  if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(ppem * 64)), 72, 72) != 0) {
    return nullptr;
  }
  TEXTMETRICA& tm = font->metrics_;
  tm.tmAscent = scaled(winAscent, ppem, em);
  tm.tmDescent = scaled(winDescent, ppem, em);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - static_cast<LONG>(std::lround(ppem)));
  if (hhea != nullptr) {
    const double hheaHeight = hhea->Ascender - hhea->Descender;
    const double gap = hhea->Line_Gap - (cellUnits - hheaHeight);
    tm.tmExternalLeading = std::max(0, scaled(gap, ppem, em));
    tm.tmMaxCharWidth = scaled(hhea->advance_Width_Max, ppem, em);
  }
  tm.tmAveCharWidth = os2 != nullptr ? scaled(os2->xAvgCharWidth, ppem, em) : 0;
  const bool boldFace = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
  tm.tmWeight = logFont.lfWeight != 0 ? logFont.lfWeight : (boldFace ? FW_BOLD : FW_NORMAL);
  tm.tmOverhang = 0;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = logFont.lfItalic ? 1 : 0;
  tm.tmUnderlined = logFont.lfUnderline ? 1 : 0;
  tm.tmStruckOut = logFont.lfStrikeOut ? 1 : 0;
  // The fixed-pitch bit set means variable pitch, as the Windows structure has it.
  tm.tmPitchAndFamily = static_cast<BYTE>(TMPF_TRUETYPE | TMPF_VECTOR |
                                          (FT_IS_FIXED_WIDTH(face) ? 0 : TMPF_FIXED_PITCH));
  tm.tmCharSet = ANSI_CHARSET;
  if (font->embolden_) ++tm.tmAveCharWidth;
  font->underlinePosition_ = std::max(1, -scaled(face->underline_position, ppem, em));
  font->underlineThickness_ = std::max(1, scaled(face->underline_thickness, ppem, em));
  return font;
}

FontInstance::~FontInstance()
{
  if (face_ != nullptr) FT_Done_Face(asFace(face_));
}

const FontInstance::Glyph& FontInstance::glyph(unsigned char code)
{
  Glyph& glyph = glyphs_[code];
  if (glyph.loaded) return glyph;
  glyph.loaded = true;
  FT_Face face = asFace(face_);
  const FT_UInt index = FT_Get_Char_Index(face, unicodeOf(code));
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) return glyph;
  FT_GlyphSlot slot = face->glyph;
  if (embolden_ && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_Embolden(&slot->outline, 64);
  glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6) + (embolden_ ? 1 : 0);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.width = static_cast<int>(bitmap.width);
  glyph.rows = static_cast<int>(bitmap.rows);
  glyph.ink.assign(static_cast<std::size_t>(glyph.width) * glyph.rows, 0);
  for (int y = 0; y < glyph.rows; ++y) {
    const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
    for (int x = 0; x < glyph.width; ++x) {
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        glyph.ink[y * glyph.width + x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
      } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        glyph.ink[y * glyph.width + x] = row[x] >= 128 ? 1 : 0;
      }
    }
  }
  return glyph;
}

int FontInstance::textWidth(const char* text, int count)
{
  int width = 0;
  for (int i = 0; i < count; ++i)
    width += glyph(static_cast<unsigned char>(text[i])).advance;
  return width;
}

}  // namespace omgdi
