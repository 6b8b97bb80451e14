#include "assessment/src/RWSlider.h"

#include <cstdio>
#include <cstdlib>

#include "assessment/src/SliderImages.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RWSlider", &RWSlider::create, TrinketRecord::assessmentEditionOnly);

}  // namespace

RWSlider::RWSlider(int x, int y, int length, bool vertical, int maximum, int page,
                   OMTrinketWindow* host)
    : RSliderBase(host, vertical, maximum, page), x_(x), y_(y), length_(length)
{
  thumbImage_ = makeSliderImage(thumbImageId, 0, x, y, host);
  const int width = sliderImageWidth(thumbImage_.get(), arrowLength);
  const int height = sliderImageHeight(thumbImage_.get(), arrowLength);
  OMRect track, thumb, decrement, increment;
  if (vertical) {
    track.set(x, y, x + width, y + length);
    thumb.set(x, y, x + width, y + height);
    decrement.set(x, y - arrowLength, x + width, y);
    increment.set(x, y + length, x + width, y + length + arrowLength);
  } else {
    track.set(x, y, x + length, y + height);
    thumb.set(x, y, x + width, y + height);
    decrement.set(x - arrowLength, y, x, y + height);
    increment.set(x + length, y, x + length + arrowLength, y + height);
  }
  decrementImage_ = makeSliderImage(arrowImageId, 0, decrement.left(), decrement.top(), host);
  incrementImage_ = makeSliderImage(arrowImageId, 1, increment.left(), increment.top(), host);
  setGeometry(track, thumb, decrement, increment);
}

RWSlider::~RWSlider() = default;

std::unique_ptr<OMScriptableObject> RWSlider::create()
{
  int n[6];
  for (int& number : n)
    number = clampCoordinate(std::atoll(popScriptArg()));
  const bool vertical = n[3] != 0;
  const int length = clampLength(vertical ? n[1] : n[0], n[2]);
  return std::make_unique<RWSlider>(n[0], n[1], length, vertical, n[4], n[5],
                                    OMTrinketWindow::mainHost());
}

void RWSlider::stateText(char* buffer, std::size_t size) const
{
  std::snprintf(buffer, size, "%d %d %d %d %d %d", x_, y_, length_, isVertical() ? 1 : 0, maximum(),
                page());
}

void RWSlider::setAttribute(int code, int a, int b)
{
  RSliderBase::setAttribute(code, a, b);
  if (code != 4) return;
  for (OMAnimation* image : {thumbImage_.get(), decrementImage_.get(), incrementImage_.get()})
    if (image) image->setVisible(a);
}

void RWSlider::thumbMoved()
{
  if (thumbImage_) thumbImage_->setPosition(thumb().left(), thumb().top());
}

void RWSlider::showArrow(int mode, bool pressed)
{
  OMAnimation* image = mode == onDecrement ? decrementImage_.get() : incrementImage_.get();
  if (image) image->goToFrame(pressed ? 2 : 1, 1);
}
