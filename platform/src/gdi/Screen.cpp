#include "platform/src/gdi/Screen.h"

#include "platform/host/Host.h"
#include "platform/src/gdi/GdiPalette.h"

namespace omgdi {

namespace {

constexpr int defaultDepth = 16;

// The first ten static colours take slots 0-9, the last ten 246-255.
constexpr COLORREF staticColors[20] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192),
    RGB(192, 220, 192), RGB(166, 202, 240), RGB(255, 251, 240), RGB(160, 160, 164),
    RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),     RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255)};

}  // namespace

Screen& Screen::instance()
{
  static Screen screen;
  return screen;
}

COLORREF Screen::staticColor(int index)
{
  return index >= 0 && index < 20 ? staticColors[index] : 0;
}

void Screen::configure(int width, int height, int bitsPerPixel)
{
  if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) {
    bitsPerPixel = defaultDepth;
  }
  omhost::host().screen().resize(width, height, bitsPerPixel);
  surface();
  resetSystemPalette();
}

Surface& Screen::surface()
{
  // The host owns the pixels; a new host's or a resized buffer is wrapped again.
  omhost::ScreenBuffer& buffer = omhost::host().screen();
  ++buffer.drawCount;
  if (buffer.bytes.empty()) buffer.resize(buffer.width, buffer.height, buffer.bitsPerPixel);
  const bool changed = !surface_ || hostGeneration_ != omhost::hostGeneration() ||
                       surface_->pixels() != buffer.bytes.data() ||
                       surface_->width() != buffer.width || surface_->height() != buffer.height ||
                       surface_->bitsPerPixel() != buffer.bitsPerPixel;
  if (changed) {
    hostGeneration_ = omhost::hostGeneration();
    surface_ = std::make_unique<Surface>(buffer.width, buffer.height, buffer.bitsPerPixel, true,
                                         buffer.bytes.data(), buffer.pitch);
    resetSystemPalette();
  }
  return *surface_;
}

void Screen::markDrawn()
{
  ++omhost::host().screen().drawCount;
}

void Screen::resetSystemPalette()
{
  for (int slot = 0; slot < 256; ++slot) {
    const int staticIndex = slot < 10 ? slot : slot >= 246 ? slot - 236 : -1;
    const COLORREF color = staticIndex >= 0 ? staticColors[staticIndex] : 0;
    systemPalette_[slot] = PALETTEENTRY{GetRValue(color), GetGValue(color), GetBValue(color), 0};
    slotUsed_[slot] = staticIndex >= 0;
  }
  publishSystemPalette();
}

void Screen::publishSystemPalette()
{
  if (!surface_ || surface_->bitsPerPixel() != 8) return;
  RGBQUAD table[256];
  auto& hostPalette = omhost::host().screen().palette;
  for (int i = 0; i < 256; ++i) {
    const PALETTEENTRY& e = systemPalette_[i];
    table[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    hostPalette[i] = (static_cast<std::uint32_t>(e.peRed) << 16) |
                     (static_cast<std::uint32_t>(e.peGreen) << 8) | e.peBlue;
  }
  surface_->setColorTable(0, 256, table);
}

void Screen::setSystemPaletteEntries(int first, int count, const PALETTEENTRY* entries)
{
  surface();
  for (int i = 0; i < count; ++i) {
    const int slot = first + i;
    if (slot < 0 || slot >= 256) continue;
    systemPalette_[slot] = PALETTEENTRY{entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 0};
    slotUsed_[slot] = true;
  }
  publishSystemPalette();
}

UINT Screen::realize(GdiPalette& palette, bool background)
{
  if (!isPalettized()) return 0;
  const std::array<PALETTEENTRY, 256> before = systemPalette_;
  if (!background) {
    // The foreground palette takes every slot that is not static.
    for (int slot = 10; slot < 246; ++slot)
      slotUsed_[slot] = false;
  }
  auto& entries = palette.entries();
  auto& mapping = palette.mapping();
  mapping.assign(entries.size(), 0);
  int nextFree = 10;
  auto takeFreeSlot = [&]() -> int {
    while (nextFree < 246 && slotUsed_[nextFree])
      ++nextFree;
    return nextFree < 246 ? nextFree++ : -1;
  };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const PALETTEENTRY& e = entries[i];
    if (e.peFlags & PC_EXPLICIT) {
      mapping[i] = static_cast<std::uint8_t>(e.peRed | (e.peGreen << 8));
      continue;
    }
    const COLORREF color = RGB(e.peRed, e.peGreen, e.peBlue);
    int slot = -1;
    // Animated and uncollapsed entries want a slot of their own; others share an equal one.
    if (!(e.peFlags & (PC_RESERVED | PC_NOCOLLAPSE))) {
      for (int s = 0; s < 256 && slot < 0; ++s) {
        const PALETTEENTRY& sys = systemPalette_[s];
        if (isShareable(s) && RGB(sys.peRed, sys.peGreen, sys.peBlue) == color) slot = s;
      }
    }
    if (slot < 0) {
      slot = takeFreeSlot();
      if (slot >= 0) {
        systemPalette_[slot] = PALETTEENTRY{e.peRed, e.peGreen, e.peBlue, e.peFlags};
        slotUsed_[slot] = true;
      }
    }
    if (slot < 0) {
      int bestDistance = 1 << 30;
      for (int s = 0; s < 256; ++s) {
        const PALETTEENTRY& sys = systemPalette_[s];
        const int distance = colorDistance(color, RGB(sys.peRed, sys.peGreen, sys.peBlue));
        if (isShareable(s) && distance < bestDistance) {
          bestDistance = distance;
          slot = s;
        }
      }
    }
    mapping[i] = static_cast<std::uint8_t>(slot < 0 ? 0 : slot);
  }
  UINT changed = 0;
  for (int slot = 0; slot < 256; ++slot) {
    const PALETTEENTRY& a = before[slot];
    const PALETTEENTRY& b = systemPalette_[slot];
    if (a.peRed != b.peRed || a.peGreen != b.peGreen || a.peBlue != b.peBlue) ++changed;
  }
  publishSystemPalette();
  return changed;
}

}  // namespace omgdi
