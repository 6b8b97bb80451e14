#pragma once

#include <cstdint>
#include <vector>

#include "platform/src/gdi/GdiHandles.h"

namespace omgdi {

// A logical palette. Realizing it on the 8-bit screen fills `mapping` (logical index to
// system palette index).
class GdiPalette : public GdiObject {
 public:
  explicit GdiPalette(std::vector<PALETTEENTRY> entries)
      : GdiObject(OBJ_PAL), entries_(std::move(entries))
  {
  }

  std::vector<PALETTEENTRY>& entries() { return entries_; }
  const std::vector<PALETTEENTRY>& entries() const { return entries_; }
  COLORREF colorAt(std::size_t index) const
  {
    if (index >= entries_.size()) index = 0;
    if (entries_.empty()) return 0;
    const PALETTEENTRY& e = entries_[index];
    return RGB(e.peRed, e.peGreen, e.peBlue);
  }
  UINT nearestIndex(COLORREF color) const;

  std::vector<std::uint8_t>& mapping() { return mapping_; }
  bool isRealized() const { return !mapping_.empty(); }
  void unrealize() { mapping_.clear(); }

 private:
  std::vector<PALETTEENTRY> entries_;
  std::vector<std::uint8_t> mapping_;
};

}  // namespace omgdi
