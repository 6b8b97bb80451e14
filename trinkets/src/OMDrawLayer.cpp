#include "trinkets/src/OMDrawLayer.h"

#include <windows.h>

#include "framework/OMCanvas.h"
#include "framework/OMIStream.h"
#include "framework/OMRegion.h"
#include "framework/OMResHandle.h"
#include "trinkets/src/OMScriptableObjectProperty.h"

void OMDrawLayer::loadFromStream(OMIStream* stream)
{
  delete stream;
}

void OMDrawLayer::loadFromResource(OMResHandle* handle, bool release)
{
  if (release) delete handle;
}

OMRect OMDrawLayer::draw(OMCanvas* target, const OMRegion& area)
{
  static const OMRGBColor white(0xFFFF, 0xFFFF, 0xFFFF);
  if (target == nullptr || area.isEmpty()) return OMRect();
  const OMRect painted =
      area.bounds().intersection(OMRect(0, 0, target->width(), target->height()));
  if (!painted.hasArea() || !target->beginDraw()) return OMRect();
  const COLORREF value = target->deviceColor(white);
  if (value != CLR_INVALID) {
    HBRUSH brush = CreateSolidBrush(value);
    FillRgn(target->deviceContext(), area.handle(), brush);
    DeleteObject(brush);
  }
  target->endDraw();
  return painted;
}

void OMDrawLayer::setLink(int index, const OMLink* link)
{
  if (index < 0 || index >= linkCount) return;
  OMScriptableObjectProperty::replaceLink(links_[index], link);
}
