#include "platform/src/gdi/DibInfo.h"

#include <cstdlib>
#include <cstring>

#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/GdiPalette.h"
#include "platform/src/gdi/Surface.h"

namespace omgdi {

namespace {

constexpr LONG maxSide = 32767;

}  // namespace

bool parseDibInfo(const BITMAPINFO* info, UINT usage, DeviceContext* dc, DibInfo& out)
{
  if (info == nullptr) return false;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1) return false;
  if (header.biCompression != BI_RGB) return false;
  if (!Surface::isSupportedDepth(header.biBitCount)) return false;
  if (header.biWidth <= 0 || header.biWidth > maxSide || header.biHeight == 0 ||
      header.biHeight < -maxSide || header.biHeight > maxSide) {
    return false;
  }
  out.width = header.biWidth;
  out.height = std::abs(header.biHeight);
  out.topDown = header.biHeight < 0;
  out.bitsPerPixel = header.biBitCount;
  out.stride = Surface::strideFor(out.width, out.bitsPerPixel);
  out.colors.clear();
  if (out.bitsPerPixel > 8) return true;
  const DWORD maxColors = DWORD{1} << out.bitsPerPixel;
  const DWORD count =
      header.biClrUsed == 0 || header.biClrUsed > maxColors ? maxColors : header.biClrUsed;
  const auto* table = reinterpret_cast<const std::uint8_t*>(info) + header.biSize;
  out.colors.assign(maxColors, RGBQUAD{0, 0, 0, 0});
  if (usage == DIB_PAL_COLORS) {
    GdiPalette* palette =
        dc == nullptr ? nullptr : lookup<GdiPalette>(dc->state().palette, OBJ_PAL);
    for (DWORD i = 0; i < count; ++i) {
      WORD index = 0;
      std::memcpy(&index, table + i * sizeof(WORD), sizeof(WORD));
      out.colors[i] = palette == nullptr ? RGBQUAD{0, 0, 0, 0} : quadOf(palette->colorAt(index));
    }
  } else {
    std::memcpy(out.colors.data(), table, count * sizeof(RGBQUAD));
  }
  return true;
}

}  // namespace omgdi
