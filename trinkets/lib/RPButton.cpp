#include "trinkets/lib/RPButton.h"

#include <cstdio>
#include <cstdlib>

#include <windows.h>

#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMSystem.h"
#include "framework/OMWaveSound.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RPButton", &RPButton::create);

constexpr int upFrame = 1, downFrame = 2, disabledFrame = 3;
constexpr std::uint16_t noSound = 65535;
constexpr std::int32_t shortestDelay = 50;

// Copied from the trinket base's defaults when the program starts; the shell replaces them.
OMCursor* defaultTracking = OMTrinket::defaultTrackingCursor();
OMCursor* defaultHover = OMTrinket::defaultHoverCursor();
RPButton::ClickSoundPlayer clickPlayer = nullptr;

std::unique_ptr<OMIStream> resolveAnimation(int id)
{
  if (!OMAnimation::animationResolver) return nullptr;
  return OMAnimation::animationResolver(static_cast<std::uint16_t>(id));
}

}  // namespace

RPButton::RPButton(std::unique_ptr<OMIStream> animation, OMTrinketWindow* host)
    : OMAnimation(std::move(animation), noPosition, noPosition, host)
{
  setUp();
}

RPButton::RPButton(const OMPoint& point, std::unique_ptr<OMIStream> animation,
                   OMTrinketWindow* host)
    : OMAnimation(std::move(animation), point.x, point.y, host)
{
  setUp();
}

RPButton::RPButton(const OMPoint& point, int resourceId, OMTrinketWindow* host)
    : RPButton(point, resolveAnimation(resourceId), host)
{
}

RPButton::RPButton(int resourceId, OMTrinketWindow* host)
    : RPButton(resolveAnimation(resourceId), host)
{
}

RPButton::RPButton(const RPButton& other) : OMAnimation(other), playDelay_(other.playDelay_)
{
  setUp();
}

RPButton::~RPButton()
{
  hitLink_.reset();
  clickSound_.reset();
  clickSoundResource_.reset();
}

void RPButton::setUp()
{
  setTrackingCursor(defaultTracking);
  setHoverCursor(defaultHover);
  refreshHover();
}

std::unique_ptr<OMScriptableObject> RPButton::create()
{
  const char* a = popScriptArg();
  const char* b = popScriptArg();
  const char* c = popScriptArg();
  if (!animationResolver) return nullptr;
  int id;
  bool placed = false;
  OMPoint point;
  if (*c) {
    id = std::atoi(c);
    point = OMPoint(coordinateOf(a), coordinateOf(b));
    placed = true;
  } else if (*a) {
    id = std::atoi(a);
  } else {
    return nullptr;
  }
  std::unique_ptr<OMIStream> stream = resolveAnimation(id);
  if (!stream) {
    reportMissingResource("RPButton", "ASEQ", static_cast<std::uint16_t>(id));
    return nullptr;
  }
  OMTrinketWindow* host = OMTrinketWindow::mainHost();
  auto button = placed ? std::make_unique<RPButton>(point, std::move(stream), host)
                       : std::make_unique<RPButton>(std::move(stream), host);
  // A damaged resource, reported as it was read, has no images to show.
  if (button->sequenceCount() == 0) return nullptr;
  return button;
}

std::unique_ptr<OMScriptableObject> RPButton::clone() const
{
  auto copy = std::make_unique<RPButton>(*this);
  copyMembers(copy.get());
  return copy;
}

void RPButton::stateText(char* buffer, std::size_t size) const
{
  std::snprintf(buffer, size, "%d %d", x(), y());
}

void RPButton::registerMembers()
{
  OMAnimation::registerMembers();
  addEvent("hit");
  const OMLinkToObj<RPButton> play(this, &RPButton::playMember);
  addDefaultMethod(&play);
  addProperty("enabled", OMLinkToObj<RPButton>(this, &RPButton::setEnabled, 0),
              OMLinkToObj<RPButton>(this, &RPButton::getEnabled, 0));
  addProperty("clickSoundID", OMLinkToObj<RPButton>(this, &RPButton::setClickSound, 0),
              OMLinkToObj<RPButton>(this, &RPButton::getClickSound, 0));
  addProperty("playDelay", OMLinkToObj<RPButton>(this, &RPButton::setDelay, 0),
              OMLinkToObj<RPButton>(this, &RPButton::getDelay, 0));
}

void RPButton::onMouseDown()
{
  goToFrame(downFrame, 0);
  grabInput(1, 0);
  playClickSound();
}

void RPButton::onDoubleClick()
{
  onMouseDown();
}

void RPButton::onDrag()
{
  const bool inside = containsPoint(currentEventMousePoint());
  if (!inside) {
    showDefaultCursor();
  } else {
    showHoverCursor();
    if (frameNumber() == upFrame) playClickSound();
  }
  goToFrame(inside ? downFrame : upFrame, 0);
}

void RPButton::onMouseUp()
{
  goToFrame(upFrame, 0);
  grabInput(0, 0);
  if (!containsPoint(currentEventMousePoint())) return;
  if (hitLink_) {
    // Without argument: a link with a bound word receives that word.
    hitLink_->call();
  } else {
    raise("hit");
  }
}

void RPButton::tick()
{
  const std::weak_ptr<int> alive = alive_;
  OMAnimation::tick();
  if (alive.expired() || !playPending_) return;
  // Unsigned difference: the clock may start anywhere, even at 0.
  if (timeGetTime() - playStart_ > static_cast<std::uint32_t>(playDelay_)) {
    // A button disabled meanwhile stays on its disabled image.
    goToFrame(isTouchy() ? upFrame : disabledFrame, 0);
    playPending_ = false;
  }
}

void RPButton::setHitLink(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(hitLink_, link);
}

void RPButton::setDefaultTrackingCursor(OMCursor* cursor)
{
  defaultTracking = cursor;
}

void RPButton::setDefaultHoverCursor(OMCursor* cursor)
{
  defaultHover = cursor;
}

void RPButton::setClickSoundPlayer(ClickSoundPlayer player)
{
  clickPlayer = player;
}

void RPButton::playClickSound()
{
  if (clickSoundId_ == noSound) return;
  if (clickPlayer) {
    clickPlayer(clickSoundId_);
    return;
  }
  if (!clickSound_ && soundResolver) {
    clickSoundResource_ = soundResolver(clickSoundId_);
    if (!clickSoundResource_) {
      reportMissingResource("RPButton", "WAVE", clickSoundId_);
    } else {
      clickSound_ = std::make_unique<OMWaveSound>(clickSoundResource_.get(), 0);
      if (clickSound_->load()) {
        clickSound_->setLoopCount(1);
      } else {
        reportDamagedResource("RPButton", "WAVE", clickSoundId_, nullptr);
        dropClickSound();
      }
    }
  }
  if (!clickSound_) return;
  clickSound_->detach();
  clickSound_->play(1);
}

void RPButton::dropClickSound()
{
  clickSound_.reset();
  clickSoundResource_.reset();
}

OMWord RPButton::playMember()
{
  goToFrame(downFrame, 0);
  playStart_ = timeGetTime();
  playPending_ = true;
  playClickSound();
  return 1;
}

OMWord RPButton::setEnabled(OMWord text)
{
  const int on = std::atoi(reinterpret_cast<const char*>(text));
  setTouchy(on);
  goToFrame(on ? upFrame : disabledFrame, 0);
  return 1;
}

OMWord RPButton::getEnabled(OMWord buffer)
{
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%d", isTouchy());
  return 1;
}

OMWord RPButton::setClickSound(OMWord text)
{
  const auto id = static_cast<std::uint16_t>(std::atoi(reinterpret_cast<const char*>(text)));
  if (id == clickSoundId_) return 1;
  dropClickSound();
  clickSoundId_ = id;
  return 1;
}

OMWord RPButton::getClickSound(OMWord buffer)
{
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%d",
                static_cast<std::int16_t>(clickSoundId_));
  return 1;
}

OMWord RPButton::setDelay(OMWord text)
{
  const int value = std::atoi(reinterpret_cast<const char*>(text));
  playDelay_ = value <= shortestDelay ? shortestDelay : value;
  return 1;
}

OMWord RPButton::getDelay(OMWord buffer)
{
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%ld",
                static_cast<long>(playDelay_));
  return 1;
}
