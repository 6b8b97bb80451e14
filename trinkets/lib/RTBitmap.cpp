#include "trinkets/lib/RTBitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "framework/OMBitmap.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMRegion.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RTBitmap", &RTBitmap::create);

}  // namespace

RTBitmap::RTBitmap(const OMRect& rect, int resourceId, OMTrinketWindow* host)
    : OMTrinket(host, 2), resourceId_(static_cast<std::int16_t>(resourceId))
{
  setTouchy(0);
  bitmap_ = std::make_unique<OMBitmap>(resourceId_, nullptr);
  if (!bitmap_->hasBits()) {
    reportDamagedResource("RTBitmap", "BITMAP", resourceId_, nullptr);
    bitmap_.reset();
    setRect(OMRect());
    return;
  }
  // Top-down pictures store a negative height.
  // Far corners beyond the coordinate range stop at its end.
  auto farEdge = [](std::int32_t from, std::int32_t size) {
    return std::int32_t(std::min<std::int64_t>(std::int64_t(from) + size, INT32_MAX));
  };
  const OMRect picture(rect.left(), rect.top(), farEdge(rect.left(), bitmap_->width()),
                       farEdge(rect.top(), std::abs(bitmap_->height())));
  setRect(rect.intersection(picture));
  clipped_ = picture.isWithin(this->rect()) ? 0 : 1;
  markWholeDirty();
}

RTBitmap::~RTBitmap() = default;

std::unique_ptr<OMScriptableObject> RTBitmap::create()
{
  const int left = clampCoordinate(std::atoi(popScriptArg()));
  const int top = clampCoordinate(std::atoi(popScriptArg()));
  const int right = clampCoordinate(std::atoi(popScriptArg()));
  const int bottom = clampCoordinate(std::atoi(popScriptArg()));
  const int id = std::atoi(popScriptArg());
  auto bitmap =
      std::make_unique<RTBitmap>(OMRect(left, top, right, bottom), id, OMTrinketWindow::mainHost());
  if (!bitmap->hasPicture()) return nullptr;
  return bitmap;
}

bool RTBitmap::hasPicture() const
{
  return bitmap_ != nullptr;
}

void RTBitmap::stateText(char* buffer, std::size_t size) const
{
  std::snprintf(buffer, size, "%d %d %d %d %d", x(), y(), rect().right(), rect().bottom(),
                int(resourceId_));
}

void RTBitmap::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  // An empty rectangle draws nothing: an empty clip would mean no clip at all.
  if (!canvas || !bitmap_ || !rect().hasArea()) return;
  OMRegion saved;
  const bool hadClip = canvas->clipRegion() != nullptr;
  if (clipped_) {
    OMRegion limit(rect());
    if (hadClip) {
      saved.copyHandle(canvas->clipRegion());
      limit.intersectWith(saved);
    }
    if (limit.isEmpty()) return;
    canvas->setClipRegion(&limit);
  }
  // Drawn whole, as a picture control shows it: index 252 is the system's blue, not a hole.
  const bool masked = canvas->maskDrawing();
  canvas->setMaskDrawing(false);
  canvas->drawDIB(x(), y(), bitmap_.get());
  canvas->setMaskDrawing(masked);
  if (clipped_) canvas->setClipRegion(hadClip ? &saved : nullptr);
}
