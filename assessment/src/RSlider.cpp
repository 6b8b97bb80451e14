#include "assessment/src/RSlider.h"

#include <cstdio>
#include <cstdlib>

#include "framework/OMMemCanvas.h"
#include "framework/OMRGBColor.h"
#include "trinkets/lib/ScopedCanvasPens.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RSlider", &RSlider::create, TrinketRecord::assessmentEditionOnly);

constexpr OMRGBColor trackGrey(0xC000, 0xC000, 0xC000);
constexpr OMRGBColor partGrey(0x8000, 0x8000, 0x8000);

}  // namespace

RSlider::RSlider(const OMRect& rect, int maximum, int page, OMTrinketWindow* host)
    : RSliderBase(host, rect.width() < rect.height(), maximum, page)
{
  const int thick = isVertical() ? rect.width() : rect.height();
  const OMRect first(rect.left(), rect.top(), rect.left() + thick, rect.top() + thick);
  const OMRect last(rect.right() - thick, rect.bottom() - thick, rect.right(), rect.bottom());
  setGeometry(rect, first, first, last);
}

std::unique_ptr<OMScriptableObject> RSlider::create()
{
  int n[6];
  for (int& number : n)
    number = clampCoordinate(std::atoll(popScriptArg()));
  return std::make_unique<RSlider>(OMRect(n[0], n[1], n[2], n[3]), n[4], n[5],
                                   OMTrinketWindow::mainHost());
}

void RSlider::stateText(char* buffer, std::size_t size) const
{
  std::snprintf(buffer, size, "%d %d %d %d %d %d", track().left(), track().top(), track().right(),
                track().bottom(), maximum() + 1, page());
}

void RSlider::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  if (!canvas) return;
  const ScopedCanvasPens kept(*canvas);
  canvas->setFrame(false);
  canvas->setFill(true);
  canvas->setFillColor(trackGrey);
  canvas->drawRect(track());
  canvas->setFillColor(partGrey);
  for (const OMRect* part : {&decrementArrow(), &incrementArrow(), &thumb()})
    canvas->drawRect(*part);
}
