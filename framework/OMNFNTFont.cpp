#include "framework/OMNFNTFont.h"

#include <algorithm>
#include <cstring>

#include "framework/OMIStream.h"

const OMClassDescriptor OMNFNTFont::classDescriptor = {"OMNFNTFont"};

namespace {

constexpr int kHeaderBytes = 26;

std::uint16_t word(const std::uint8_t* p, bool swap)
{
  return swap ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[0] | p[1] << 8);
}

}  // namespace

OMNFNTFont::OMNFNTFont(OMIStream* stream) : OMFont("NFNT")
{
  if (!stream || !stream->isWhole()) return;
  stream->setPosition(0);
  const std::int32_t size = stream->load(0);
  const std::uint8_t* data = stream->data();
  if (size < kHeaderBytes || !data) return;
  // Big-endian data reads, in host order, with the top bit of its first word clear.
  const bool swap = (word(data, false) & 0x8000) == 0;
  std::array<std::int16_t, fieldCount> header{};
  for (int i = 0; i < fieldCount; ++i)
    header[std::size_t(i)] = std::int16_t(word(data + 2 * i, swap));
  const std::int64_t entries = std::uint16_t(header[lastChar] - header[firstChar]) + 3;
  const std::int64_t strikeBytes = std::int64_t(header[fRectHeight]) * header[rowWords] * 2;
  const std::int64_t owTable = 16 + 2 * std::int64_t(header[owTLoc]);
  const std::int64_t locTable = owTable - 2 * entries;
  // Every table must lie inside the resource, the location table after the strike.
  if (header[fRectHeight] < 0 || header[rowWords] < 0 || locTable < kHeaderBytes + strikeBytes ||
      owTable + 2 * entries > size)
    return;
  header_ = header;
  locationTable_.resize(std::size_t(entries));
  for (std::int64_t i = 0; i < entries; ++i)
    locationTable_[std::size_t(i)] = word(data + locTable + 2 * i, swap);
  offsetWidthTable_.assign(data + owTable, data + owTable + 2 * entries);

  const int width = header_[rowWords] * 16;
  const int height = header_[fRectHeight];
  const int stride = ((header_[rowWords] * 2) + 3) & ~3;
  bitmapHeader_.biSize = sizeof(BITMAPINFOHEADER);
  bitmapHeader_.biWidth = width;
  bitmapHeader_.biHeight = height;
  bitmapHeader_.biPlanes = 1;
  bitmapHeader_.biBitCount = 1;
  bitmapHeader_.biCompression = BI_RGB;
  bitmapHeader_.biSizeImage = DWORD(stride * height);
  bitmapHeader_.biClrUsed = 2;
  std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD));
  std::memcpy(info.data(), &bitmapHeader_, sizeof bitmapHeader_);
  RGBQUAD white{255, 255, 255, 0};
  std::memcpy(info.data() + sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD), &white, sizeof white);
  // Bottom-up rows: the first strike row is the last bitmap row.
  std::vector<std::uint8_t> bits(std::size_t(stride) * std::size_t(height), 0);
  for (int row = 0; row < height && header_[rowWords] > 0; ++row)
    std::memcpy(bits.data() + std::size_t(height - 1 - row) * std::size_t(stride),
                data + kHeaderBytes + std::size_t(row) * std::size_t(header_[rowWords]) * 2,
                std::size_t(header_[rowWords]) * 2);
  HDC screen = GetDC(nullptr);
  strikeDC_ = CreateCompatibleDC(screen);
  if (width > 0 && height > 0)
    strike_ = CreateDIBitmap(screen, &bitmapHeader_, CBM_INIT, bits.data(),
                             reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (strike_) previousBitmap_ = SelectObject(strikeDC_, strike_);
  size_ = ascent() + descent() + leading();
  style_ = 0;
  valid_ = true;
}

OMNFNTFont::~OMNFNTFont()
{
  if (strikeDC_) {
    if (previousBitmap_) SelectObject(strikeDC_, previousBitmap_);
    DeleteDC(strikeDC_);
  }
  if (strike_) DeleteObject(strike_);
}

std::uint16_t OMNFNTFont::offsetWidth(int index) const
{
  return std::uint16_t(offsetWidthTable_[std::size_t(2 * index)] << 8 |
                       offsetWidthTable_[std::size_t(2 * index + 1)]);
}

int OMNFNTFont::entryOf(unsigned char c) const
{
  // The location table needs the next entry too: the glyph ends where the next begins.
  const auto fits = [this](int index) {
    return index >= 0 && index + 1 < int(locationTable_.size()) &&
           offsetWidth(index) != missingGlyph;
  };
  if (fits(c)) return c;
  const int fallback = static_cast<unsigned char>(header_[lastChar] - 1);
  return fits(fallback) ? fallback : -1;
}

OMNFNTFont::Glyph OMNFNTFont::glyph(unsigned char c) const
{
  Glyph g;
  const int index = valid_ ? entryOf(c) : -1;
  if (index < 0) return g;
  const int left = locationTable_[std::size_t(index)];
  const int right = locationTable_[std::size_t(index) + 1];
  g.strikeLeft = left;
  g.strikeWidth = std::max(0, std::min(right, header_[rowWords] * 16) - left);
  g.offset = offsetWidthTable_[std::size_t(2 * index)];
  g.width = offsetWidthTable_[std::size_t(2 * index + 1)];
  return g;
}

int OMNFNTFont::textWidth(const char* text) const
{
  int width = 0;
  for (const char* p = text; p && *p; ++p)
    width += glyph(static_cast<unsigned char>(*p)).width;
  return width;
}

OMRect OMNFNTFont::textBounds(const char* text) const
{
  if (!text || !*text) return OMRect(0, -ascent(), 0, descent());
  const Glyph first = glyph(static_cast<unsigned char>(text[0]));
  const Glyph last = glyph(static_cast<unsigned char>(text[std::strlen(text) - 1]));
  const int kern = header_[kernMax];
  const int right = textWidth(text) + kern + last.offset + last.strikeWidth - last.width;
  return OMRect(kern + first.offset, -ascent(), right, descent());
}
