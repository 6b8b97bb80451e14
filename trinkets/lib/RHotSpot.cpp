#include "trinkets/lib/RHotSpot.h"

#include <algorithm>
#include <cstdlib>

#include "framework/OMCanvas.h"
#include "framework/OMEdition.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMRGBColor.h"
#include "trinkets/lib/ScopedCanvasPens.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RHotSpot", &RHotSpot::create);

constexpr OMRGBColor outlineRed(0xFFFF, 0, 0);

int popNumber()
{
  return clampCoordinate(std::atoi(popScriptArg()));
}

}  // namespace

RHotSpot::CursorLookup RHotSpot::cursorLookup_ = nullptr;
std::unique_ptr<OMLink> RHotSpot::destructionLink_;

RHotSpot::RHotSpot(const OMPoint& topLeft, const OMPoint& bottomRight, int z, OMTrinketWindow* host)
    : RHotSpot(OMRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y), z, host)
{
}

RHotSpot::RHotSpot(const OMRect& rect, int z, OMTrinketWindow* host) : OMTrinket(host, 2)
{
  setRect(rect);
  // The assessment edition keeps the trinket's depth and movability: a press stays its own
  // until the release, which "hit" answers; it never moves.
  if (OMEdition::isAssessment()) return;
  if (z != this->z()) setZ(z);
  setMovable(0);
  setConfined(1);
}

RHotSpot::~RHotSpot()
{
  if (destructionLink_) destructionLink_->clone()->call(reinterpret_cast<OMWord>(this));
}

std::unique_ptr<OMScriptableObject> RHotSpot::create()
{
  OMTrinketWindow* host = OMTrinketWindow::mainHost();
  if (OMEdition::isAssessment()) {
    const int x1 = popNumber(), y1 = popNumber(), x2 = popNumber(), y2 = popNumber();
    const int cursorFlag = std::atoi(popScriptArg());
    auto spot = std::make_unique<RHotSpot>(
        OMRect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)), 0, host);
    spot->useTrinketCursor_ = cursorFlag == 0 ? 1 : 0;
    return spot;
  }
  const int left = popNumber(), top = popNumber(), right = popNumber(), bottom = popNumber();
  const int z = std::atoi(popScriptArg());
  return std::make_unique<RHotSpot>(OMPoint(left, top), OMPoint(right, bottom), z, host);
}

void RHotSpot::setDestructionLink(const OMLink* link)
{
  destructionLink_ = link ? link->clone() : nullptr;
}

void RHotSpot::registerMembers()
{
  if (OMEdition::isAssessment()) {
    addMethod("top", OMLinkToObj<RHotSpot>(this, &RHotSpot::topMember));
    addEvent("hit");
    addEvent("dblClick");
    return;
  }
  OMTrinket::registerMembers();
  addProperty("outlined", OMLinkToObj<RHotSpot>(this, &RHotSpot::setOutlinedMember, 0),
              OMLinkToObj<RHotSpot>(this, &RHotSpot::getOutlinedMember, 0));
  addProperty("userData", OMLinkToObj<RHotSpot>(this, &RHotSpot::setUserDataMember, 0),
              OMLinkToObj<RHotSpot>(this, &RHotSpot::getUserDataMember, 0));
  addMethod("setAOCursor", OMLinkToObj<RHotSpot>(this, &RHotSpot::setAOCursorMember));
  addMethod("stamp", OMLinkToObj<RHotSpot>(this, &RHotSpot::stampMember));
}

void RHotSpot::drawFrame(OMCanvas* canvas, int dx, int dy) const
{
  const ScopedCanvasPens kept(*canvas);
  canvas->setFrameColor(outlineRed);
  canvas->setFrame(true);
  canvas->setFill(false);
  OMRect area = rect();
  area.offset(-dx, -dy);
  canvas->drawRect(area);
}

void RHotSpot::paint()
{
  if (OMEdition::isAssessment() || !isOutlined_) return;
  if (OMMemCanvas* canvas = windowCanvas()) drawFrame(canvas, 0, 0);
}

bool RHotSpot::containsPoint(const OMPoint& point) const
{
  // The region behind the base's test would put the corners in order.
  const OMRect& r = rect();
  return r.right() >= r.left() && r.bottom() >= r.top() && OMTrinket::containsPoint(point);
}

void RHotSpot::setOutlined(int flag)
{
  isOutlined_ = flag;
  invalidate();
}

void RHotSpot::stamp()
{
  if (isRunning()) return;
  if (OMDrawLayer* layer = window() ? window()->background() : nullptr) {
    setRunning(1);
    layer->stamp(rect());
    invalidate();
    if (OMCanvas* canvas = layer->canvas(); canvas && isOutlined_ == 1) {
      const OMRect& image = layer->imageRect();
      drawFrame(canvas, image.left(), image.top());
    }
  }
  setVisible(0);
}

void RHotSpot::showTrackingCursor()
{
  if (!OMEdition::isAssessment()) OMTrinket::showTrackingCursor();
}

void RHotSpot::showHoverCursor()
{
  if (OMEdition::isAssessment() && !useTrinketCursor_) {
    showDefaultCursor();
    return;
  }
  OMTrinket::showHoverCursor();
}

void RHotSpot::onMouseUp()
{
  OMTrinket::onMouseUp();
  if (OMEdition::isAssessment()) raise("hit");
}

void RHotSpot::reorder()
{
  if (!OMEdition::isAssessment()) OMTrinket::reorder();
}

void RHotSpot::offset(int& dx, int& dy)
{
  if (!OMEdition::isAssessment()) OMTrinket::offset(dx, dy);
}

OMWord RHotSpot::setOutlinedMember(OMWord text)
{
  setOutlined(std::atoi(reinterpret_cast<const char*>(text)));
  return 1;
}

OMWord RHotSpot::getOutlinedMember(OMWord buffer)
{
  return writeNumber(buffer, isOutlined_);
}

OMWord RHotSpot::setUserDataMember(OMWord text)
{
  const char* value = reinterpret_cast<const char*>(text);
  userData_ = value ? value : "";
  return 1;
}

OMWord RHotSpot::getUserDataMember(OMWord buffer)
{
  return writeText(buffer, userData_.c_str());
}

OMWord RHotSpot::setAOCursorMember()
{
  const auto id = static_cast<std::uint16_t>(std::atoi(popScriptArg()));
  if (!cursorLookup_) return 1;
  setTrackingCursor(cursorLookup_(id));
  setHoverCursor(cursorLookup_(id));
  return 1;
}

OMWord RHotSpot::stampMember()
{
  stamp();
  return 1;
}

OMWord RHotSpot::topMember()
{
  if (OMTrinketWindow* host = window()) setZ(host->highestZ() + 1);
  return 1;
}
