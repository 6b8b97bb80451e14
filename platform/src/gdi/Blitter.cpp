#include "platform/src/gdi/Blitter.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/GdiBrush.h"
#include "platform/src/gdi/PixelConverter.h"

namespace omgdi {

bool rasterOpOf(DWORD rop, RasterOp& op)
{
  switch (rop & 0xFFFFFF) {
    case SRCCOPY:
      op = RasterOp::srcCopy;
      return true;
    case SRCINVERT:
      op = RasterOp::srcInvert;
      return true;
    case SRCAND:
      op = RasterOp::srcAnd;
      return true;
    case SRCPAINT:
      op = RasterOp::srcPaint;
      return true;
    case PATCOPY:
      op = RasterOp::patCopy;
      return true;
    case BLACKNESS:
      op = RasterOp::blackness;
      return true;
    case WHITENESS:
      op = RasterOp::whiteness;
      return true;
    default:
      return false;
  }
}

bool usesSource(RasterOp op)
{
  return op == RasterOp::srcCopy || op == RasterOp::srcInvert || op == RasterOp::srcAnd ||
         op == RasterOp::srcPaint;
}

namespace {

void combineRow(RasterOp op, const std::uint32_t* source, std::uint32_t* target, int n,
                std::uint32_t pattern, std::uint32_t mask)
{
  switch (op) {
    case RasterOp::srcCopy:
      for (int i = 0; i < n; ++i)
        target[i] = source[i] & mask;
      break;
    case RasterOp::srcInvert:
      for (int i = 0; i < n; ++i)
        target[i] = (source[i] ^ target[i]) & mask;
      break;
    case RasterOp::srcAnd:
      for (int i = 0; i < n; ++i)
        target[i] = source[i] & target[i] & mask;
      break;
    case RasterOp::srcPaint:
      for (int i = 0; i < n; ++i)
        target[i] = (source[i] | target[i]) & mask;
      break;
    case RasterOp::patCopy:
      for (int i = 0; i < n; ++i)
        target[i] = pattern & mask;
      break;
    case RasterOp::blackness:
      for (int i = 0; i < n; ++i)
        target[i] = 0;
      break;
    case RasterOp::whiteness:
      for (int i = 0; i < n; ++i)
        target[i] = mask;
      break;
  }
}

// Whole rows of bytes move unchanged: same depth, a plain copy, byte-aligned pixels.
bool copiesBytes(const Surface& target, const Surface* source, PixelConverter* converter,
                 RasterOp op)
{
  return op == RasterOp::srcCopy && source != nullptr && converter != nullptr &&
         converter->isIdentity() && target.bitsPerPixel() >= 8;
}

// The rows of the part as one run, when every row follows the one before in both memories
// with no gap (or all in reverse order alike): the first row of the run in each.
bool asOneRun(Surface& target, const RECT& part, const Surface& source, int sx, int sy,
              int sourceBytes, int targetBytes, std::uint8_t*& to, const std::uint8_t*& from)
{
  const int rows = part.bottom - part.top;
  if (rows < 2) return false;
  const int n = part.right - part.left;
  const auto targetStep = target.row(part.top + 1) - target.row(part.top);
  const auto sourceStep = source.row(sy + 1) - source.row(sy);
  const int last = rows - 1;
  if (targetStep == n * targetBytes && sourceStep == n * sourceBytes) {
    to = target.row(part.top);
    from = source.row(sy);
  } else if (targetStep == -n * targetBytes && sourceStep == -n * sourceBytes) {
    to = target.row(part.top + last);
    from = source.row(sy + last);
  } else {
    return false;
  }
  to += part.left * targetBytes;
  from += sx * sourceBytes;
  return true;
}

}  // namespace

void blitSurface(Surface& target, const RECT& targetRect, const std::vector<RECT>& clip,
                 const Surface* source, int sourceX, int sourceY, PixelConverter* converter,
                 RasterOp op, std::uint32_t pattern)
{
  RECT bounds = targetRect;
  if (source != nullptr) {
    // Cut off what lies outside the source, on both sides alike.
    const RECT sourceOnTarget{targetRect.left - sourceX, targetRect.top - sourceY,
                              targetRect.left - sourceX + source->width(),
                              targetRect.top - sourceY + source->height()};
    if (!intersectRect(bounds, sourceOnTarget, bounds)) return;
  }
  const std::uint32_t mask = target.pixelMask();
  const bool rawBytes = copiesBytes(target, source, converter, op);
  const int bytesPerPixel = target.bitsPerPixel() / 8;
  std::vector<std::uint32_t> sourceRow;
  std::vector<std::uint32_t> targetRow;
  for (const RECT& clipRect : clip) {
    RECT part;
    if (!intersectRect(bounds, clipRect, part)) continue;
    const int n = part.right - part.left;
    const int rows = part.bottom - part.top;
    const int firstSx = part.left - targetRect.left + sourceX;
    const int firstSy = part.top - targetRect.top + sourceY;
    std::uint8_t* to = nullptr;
    const std::uint8_t* from = nullptr;
    if (rawBytes &&
        asOneRun(target, part, *source, firstSx, firstSy, bytesPerPixel, bytesPerPixel, to, from)) {
      std::memcpy(to, from, static_cast<std::size_t>(n) * rows * bytesPerPixel);
      continue;
    }
    if (op == RasterOp::srcCopy && source != nullptr && source->bitsPerPixel() == 8 &&
        asOneRun(target, part, *source, firstSx, firstSy, 1, bytesPerPixel, to, from) &&
        converter->convertIndicesTo555(from, to, n * rows)) {
      continue;
    }
    sourceRow.resize(static_cast<std::size_t>(n));
    targetRow.resize(static_cast<std::size_t>(n));
    for (int y = part.top; y < part.bottom; ++y) {
      const int sx = part.left - targetRect.left + sourceX;
      const int sy = y - targetRect.top + sourceY;
      if (op == RasterOp::srcCopy && converter != nullptr &&
          converter->convertIndicesTo555(source->row(sy) + sx, target.row(y) + 2 * part.left, n)) {
        continue;
      }
      if (rawBytes) {
        std::memcpy(target.row(y) + part.left * bytesPerPixel, source->row(sy) + sx * bytesPerPixel,
                    static_cast<std::size_t>(n) * bytesPerPixel);
        continue;
      }
      if (source != nullptr) {
        source->readRow(sx, sy, n, sourceRow.data());
        converter->convertRow(sourceRow.data(), sourceRow.data(), n);
      }
      if (op != RasterOp::srcCopy && op != RasterOp::patCopy) {
        target.readRow(part.left, y, n, targetRow.data());
      }
      combineRow(op, sourceRow.data(), targetRow.data(), n, pattern, mask);
      target.writeRow(part.left, y, n, targetRow.data());
    }
  }
}

namespace {

// A copy of a rectangle of the surface, so that a blit onto its own surface reads the old
// pixels wherever it writes.
std::unique_ptr<Surface> snapshot(const Surface& surface, int x, int y, int width, int height,
                                  int& snapX, int& snapY)
{
  RECT wanted{x, y, x + width, y + height};
  RECT inside;
  snapX = 0;
  snapY = 0;
  if (!intersectRect(wanted, RECT{0, 0, surface.width(), surface.height()}, inside)) {
    return nullptr;
  }
  auto copy = std::make_unique<Surface>(inside.right - inside.left, inside.bottom - inside.top,
                                        surface.bitsPerPixel(), true);
  copy->setMonochrome(surface.isMonochrome());
  if (surface.hasColorTable()) {
    copy->setColorTable(0, static_cast<UINT>(surface.colorTable().size()),
                        surface.colorTable().data());
  }
  std::vector<std::uint32_t> row(static_cast<std::size_t>(copy->width()));
  for (int r = 0; r < copy->height(); ++r) {
    surface.readRow(inside.left, inside.top + r, copy->width(), row.data());
    copy->writeRow(0, r, copy->width(), row.data());
  }
  // The snapshot's (0, 0) is the surface's inside.left/top.
  snapX = x - inside.left;
  snapY = y - inside.top;
  return copy;
}

bool patternOf(DeviceContext& target, RasterOp op, std::uint32_t& pattern)
{
  pattern = 0;
  if (op != RasterOp::patCopy) return true;
  GdiBrush* brush = lookup<GdiBrush>(target.state().brush, OBJ_BRUSH);
  if (brush == nullptr || brush->isHollow()) return false;
  return target.resolveColor(brush->color(), pattern);
}

bool blitAny(DeviceContext& target, int x, int y, int width, int height, const Surface* source,
             int sourceX, int sourceY, COLORREF sourceBk, DWORD rop)
{
  RasterOp op;
  if (!rasterOpOf(rop, op)) return false;
  Surface* surface = target.surface();
  if (surface == nullptr) return false;
  if (usesSource(op) && source == nullptr) return false;
  if (width <= 0 || height <= 0) return true;
  std::uint32_t pattern = 0;
  if (!patternOf(target, op, pattern)) return true;
  const POINT origin = target.origin();
  const RECT targetRect{x + origin.x, y + origin.y, x + origin.x + width, y + origin.y + height};
  const std::vector<RECT> clip = target.clipRects();
  if (!usesSource(op)) {
    blitSurface(*surface, targetRect, clip, nullptr, 0, 0, nullptr, op, pattern);
    return true;
  }
  std::unique_ptr<Surface> copy;
  if (source == surface) {
    int snapX = 0, snapY = 0;
    copy = snapshot(*source, sourceX, sourceY, width, height, snapX, snapY);
    if (!copy) return true;
    source = copy.get();
    sourceX = snapX;
    sourceY = snapY;
  }
  std::uint32_t textRaw = 0, bkRaw = 0;
  target.resolveColor(target.state().textColor, textRaw);
  target.resolveColor(target.state().bkColor, bkRaw);
  PixelConverter converter(*source, *surface, textRaw, bkRaw, source->rawOf(sourceBk));
  blitSurface(*surface, targetRect, clip, source, sourceX, sourceY, &converter, op, pattern);
  return true;
}

}  // namespace

bool blitContexts(DeviceContext& target, int x, int y, int width, int height, DeviceContext* source,
                  int sourceX, int sourceY, DWORD rop)
{
  const Surface* sourceSurface = nullptr;
  COLORREF sourceBk = RGB(255, 255, 255);
  if (source != nullptr) {
    sourceSurface = source->surface();
    if (sourceSurface == nullptr) return false;
    sourceX += source->origin().x;
    sourceY += source->origin().y;
    sourceBk = source->plainColor(source->state().bkColor);
  }
  return blitAny(target, x, y, width, height, sourceSurface, sourceX, sourceY, sourceBk, rop);
}

bool blitFromSurface(DeviceContext& target, int x, int y, int width, int height,
                     const Surface& source, int sourceX, int sourceY, DWORD rop)
{
  return blitAny(target, x, y, width, height, &source, sourceX, sourceY,
                 target.plainColor(target.state().bkColor), rop);
}

}  // namespace omgdi
