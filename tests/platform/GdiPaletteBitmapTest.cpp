#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/host/headless/HeadlessHost.h"
#include "platform/src/gdi/Screen.h"
#include "tests/platform/GdiTestCanvas.h"
#include "tests/support/TempFolder.h"

// Palettes and colour references, the 8-bit system palette, and the bitmap calls the canvases
// and bitmap fonts use: colour tables, masks, monochrome strikes and DIB bits.
namespace {

using omtest::expectPicture;
using omtest::GdiTestCanvas;
using omtest::pictureOf;

// A 256-entry palette as the canvases make it: 20 static colours, 10-245 black and reserved.
HPALETTE canvasPalette()
{
  std::vector<std::uint8_t> storage(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 256;
  PALETTEENTRY statics[20];
  HDC screen = GetDC(nullptr);
  const UINT got = GetSystemPaletteEntries(screen, 0, 10, statics) +
                   GetSystemPaletteEntries(screen, 246, 10, statics + 10);
  ReleaseDC(nullptr, screen);
  if (got == 0) {
    // Not a palette screen: the standard values of the same colours.
    for (int i = 0; i < 20; ++i) {
      const COLORREF c = omgdi::Screen::staticColor(i);
      statics[i] = PALETTEENTRY{GetRValue(c), GetGValue(c), GetBValue(c), 0};
    }
  }
  for (int i = 0; i < 256; ++i) {
    PALETTEENTRY& e = logical->palPalEntry[i];
    if (i < 10 || i >= 246) {
      e = statics[i < 10 ? i : i - 236];
      e.peFlags = 0;
    } else {
      e = PALETTEENTRY{0, 0, 0, PC_RESERVED};
    }
  }
  return CreatePalette(logical);
}

std::vector<RGBQUAD> grayTable()
{
  std::vector<RGBQUAD> table(256);
  for (int i = 0; i < 256; ++i) {
    table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  }
  return table;
}

class ScreenDepth {
 public:
  explicit ScreenDepth(int depth) { omgdi::Screen::instance().configure(64, 48, depth); }
  ~ScreenDepth() { omgdi::Screen::instance().configure(640, 480, 16); }
};

}  // namespace

// The screen these tests reach is the headless host's, never a real window.
class GdiPaletteTest : public ::testing::Test {
 protected:
  void SetUp() override { omhost::startHeadlessSession(); }
};

// The screen these tests reach is the headless host's, never a real window.
class GdiBitmapTest : public ::testing::Test {
 protected:
  void SetUp() override { omhost::startHeadlessSession(); }
};

TEST_F(GdiPaletteTest, RealizingOnAnEightBitScreenFillsTheSystemPalette)
{
  ScreenDepth depth(8);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 8);
  EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, RC_PALETTE);
  EXPECT_EQ(GetDeviceCaps(screen, NUMRESERVED), 20);
  PALETTEENTRY first{}, last{};
  GetSystemPaletteEntries(screen, 0, 1, &first);
  GetSystemPaletteEntries(screen, 255, 1, &last);
  EXPECT_EQ(RGB(first.peRed, first.peGreen, first.peBlue), RGB(0, 0, 0));
  EXPECT_EQ(RGB(last.peRed, last.peGreen, last.peBlue), RGB(255, 255, 255));

  HPALETTE palette = canvasPalette();
  PALETTEENTRY ramp[236];
  for (int i = 0; i < 236; ++i) {
    ramp[i] = PALETTEENTRY{static_cast<BYTE>(i), 0, static_cast<BYTE>(255 - i), PC_RESERVED};
  }
  EXPECT_EQ(SetPaletteEntries(palette, 10, 236, ramp), 236u);
  HPALETTE old = SelectPalette(screen, palette, FALSE);
  EXPECT_NE(old, nullptr);
  // Every animated entry takes its own slot: 236 system entries change, then none.
  EXPECT_EQ(RealizePalette(screen), 236u);
  EXPECT_EQ(RealizePalette(screen), 0u);
  PALETTEENTRY slot{};
  GetSystemPaletteEntries(screen, 10 + 77, 1, &slot);
  EXPECT_EQ(RGB(slot.peRed, slot.peGreen, slot.peBlue), RGB(77, 0, 178));
  // A palette index draws the system slot it was mapped to; the screen shows its colour.
  EXPECT_EQ(SetPixel(screen, 3, 3, PALETTEINDEX(87)), RGB(77, 0, 178));
  EXPECT_EQ(omgdi::Screen::instance().surface().rawPixel(3, 3), 87u);
  EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(77, 1, 178)), 87u);
  EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(255, 255, 255)), 255u);
  // Changing the entries and realizing again animates the screen: the pixel keeps its index.
  ramp[77] = PALETTEENTRY{1, 2, 3, PC_RESERVED};
  SetPaletteEntries(palette, 10, 236, ramp);
  EXPECT_TRUE(UnrealizeObject(palette));
  EXPECT_EQ(RealizePalette(screen), 1u);
  EXPECT_EQ(GetPixel(screen, 3, 3), RGB(1, 2, 3));
  SelectPalette(screen, old, FALSE);
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(DeleteObject(palette));
}

// A session may take over the screen's pixels from the one before it (the fuzz targets do):
// the screen is still a new one, with nothing but the static colours in its system palette.
TEST_F(GdiPaletteTest, ANewSessionOnTheOldScreensPixelsHasAFreshSystemPalette)
{
  std::optional<ScopedEnv> screenSetting(std::in_place, "OM_SCREEN", "64x48x8");
  for (int session = 0; session < 2; ++session) {
    if (session == 1)
      omhost::setHost(
          std::make_unique<omhost::HeadlessHost>(std::move(omhost::host().screen().bytes)));
    else
      omhost::startHeadlessSession();
    HDC screen = GetDC(nullptr);
    PALETTEENTRY slot{1, 1, 1, 0};
    GetSystemPaletteEntries(screen, 10 + 77, 1, &slot);
    EXPECT_EQ(RGB(slot.peRed, slot.peGreen, slot.peBlue), RGB(0, 0, 0)) << session;
    HPALETTE palette = canvasPalette();
    PALETTEENTRY ramp[236];
    for (int i = 0; i < 236; ++i)
      ramp[i] = PALETTEENTRY{static_cast<BYTE>(i), 0, static_cast<BYTE>(255 - i), PC_RESERVED};
    SetPaletteEntries(palette, 10, 236, ramp);
    HPALETTE old = SelectPalette(screen, palette, FALSE);
    EXPECT_EQ(RealizePalette(screen), 236u) << session;
    SelectPalette(screen, old, FALSE);
    ReleaseDC(nullptr, screen);
    DeleteObject(palette);
  }
  screenSetting.reset();
  omhost::startHeadlessSession();
}

TEST_F(GdiPaletteTest, BackgroundRealizationKeepsTheForegroundSlots)
{
  ScreenDepth depth(8);
  HDC screen = GetDC(nullptr);
  // The foreground palette takes 100 slots.
  std::vector<std::uint8_t> storage(sizeof(LOGPALETTE) + 99 * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 100;
  for (int i = 0; i < 100; ++i) {
    logical->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i + 1), 7, 7, PC_RESERVED};
  }
  HPALETTE foreground = CreatePalette(logical);
  // The background one has a colour of an animated entry (which it may not share), a new one
  // and a static one.
  logical->palNumEntries = 3;
  logical->palPalEntry[0] = PALETTEENTRY{50, 7, 7, 0};
  logical->palPalEntry[1] = PALETTEENTRY{9, 9, 250, 0};
  logical->palPalEntry[2] = PALETTEENTRY{255, 255, 255, 0};
  HPALETTE background = CreatePalette(logical);
  SelectPalette(screen, foreground, FALSE);
  EXPECT_EQ(RealizePalette(screen), 100u);
  HDC other = GetDC(nullptr);
  SelectPalette(other, background, TRUE);
  EXPECT_EQ(RealizePalette(other), 2u);  // the static colour is shared
  PALETTEENTRY slot{};
  GetSystemPaletteEntries(screen, 10 + 49, 1, &slot);
  EXPECT_EQ(RGB(slot.peRed, slot.peGreen, slot.peBlue), RGB(50, 7, 7));
  EXPECT_EQ(SetPixel(other, 0, 0, PALETTEINDEX(0)), RGB(50, 7, 7));
  EXPECT_EQ(omgdi::Screen::instance().surface().rawPixel(0, 0), 110u);
  EXPECT_EQ(SetPixel(other, 1, 0, PALETTEINDEX(2)), RGB(255, 255, 255));
  EXPECT_EQ(omgdi::Screen::instance().surface().rawPixel(1, 0), 255u);
  EXPECT_EQ(SetPixel(other, 2, 0, PALETTEINDEX(1)), RGB(9, 9, 250));
  EXPECT_EQ(omgdi::Screen::instance().surface().rawPixel(2, 0), 111u);
  SelectPalette(other, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), TRUE);
  SelectPalette(screen, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  ReleaseDC(nullptr, other);
  ReleaseDC(nullptr, screen);
  DeleteObject(foreground);
  DeleteObject(background);
}

TEST_F(GdiPaletteTest, ColourReferencesOnDeepAndPalettedCanvases)
{
  HPALETTE palette = canvasPalette();
  PALETTEENTRY entry{10, 20, 30, PC_RESERVED};
  SetPaletteEntries(palette, 5, 1, &entry);
  SetPaletteEntries(palette, 100, 1, &entry);  // the same colour twice
  // 16 bits: an index draws that entry's colour.
  GdiTestCanvas deep(4, 4, 16);
  SelectPalette(deep.dc(), palette, FALSE);
  EXPECT_EQ(SetPixel(deep.dc(), 0, 0, PALETTEINDEX(5)),
            GetNearestColor(deep.dc(), RGB(10, 20, 30)));
  EXPECT_EQ(SetPixel(deep.dc(), 1, 0, PALETTERGB(10, 20, 30)),
            GetNearestColor(deep.dc(), RGB(10, 20, 30)));
  // 8 bits with the palette as colour table: the index itself, even where the same colour
  // sits at a lower index.
  std::vector<RGBQUAD> table(256);
  PALETTEENTRY entries[256];
  GetPaletteEntries(palette, 0, 256, entries);
  for (int i = 0; i < 256; ++i)
    table[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  GdiTestCanvas indexed(4, 4, 8, true, table);
  SelectPalette(indexed.dc(), palette, FALSE);
  SetPixel(indexed.dc(), 0, 0, PALETTEINDEX(100));
  SetPixel(indexed.dc(), 1, 0, PALETTEINDEX(5));
  SetPixel(indexed.dc(), 2, 0, RGB(255, 255, 255));
  EXPECT_EQ(indexed.row(0)[0], 100);
  EXPECT_EQ(indexed.row(0)[1], 5);
  EXPECT_EQ(indexed.row(0)[2], 255);
  // The invalid colour draws nothing.
  EXPECT_EQ(SetPixel(indexed.dc(), 3, 0, CLR_INVALID), CLR_INVALID);
  EXPECT_EQ(indexed.row(0)[3], 0);
  SelectPalette(deep.dc(), static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  SelectPalette(indexed.dc(), static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  DeleteObject(palette);
}

TEST_F(GdiBitmapTest, EightBitCopiesToSixteenThroughTheCurrentColourTable)
{
  GdiTestCanvas source(8, 4, 8, true, grayTable());
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x)
      source.row(y)[x] = static_cast<std::uint8_t>(x * 32 + y);
  }
  GdiTestCanvas target(8, 4, 16);
  BitBlt(target.dc(), 0, 0, 8, 4, source.dc(), 0, 0, SRCCOPY);
  auto gray = [](int x, int y) {
    const int v = ((x * 32 + y) >> 3);
    return static_cast<std::uint16_t>((v << 10) | (v << 5) | v);
  };
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(target.row(2)[2 * x] | (target.row(2)[2 * x + 1] << 8), gray(x, 2));
  }
  // A new table (the canvas's setPalette) changes what the same indices copy as.
  std::vector<RGBQUAD> red(256, RGBQUAD{0, 0, 255, 0});
  EXPECT_EQ(SetDIBColorTable(source.dc(), 0, 256, red.data()), 256u);
  RGBQUAD back{};
  EXPECT_EQ(GetDIBColorTable(source.dc(), 17, 1, &back), 1u);
  EXPECT_EQ(back.rgbRed, 255);
  BitBlt(target.dc(), 0, 0, 8, 4, source.dc(), 0, 0, SRCCOPY);
  expectPicture("8to16-red", 8, 4, target.pixels(), std::vector<COLORREF>(32, RGB(255, 0, 0)));
  // 16 to 8 takes the nearest entry of the destination's table.
  GdiTestCanvas back8(8, 4, 8, true, grayTable());
  GdiTestCanvas colours(8, 4, 16);
  colours.fill(RGB(100, 100, 100));
  BitBlt(back8.dc(), 0, 0, 8, 4, colours.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(back8.row(3)[7], 99);  // 100 is 99.3 in 5 bits, widened to 99
}

TEST_F(GdiBitmapTest, MaskedDrawingLeavesTransparentPixelsAlone)
{
  // The transparent drawing of a bitmap: source XOR, mask AND, source XOR.
  GdiTestCanvas target(8, 8, 16);
  target.fill(RGB(0, 128, 0));
  GdiTestCanvas image(8, 8, 16);
  image.fill(RGB(0, 0, 0));
  RECT opaque{2, 2, 6, 6};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(image.dc(), &opaque, red);
  DeleteObject(red);
  // Mask rows are word-aligned: 1 = transparent (white), 0 = opaque.
  std::vector<std::uint8_t> maskBits(16, 0xFF);
  for (int y = 2; y < 6; ++y)
    maskBits[y * 2] = 0xC3;
  HBITMAP mask = CreateBitmap(8, 8, 1, 1, maskBits.data());
  HDC maskDC = CreateCompatibleDC(nullptr);
  HGDIOBJ oldMask = SelectObject(maskDC, mask);
  SetTextColor(target.dc(), RGB(0, 0, 0));
  SetBkColor(target.dc(), RGB(255, 255, 255));
  BitBlt(target.dc(), 0, 0, 8, 8, image.dc(), 0, 0, SRCINVERT);
  BitBlt(target.dc(), 0, 0, 8, 8, maskDC, 0, 0, SRCAND);
  BitBlt(target.dc(), 0, 0, 8, 8, image.dc(), 0, 0, SRCINVERT);
  expectPicture("masked", 8, 8, target.pixels(), pictureOf(8, 8, [](int x, int y) {
                  return x >= 2 && x < 6 && y >= 2 && y < 6 ? RGB(255, 0, 0) : RGB(0, 132, 0);
                }));
  // A monochrome bitmap copied to colour: 0 takes the text colour, 1 the background.
  SetTextColor(target.dc(), RGB(0, 0, 255));
  SetBkColor(target.dc(), RGB(255, 255, 0));
  BitBlt(target.dc(), 0, 0, 8, 8, maskDC, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(target.dc(), 3, 3), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(target.dc(), 0, 0), RGB(255, 255, 0));
  BITMAP info{};
  EXPECT_EQ(GetObjectA(mask, sizeof(info), &info), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(info.bmBitsPixel, 1);
  EXPECT_EQ(info.bmWidth, 8);
  // A bitmap is in one context at a time.
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, mask), nullptr);
  DeleteDC(other);
  EXPECT_FALSE(DeleteObject(mask));  // still selected
  SelectObject(maskDC, oldMask);
  DeleteDC(maskDC);
  EXPECT_TRUE(DeleteObject(mask));
}

TEST_F(GdiBitmapTest, MonochromeStrikeFromBottomUpBits)
{
  // A 16x3 one-bit image, bottom-up, colour 0 black and 1 white, as a bitmap font's strike.
  std::vector<std::uint8_t> storage(sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD));
  auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
  info->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 16, 3, 1, 1, BI_RGB, 12, 0, 0, 2, 0};
  info->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  const RGBQUAD white{255, 255, 255, 0};
  std::memcpy(reinterpret_cast<std::uint8_t*>(info->bmiColors) + sizeof(RGBQUAD), &white,
              sizeof(white));
  // Stored rows: bottom first. The top row (stored last) has its leftmost pixel set.
  const std::uint8_t bits[12] = {0x00, 0x01, 0, 0, 0x00, 0x00, 0, 0, 0x80, 0x00, 0, 0};
  HDC strikeDC = CreateCompatibleDC(nullptr);
  HBITMAP strike = CreateDIBitmap(strikeDC, &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS);
  ASSERT_NE(strike, nullptr);
  HGDIOBJ old = SelectObject(strikeDC, strike);
  GdiTestCanvas target(16, 3, 16);
  SetTextColor(target.dc(), RGB(255, 0, 0));
  SetBkColor(target.dc(), RGB(255, 255, 255));
  BitBlt(target.dc(), 0, 0, 16, 3, strikeDC, 0, 0, SRCCOPY);
  expectPicture("strike", 16, 3, target.pixels(), pictureOf(16, 3, [](int x, int y) {
                  const bool ink = (x == 0 && y == 0) || (x == 15 && y == 2);
                  return ink ? RGB(255, 255, 255) : RGB(255, 0, 0);
                }));
  SelectObject(strikeDC, old);
  DeleteObject(strike);
  DeleteDC(strikeDC);
}

TEST_F(GdiBitmapTest, DibBitsToDeviceStretchedAndReadBack)
{
  // A 4x2 24-bit bottom-up image: bottom row blue, top row red.
  std::vector<std::uint8_t> storage(sizeof(BITMAPINFOHEADER));
  auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
  info->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::uint8_t bits[24] = {};
  for (int x = 0; x < 4; ++x) {
    bits[3 * x] = 255;           // bottom row: blue
    bits[12 + 3 * x + 2] = 255;  // top row: red
  }
  GdiTestCanvas target(10, 6, 32);
  target.fill(RGB(0, 0, 0));
  EXPECT_EQ(SetDIBitsToDevice(target.dc(), 1, 1, 4, 2, 0, 0, 0, 2, bits, info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(StretchDIBits(target.dc(), 5, 0, 4, 2, 0, 0, 4, 2, bits, info, DIB_RGB_COLORS, SRCCOPY),
            2);
  // Doubled in height: each source row twice.
  StretchDIBits(target.dc(), 0, 4, 2, 2, 0, 0, 4, 2, bits, info, DIB_RGB_COLORS, SRCCOPY);
  expectPicture("dib-to-device", 10, 6, target.pixels(), pictureOf(10, 6, [](int x, int y) {
                  if (x >= 1 && x < 5 && y == 1) return RGB(255, 0, 0);
                  if (x >= 1 && x < 5 && y == 2) return RGB(0, 0, 255);
                  if (x >= 5 && x < 9 && y < 2) return y == 0 ? RGB(255, 0, 0) : RGB(0, 0, 255);
                  if (x < 2 && y >= 4) return y == 4 ? RGB(255, 0, 0) : RGB(0, 0, 255);
                  return RGB(0, 0, 0);
                }));
  // Reading back as 24-bit bottom-up rows.
  BITMAPINFO query{};
  query.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 10, 6, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint8_t> out(32 * 6);
  EXPECT_EQ(GetDIBits(target.dc(), target.bitmap(), 0, 6, out.data(), &query, DIB_RGB_COLORS), 6);
  // Line 4 from the bottom is image row 1: red from x = 1.
  EXPECT_EQ(out[4 * 32 + 3 * 1 + 2], 255);
  EXPECT_EQ(out[4 * 32 + 3 * 1 + 0], 0);
  // Bad headers are refused, never read.
  info->bmiHeader.biBitCount = 7;
  EXPECT_EQ(SetDIBitsToDevice(target.dc(), 0, 0, 4, 2, 0, 0, 0, 2, bits, info, DIB_RGB_COLORS), 0);
  info->bmiHeader.biBitCount = 24;
  info->bmiHeader.biWidth = -4;
  EXPECT_EQ(StretchDIBits(target.dc(), 0, 0, 4, 2, 0, 0, 4, 2, bits, info, DIB_RGB_COLORS, SRCCOPY),
            0);
  void* none = nullptr;
  EXPECT_EQ(CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &none, nullptr, 0), nullptr);
  // Sizes no picture has are refused instead of allocated.
  info->bmiHeader.biWidth = 30000;
  info->bmiHeader.biHeight = -30000;
  EXPECT_EQ(CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &none, nullptr, 0), nullptr);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(CreateBitmap(30000, 30000, 1, 32, nullptr), nullptr);
  info->bmiHeader.biWidth = 4;
  info->bmiHeader.biHeight = 2;
  EXPECT_EQ(StretchDIBits(target.dc(), 0, 0, 30000, 30000, 0, 0, 4, 2, bits, info, DIB_RGB_COLORS,
                          SRCCOPY),
            0);
}

TEST_F(GdiBitmapTest, MaskFromAColourImageByItsBackgroundColour)
{
  // The usual way to make a transparency mask: copy the image onto a monochrome bitmap with
  // the image's background colour set to the transparent colour.
  for (int depth : {8, 16, 24}) {
    std::vector<RGBQUAD> table;
    if (depth == 8) table = {{0, 0, 0, 0}, {255, 0, 255, 0}, {0, 255, 0, 0}};
    GdiTestCanvas image(6, 3, depth, false, table);
    image.fill(RGB(255, 0, 255));
    SetPixel(image.dc(), 1, 1, RGB(0, 255, 0));
    SetPixel(image.dc(), 4, 2, RGB(0, 0, 0));
    HBITMAP mask = CreateBitmap(6, 3, 1, 1, nullptr);
    HDC maskDC = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(maskDC, mask);
    SetBkColor(image.dc(), RGB(255, 0, 255));
    BitBlt(maskDC, 0, 0, 6, 3, image.dc(), 0, 0, SRCCOPY);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 6; ++x) {
        const bool opaque = (x == 1 && y == 1) || (x == 4 && y == 2);
        EXPECT_EQ(GetPixel(maskDC, x, y), opaque ? RGB(0, 0, 0) : RGB(255, 255, 255))
            << depth << " bits at " << x << ", " << y;
      }
    }
    SelectObject(maskDC, old);
    DeleteDC(maskDC);
    DeleteObject(mask);
  }
}
