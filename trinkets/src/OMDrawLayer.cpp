#include "trinkets/src/OMDrawLayer.h"

#include "framework/OMCanvas.h"
#include "framework/OMRGBColor.h"
#include "framework/OMRegion.h"

void OMDrawLayer::draw(OMCanvas* target, const OMRegion& area)
{
  if (!target || area.isEmpty()) return;
  static const OMRGBColor white(0xFFFF, 0xFFFF, 0xFFFF);
  target->setFillColor(white);
  target->setFill(true);
  target->setFrame(false);
  target->drawRegion(area);
  target->setFrame(true);
}

void OMDrawLayer::setLink(int index, const OMLink* link)
{
  if (index < 0 || index >= linkCount) return;
  std::unique_ptr<OMLink> replacement = cloneLink(link);
  links_[index] = std::move(replacement);
}
