#include "trinkets/src/StampCanvas.h"

#include <algorithm>

#include <windows.h>

#include "framework/OMMemCanvas.h"

StampCanvas::StampCanvas(const OMRect& rect, OMCanvas* source) : x_(rect.left()), y_(rect.top())
{
  // The saved pixels keep the source's depth: an 8-bit copy of a high-colour picture could
  // not be made, and nothing would come back.
  const int depth = source ? source->depth() : 8;
  canvas_ = std::make_unique<OMMemCanvas>(std::max(1, rect.width()), std::max(1, rect.height()),
                                          depth, 1);
  // An 8-bit copy takes the source's colours, so that the indices come back unchanged.
  if (depth == 8) {
    OMRGBColor colors[OMCanvas::paletteSize] = {};
    if (source) source->getPalette(colors);
    canvas_->setPalette(colors);
  }
  if (source)
    canvas_->copyBits(source, x_, y_, rect.width(), rect.height(), 0, 0, SRCCOPY, nullptr);
}

StampCanvas::~StampCanvas() = default;

void StampCanvas::restore(OMCanvas* target)
{
  if (target)
    target->copyBits(canvas_.get(), 0, 0, canvas_->width(), canvas_->height(), x_, y_, SRCCOPY,
                     nullptr);
}
