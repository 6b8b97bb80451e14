#pragma once

#include <cstddef>
#include <vector>

#include <wingdi.h>

namespace omgdi {

class DeviceContext;

// What a BITMAPINFO describes, checked: size, depth, row order, stride and colour table.
struct DibInfo {
  int width = 0;
  int height = 0;  // always positive
  bool topDown = false;
  int bitsPerPixel = 0;
  int stride = 0;
  std::vector<RGBQUAD> colors;

  std::size_t imageSize() const { return static_cast<std::size_t>(stride) * height; }
};

// False for a header we cannot draw (compression, depth, size). DIB_PAL_COLORS tables are
// indices into the palette selected in `dc`.
bool parseDibInfo(const BITMAPINFO* info, UINT usage, DeviceContext* dc, DibInfo& out);

}  // namespace omgdi
