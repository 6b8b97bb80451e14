#include "assessment/src/RGauge.h"

#include <cstdio>
#include <cstdlib>

#include "assessment/src/SliderImages.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RGauge", &RGauge::create, TrinketRecord::assessmentEditionOnly);

constexpr int fallbackSize = 17;

}  // namespace

RGauge::RGauge(int x, int y, int faceId, int maximum, int page, OMTrinketWindow* host)
    : RSliderBase(host, false, maximum, page), x_(x), y_(y), faceId_(faceId)
{
  if (faceId != 0) face_ = makeSliderImage(faceId, 0, x, y, host);
  needle_ = makeSliderImage(needleImageId, 0, x + trackOffset, y, host);
  const int width = sliderImageWidth(needle_.get(), fallbackSize);
  const int height = sliderImageHeight(needle_.get(), fallbackSize);
  const int left = x + trackOffset;
  setGeometry(OMRect(left, y, left + trackLength, y + height),
              OMRect(left, y, left + width, y + height), OMRect::empty(), OMRect::empty());
}

RGauge::~RGauge() = default;

std::unique_ptr<OMScriptableObject> RGauge::create()
{
  int n[5];
  for (int& number : n)
    number = clampCoordinate(std::atoll(popScriptArg()));
  return std::make_unique<RGauge>(n[0], n[1], n[2], n[3], n[4], OMTrinketWindow::mainHost());
}

void RGauge::stateText(char* buffer, std::size_t size) const
{
  std::snprintf(buffer, size, "%d %d %d %d %d", x_, y_, faceId_, maximum(), page());
}

void RGauge::setAttribute(int code, int a, int b)
{
  RSliderBase::setAttribute(code, a, b);
  if (code != 4) return;
  for (OMAnimation* image : {face_.get(), needle_.get()})
    if (image) image->setVisible(a);
}

void RGauge::thumbMoved()
{
  if (needle_) needle_->setPosition(thumb().left(), thumb().top());
}
