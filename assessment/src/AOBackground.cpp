#include "assessment/src/AOBackground.h"

#include <windows.h>

#include "framework/OMIStream.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMRegion.h"
#include "framework/OMResHandle.h"
#include "trinkets/src/OMFrameDecoder.h"

AOBackground::AOBackground(int width, int height, int depth)
    : canvas_(std::make_unique<OMMemCanvas>(width, height, depth, 1))
{
}

AOBackground::~AOBackground() = default;

void AOBackground::loadFromStream(OMIStream* stream)
{
  if (stream) drawFirstImage(canvas_.get(), stream);
}

void AOBackground::loadFromResource(OMResHandle* handle, bool release)
{
  if (!handle) return;
  if (release) {
    drawFirstImage(canvas_.get(), handle);
    return;
  }
  // A handle the caller keeps: the decoder would delete it.
  OMDrawLayer::loadFromResource(handle, false);
}

OMCanvas* AOBackground::canvas()
{
  return canvas_.get();
}

void AOBackground::saveUnder(const OMRect& rect)
{
  const OMRect area = rect.intersection(OMRect(0, 0, canvas_->width(), canvas_->height()));
  saved_.push_back(area.hasArea() ? std::make_unique<StampCanvas>(area, canvas_.get()) : nullptr);
}

void AOBackground::restoreUnder()
{
  if (saved_.empty()) return;
  if (saved_.back()) saved_.back()->restore(canvas_.get());
  saved_.pop_back();
}

OMRect AOBackground::draw(OMCanvas* target, const OMRegion& area)
{
  if (!target || area.isEmpty()) return OMRect();
  const OMRect bounds = area.bounds();
  if (!bounds.hasArea()) return OMRect();
  target->copyBits(canvas_.get(), bounds.left(), bounds.top(), bounds.width(), bounds.height(),
                   bounds.left(), bounds.top(), SRCCOPY, &area);
  return bounds;
}

void AOBackground::setPalette(const OMRGBColor* colors)
{
  if (colors) canvas_->setPalette(colors);
}
