#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <random>
#include <set>

#include "tests/platform/GdiTestCanvas.h"

// Random BitBlts between every depth, with offsets partly outside both bitmaps, clip
// rectangles and copies onto the same bitmap, each checked against a naive per-pixel model
// that reads and writes the bytes itself.
namespace {

using omtest::GdiTestCanvas;

struct Image {
  std::unique_ptr<GdiTestCanvas> canvas;  // a DIB section
  HDC ddbDC = nullptr;                    // or a monochrome bitmap made by CreateBitmap
  HBITMAP ddb = nullptr;
  HGDIOBJ ddbOld = nullptr;
  std::vector<std::uint8_t> ddbBits;
  int width = 0;
  int height = 0;
  int bpp = 0;
  std::vector<RGBQUAD> table;

  ~Image()
  {
    if (ddbDC != nullptr) {
      SelectObject(ddbDC, ddbOld);
      DeleteObject(ddb);
      DeleteDC(ddbDC);
    }
  }
  bool monochrome() const { return ddbDC != nullptr; }
  HDC dc() const { return monochrome() ? ddbDC : canvas->dc(); }
  int ddbStride() const { return ((width + 15) / 16) * 2; }

  std::uint32_t raw(int x, int y) const
  {
    if (monochrome()) return (ddbBits[y * ddbStride() + x / 8] >> (7 - x % 8)) & 1;
    const std::uint8_t* p = canvas->row(y);
    switch (bpp) {
      case 1:
        return (p[x / 8] >> (7 - x % 8)) & 1;
      case 8:
        return p[x];
      case 16:
        return p[2 * x] | (p[2 * x + 1] << 8);
      case 24:
        return p[3 * x] | (p[3 * x + 1] << 8) | (p[3 * x + 2] << 16);
      default:
        return p[4 * x] | (p[4 * x + 1] << 8) | (p[4 * x + 2] << 16) |
               (static_cast<std::uint32_t>(p[4 * x + 3]) << 24);
    }
  }

  COLORREF color(std::uint32_t value) const
  {
    if (monochrome()) return value ? RGB(255, 255, 255) : RGB(0, 0, 0);
    switch (bpp) {
      case 1:
      case 8:
        return RGB(table[value].rgbRed, table[value].rgbGreen, table[value].rgbBlue);
      case 16: {
        auto widen = [](std::uint32_t v) { return (v << 3) | (v >> 2); };
        return RGB(widen((value >> 10) & 31), widen((value >> 5) & 31), widen(value & 31));
      }
      default:
        return RGB((value >> 16) & 255, (value >> 8) & 255, value & 255);
    }
  }

  std::uint32_t rawFor(COLORREF c) const
  {
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    switch (bpp) {
      case 16:
        return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
      case 24:
      case 32:
        return (r << 16) | (g << 8) | b;
      default: {
        std::uint32_t best = 0;
        int bestDistance = 1 << 30;
        for (std::uint32_t i = 0; i < table.size(); ++i) {
          const int dr = r - table[i].rgbRed, dg = g - table[i].rgbGreen, db = b - table[i].rgbBlue;
          const int distance = dr * dr + dg * dg + db * db;
          if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
          }
        }
        return best;
      }
    }
  }

  std::uint32_t mask() const
  {
    switch (bpp) {
      case 1:
        return 1;
      case 8:
        return 0xFF;
      case 16:
        return 0x7FFF;
      case 24:
        return 0xFFFFFF;
      default:
        return 0xFFFFFFFF;
    }
  }
};

std::unique_ptr<Image> randomImage(std::mt19937& rng, bool allowMonochrome)
{
  static const int depths[] = {1, 8, 16, 24, 32};
  auto image = std::make_unique<Image>();
  image->width = 1 + static_cast<int>(rng() % 24);
  image->height = 1 + static_cast<int>(rng() % 24);
  if (allowMonochrome && rng() % 6 == 0) {
    image->bpp = 1;
    image->ddbBits.resize(static_cast<std::size_t>(image->ddbStride()) * image->height);
    for (auto& byte : image->ddbBits)
      byte = static_cast<std::uint8_t>(rng());
    image->ddbDC = CreateCompatibleDC(nullptr);
    image->ddb = CreateBitmap(image->width, image->height, 1, 1, image->ddbBits.data());
    image->ddbOld = SelectObject(image->ddbDC, image->ddb);
    SetBkColor(image->ddbDC, RGB(rng() % 2 ? 255 : 0, rng() % 2 ? 255 : 0, rng() % 2 ? 255 : 0));
    return image;
  }
  image->bpp = depths[rng() % 5];
  if (image->bpp <= 8) {
    image->table.resize(std::size_t{1} << image->bpp);
    for (auto& entry : image->table) {
      // Few distinct levels, so that nearest-colour ties and exact matches both happen.
      entry = RGBQUAD{static_cast<BYTE>(rng() % 4 * 85), static_cast<BYTE>(rng() % 4 * 85),
                      static_cast<BYTE>(rng() % 4 * 85), 0};
    }
  }
  image->canvas = std::make_unique<GdiTestCanvas>(image->width, image->height, image->bpp,
                                                  rng() % 2 == 0, image->table);
  const std::size_t bytes = static_cast<std::size_t>(image->canvas->stride()) * image->height;
  for (std::size_t i = 0; i < bytes; ++i)
    image->canvas->bits()[i] = static_cast<std::uint8_t>(rng());
  if (image->bpp == 16) {
    // The top bit of a 5-5-5 pixel is not part of the colour.
    for (int y = 0; y < image->height; ++y) {
      for (int x = 0; x < image->width; ++x)
        image->canvas->row(y)[2 * x + 1] &= 0x7F;
    }
  }
  return image;
}

std::uint32_t combine(DWORD rop, std::uint32_t s, std::uint32_t d, std::uint32_t p,
                      std::uint32_t mask)
{
  switch (rop) {
    case SRCCOPY:
      return s & mask;
    case SRCINVERT:
      return (s ^ d) & mask;
    case SRCAND:
      return s & d & mask;
    case SRCPAINT:
      return (s | d) & mask;
    case PATCOPY:
      return p & mask;
    case BLACKNESS:
      return 0;
    default:
      return mask;
  }
}

}  // namespace

TEST(GdiBlitRandomTest, TenThousandBlitsMatchThePerPixelModel)
{
  static const DWORD rops[] = {SRCCOPY, SRCINVERT, SRCAND, SRCPAINT, PATCOPY, BLACKNESS, WHITENESS};
  std::mt19937 rng(20261208);
  int checkedPixels = 0;
  std::set<int> combinations;
  for (int round = 0; round < 10000; ++round) {
    std::unique_ptr<Image> target = randomImage(rng, false);
    std::unique_ptr<Image> ownSource;
    const bool sameBitmap = rng() % 10 == 0;
    if (!sameBitmap) ownSource = randomImage(rng, true);
    const Image& source = sameBitmap ? *target : *ownSource;
    const DWORD& rop = rops[rng() % 7];
    const COLORREF text = RGB(rng() % 256, rng() % 256, rng() % 256);
    const COLORREF bk = RGB(rng() % 256, rng() % 256, rng() % 256);
    const COLORREF brushColor = RGB(rng() % 256, rng() % 256, rng() % 256);
    SetTextColor(target->dc(), text);
    SetBkColor(target->dc(), bk);
    HBRUSH brush = CreateSolidBrush(brushColor);
    HGDIOBJ oldBrush = SelectObject(target->dc(), brush);
    // No clip, a rectangle, an ellipse or two rectangles together.
    HRGN clip = nullptr;
    const int clipKind = static_cast<int>(rng() % 4);
    auto coordinate = [&](int range) { return static_cast<int>(rng() % range) - 4; };
    if (clipKind == 1) {
      clip = CreateRectRgn(coordinate(20), coordinate(20), coordinate(34), coordinate(34));
    } else if (clipKind == 2) {
      clip = CreateEllipticRgn(coordinate(20), coordinate(20), coordinate(34), coordinate(34));
    } else if (clipKind == 3) {
      clip = CreateRectRgn(coordinate(20), coordinate(20), coordinate(34), coordinate(34));
      HRGN other = CreateRectRgn(coordinate(20), coordinate(20), coordinate(34), coordinate(34));
      CombineRgn(clip, clip, other, RGN_OR);
      DeleteObject(other);
    }
    if (clip != nullptr) SelectClipRgn(target->dc(), clip);
    const int w = static_cast<int>(rng() % 30), h = static_cast<int>(rng() % 30);
    const int x = static_cast<int>(rng() % 36) - 8, y = static_cast<int>(rng() % 36) - 8;
    const int sx = static_cast<int>(rng() % 36) - 8, sy = static_cast<int>(rng() % 36) - 8;

    // The model: the picture before, and what every pixel becomes.
    std::vector<std::uint32_t> before(static_cast<std::size_t>(target->width) * target->height);
    std::vector<std::uint32_t> sourceBefore(static_cast<std::size_t>(source.width) * source.height);
    for (int py = 0; py < target->height; ++py) {
      for (int px = 0; px < target->width; ++px)
        before[py * target->width + px] = target->raw(px, py);
    }
    for (int py = 0; py < source.height; ++py) {
      for (int px = 0; px < source.width; ++px)
        sourceBefore[py * source.width + px] = source.raw(px, py);
    }
    std::vector<std::uint32_t> expected = before;
    const bool usesSource = rop == SRCCOPY || rop == SRCINVERT || rop == SRCAND || rop == SRCPAINT;
    for (int dy = 0; dy < h; ++dy) {
      for (int dx = 0; dx < w; ++dx) {
        const int tx = x + dx, ty = y + dy, ux = sx + dx, uy = sy + dy;
        if (tx < 0 || ty < 0 || tx >= target->width || ty >= target->height) continue;
        if (clip != nullptr && !PtInRegion(clip, tx, ty)) continue;
        std::uint32_t s = 0;
        if (usesSource) {
          if (ux < 0 || uy < 0 || ux >= source.width || uy >= source.height) continue;
          const std::uint32_t value = sourceBefore[uy * source.width + ux];
          if (source.bpp == target->bpp) {
            s = value;
          } else if (source.monochrome()) {
            s = target->rawFor(value == 0 ? text : bk);
          } else {
            s = target->rawFor(source.color(value));
          }
        }
        std::uint32_t& d = expected[ty * target->width + tx];
        d = combine(rop, s, d, target->rawFor(brushColor), target->mask());
        ++checkedPixels;
      }
    }
    ASSERT_TRUE(BitBlt(target->dc(), x, y, w, h, usesSource ? source.dc() : nullptr, sx, sy, rop));
    SelectObject(target->dc(), oldBrush);
    DeleteObject(brush);
    if (clip != nullptr) DeleteObject(clip);
    combinations.insert((source.monochrome() ? 0 : source.bpp) * 10000 + target->bpp * 100 +
                        static_cast<int>(&rop - &rops[0]));
    for (int py = 0; py < target->height; ++py) {
      for (int px = 0; px < target->width; ++px) {
        ASSERT_EQ(target->raw(px, py), expected[py * target->width + px])
            << "round " << round << " pixel (" << px << ", " << py << ") rop 0x" << std::hex << rop
            << std::dec << " depth " << source.bpp << (source.monochrome() ? " mono" : "") << " to "
            << target->bpp << " blit " << w << "x" << h << " at " << x << "," << y << " from " << sx
            << "," << sy;
      }
    }
  }
  EXPECT_GT(checkedPixels, 30000);
  // Every operation from every kind of source to every depth.
  EXPECT_EQ(combinations.size(), 6u * 5u * 7u);
}

// Raster operations nobody uses are refused, and a copy that needs a source fails without one.
TEST(GdiBlitRandomTest, RefusesUnknownOperationsAndMissingSources)
{
  GdiTestCanvas canvas(4, 4, 16);
  EXPECT_FALSE(BitBlt(canvas.dc(), 0, 0, 4, 4, canvas.dc(), 0, 0, 0x00330008));  // NOTSRCCOPY
  EXPECT_FALSE(BitBlt(canvas.dc(), 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(canvas.dc(), 0, 0, 4, 4, nullptr, 0, 0, WHITENESS));
  EXPECT_EQ(GetPixel(canvas.dc(), 3, 3), RGB(255, 255, 255));
}

// Large copies to 16 bits, where whole blocks of rows move at once and indices convert
// through the source's table: every size, row order and clip against the per-pixel model, and
// a change of the source's colours between two copies.
TEST(GdiBlitRandomTest, BlockCopiesAndTableConversionsMatchThePerPixelModel)
{
  std::mt19937 rng(20261209);
  auto image = [&](int width, int height, int bpp) {
    auto made = std::make_unique<Image>();
    made->width = width;
    made->height = height;
    made->bpp = bpp;
    if (bpp == 8) {
      made->table.resize(256);
      for (auto& entry : made->table)
        entry = RGBQUAD{static_cast<BYTE>(rng()), static_cast<BYTE>(rng()),
                        static_cast<BYTE>(rng()), 0};
    }
    made->canvas = std::make_unique<GdiTestCanvas>(width, height, bpp, rng() % 2 == 0, made->table);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width * bpp / 8; ++x)
        made->canvas->row(y)[x] =
            static_cast<std::uint8_t>(rng() & (bpp == 16 && x % 2 ? 0x7F : 0xFF));
    }
    return made;
  };
  static const int widths[] = {1, 2, 3, 4, 8, 17, 32, 64, 100};
  for (int round = 0; round < 400; ++round) {
    const int width = widths[rng() % 9], height = 1 + static_cast<int>(rng() % 40);
    std::unique_ptr<Image> target = image(width, height, 16);
    std::unique_ptr<Image> source =
        image(width + (rng() % 3 == 0 ? 4 : 0), height, rng() % 2 ? 8 : 16);
    const bool whole = rng() % 2 == 0;
    const int x = whole ? 0 : static_cast<int>(rng() % 9) - 4;
    const int y = whole ? 0 : static_cast<int>(rng() % 9) - 4;
    const int sx = whole ? 0 : static_cast<int>(rng() % 9) - 4;
    const int sy = whole ? 0 : static_cast<int>(rng() % 9) - 4;
    RECT clip{0, 0, width, height};
    if (rng() % 3 == 0) {
      clip = RECT{static_cast<int>(rng() % 8), static_cast<int>(rng() % 8),
                  static_cast<int>(rng() % 110), static_cast<int>(rng() % 45)};
      IntersectClipRect(target->dc(), clip.left, clip.top, clip.right, clip.bottom);
    }
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1 && source->bpp == 8) {
        // New colours for part of the table: the next copy must use them.
        for (int i = 0; i < 256; i += 1 + static_cast<int>(rng() % 3))
          source->table[i] = RGBQUAD{static_cast<BYTE>(rng()), static_cast<BYTE>(rng()),
                                     static_cast<BYTE>(rng()), 0};
        SetDIBColorTable(source->dc(), 0, 256, source->table.data());
      }
      std::vector<std::uint32_t> expected(static_cast<std::size_t>(width) * height);
      for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
          std::uint32_t& pixel = expected[py * width + px];
          pixel = target->raw(px, py);
          const int ux = px - x + sx, uy = py - y + sy;
          if (px < x || py < y || px >= x + width || py >= y + height) continue;
          if (px < clip.left || py < clip.top || px >= clip.right || py >= clip.bottom) continue;
          if (ux < 0 || uy < 0 || ux >= source->width || uy >= source->height) continue;
          const std::uint32_t value = source->raw(ux, uy);
          pixel = source->bpp == 16 ? value : target->rawFor(source->color(value));
        }
      }
      ASSERT_TRUE(BitBlt(target->dc(), x, y, width, height, source->dc(), sx, sy, SRCCOPY));
      for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
          ASSERT_EQ(target->raw(px, py), expected[py * width + px])
              << "round " << round << " pass " << pass << " pixel (" << px << ", " << py
              << ") from depth " << source->bpp << ", " << width << "x" << height;
        }
      }
    }
  }
}
