#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "framework/OMFont.h"

class OMIStream;

// A bitmap font from an "NFNT" resource: the glyph strike, one bit a pixel, with a location
// table (bit offset of each glyph in a strike row) and an offset/width table. Big-endian data
// is turned to host order. A resource whose tables do not fit it leaves the font empty.
class OMNFNTFont : public OMFont {
 public:
  static const OMClassDescriptor classDescriptor;

  enum Field {
    fontType,
    firstChar,
    lastChar,
    widMax,
    kernMax,
    nDescent,
    fRectWidth,
    fRectHeight,
    owTLoc,
    ascentField,
    descentField,
    leadingField,
    rowWords,
    fieldCount
  };
  static constexpr std::uint16_t missingGlyph = 0xFFFF;

  // Reads only a stream that hands out its whole content.
  explicit OMNFNTFont(OMIStream* stream);
  ~OMNFNTFont() override;

  int ascent() const override { return header_[ascentField]; }
  int descent() const override { return header_[descentField]; }
  int leading() const override { return header_[leadingField]; }
  int textWidth(const char* text) const override;
  OMRect textBounds(const char* text) const override;
  const OMClassDescriptor& descriptor() const override { return classDescriptor; }

  // One glyph as it is drawn: its columns in the strike, its ink offset and its advance.
  struct Glyph {
    int strikeLeft = 0;
    int strikeWidth = 0;
    int offset = 0;
    int width = 0;
  };
  // The glyph drawn for a character; missing ones give the fallback glyph (or nothing).
  Glyph glyph(unsigned char c) const;

  bool isValid() const { return valid_; }
  std::int16_t field(Field f) const { return header_[f]; }
  int strikeHeight() const { return valid_ ? header_[fRectHeight] : 0; }
  // The device context holding the strike as a 1-bit bitmap: 1 (white) is ink.
  HDC strikeContext() const { return strikeDC_; }

 private:
  // The table index of a character, or -1 when the tables do not hold it.
  int entryOf(unsigned char c) const;
  std::uint16_t offsetWidth(int index) const;

  std::array<std::int16_t, fieldCount> header_{};
  std::vector<std::uint16_t> locationTable_;
  std::vector<std::uint8_t> offsetWidthTable_;
  HDC strikeDC_ = nullptr;
  HBITMAP strike_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
  BITMAPINFOHEADER bitmapHeader_{};
  bool valid_ = false;
};
