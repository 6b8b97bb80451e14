#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/src/gdi/Surface.h"

namespace omgdi {

class GdiPalette;

// The virtual screen as GDI sees it: its pixels and, at 8 bits, the system palette with the
// 20 static colours (0-9 and 246-255) and the slots that realized palettes take.
class Screen {
 public:
  static Screen& instance();

  // A fresh screen of this size and depth (8, 16, 24 or 32), black, with the static colours.
  void configure(int width, int height, int bitsPerPixel);
  // Every drawing on the screen gets its pixels here (which counts as drawing).
  Surface& surface();
  // The screen's pixels were written without a new look at its surface.
  static void markDrawn();
  int bitsPerPixel() { return surface().bitsPerPixel(); }
  bool isPalettized() { return surface().bitsPerPixel() == 8; }

  static COLORREF staticColor(int index);  // index 0-19
  const std::array<PALETTEENTRY, 256>& systemPalette() const { return systemPalette_; }
  // Maps the palette into the system palette; answers how many system entries changed.
  UINT realize(GdiPalette& palette, bool background);
  // Exclusive full-screen drawing owns the whole system palette, static slots included.
  void setSystemPaletteEntries(int first, int count, const PALETTEENTRY* entries);

 private:
  Screen() = default;
  void resetSystemPalette();
  void publishSystemPalette();
  // Animated (reserved) entries are no other palette's to match.
  bool isShareable(int slot) const
  {
    return slotUsed_[slot] && (systemPalette_[slot].peFlags & PC_RESERVED) == 0;
  }

  std::unique_ptr<Surface> surface_;
  std::uint64_t hostGeneration_ = 0;
  std::array<PALETTEENTRY, 256> systemPalette_{};
  std::array<bool, 256> slotUsed_{};
};

}  // namespace omgdi
