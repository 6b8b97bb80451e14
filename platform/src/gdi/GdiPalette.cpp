#include "platform/src/gdi/GdiPalette.h"

#include "platform/src/gdi/Surface.h"

namespace omgdi {

UINT GdiPalette::nearestIndex(COLORREF color) const
{
  UINT best = 0;
  int bestDistance = 1 << 30;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const int distance = colorDistance(color, colorAt(i));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<UINT>(i);
      if (distance == 0) break;
    }
  }
  return best;
}

}  // namespace omgdi
