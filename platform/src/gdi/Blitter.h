#pragma once

#include <cstdint>
#include <vector>

#include "platform/src/gdi/Surface.h"

namespace omgdi {

class DeviceContext;
class PixelConverter;

// The raster operations the callers use; any other code is refused.
enum class RasterOp { srcCopy, srcInvert, srcAnd, srcPaint, patCopy, blackness, whiteness };

bool rasterOpOf(DWORD rop, RasterOp& op);
bool usesSource(RasterOp op);

// Copies the source rectangle at (sourceX, sourceY) to `target` at `targetRect` (surface
// coordinates), inside the clip rectangles, applying `op` to raw values; the converter turns
// source values into target values. `pattern` is the raw value of a pattern fill.
void blitSurface(Surface& target, const RECT& targetRect, const std::vector<RECT>& clip,
                 const Surface* source, int sourceX, int sourceY, PixelConverter* converter,
                 RasterOp op, std::uint32_t pattern);

// BitBlt between device contexts (source null for the fills).
bool blitContexts(DeviceContext& target, int x, int y, int width, int height, DeviceContext* source,
                  int sourceX, int sourceY, DWORD rop);
// A surface that is not a context's (DIB bits of SetDIBitsToDevice and StretchDIBits).
bool blitFromSurface(DeviceContext& target, int x, int y, int width, int height,
                     const Surface& source, int sourceX, int sourceY, DWORD rop);

}  // namespace omgdi
