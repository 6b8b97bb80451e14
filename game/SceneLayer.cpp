#include "game/SceneLayer.h"

#include "framework/OMCanvas.h"

SceneLayer::SceneLayer(const OMRect& rect, OMIStream* stream) : OMTBackground(rect, stream) {}

SceneLayer::~SceneLayer() = default;

void SceneLayer::saveUnder(const OMRect& rect)
{
  OMCanvas* picture = canvas();
  const OMRect area = rect.intersection(OMRect(0, 0, picture->width(), picture->height()));
  // An area wholly outside keeps its place on the stack, so that saves and restores pair up.
  saved_.push_back(area.hasArea() ? std::make_unique<StampCanvas>(area, picture) : nullptr);
}

void SceneLayer::restoreUnder()
{
  if (saved_.empty()) return;
  if (saved_.back()) saved_.back()->restore(canvas());
  saved_.pop_back();
}

void SceneLayer::setPalette(const OMRGBColor* colors)
{
  if (colors) canvas()->setPalette(colors);
}
