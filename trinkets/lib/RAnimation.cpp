#include "trinkets/lib/RAnimation.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/OMEdition.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMRegion.h"
#include "framework/OMSystem.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RAnimation", &RAnimation::create);

OMCursor* defaultTracking = nullptr;
OMCursor* defaultHover = nullptr;
RAnimation::CursorLookup cursorLookup = nullptr;

std::unique_ptr<OMLink>& deletionHook()
{
  static std::unique_ptr<OMLink> hook;
  return hook;
}

// The stage the tracking release is measured against.
constexpr int stageWidth = 640, stageHeight = 480;
constexpr int trackingSlop = 5;

int number(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

}  // namespace

RAnimation::RAnimation(std::unique_ptr<OMIStream> stream, int x, int y, OMTrinketWindow* host)
    : OMAnimation(std::move(stream), x, y, host)
{
  setUp();
}

RAnimation::RAnimation(const RAnimation& other) : OMAnimation(other)
{
  setUp();
  // The copied tracking hooks would press and release the source.
  if (other.tracking_) setTracking(false);
}

RAnimation::~RAnimation()
{
  if (OMEdition::isAssessment() && deletionHook())
    deletionHook()->call(reinterpret_cast<OMWord>(this));
  if (isRunning()) unstamp();
  userData_.reset();
  frameLink_.reset();
}

void RAnimation::setUp()
{
  // The base's own notification would raise the event for control entries too.
  OMAnimation::setFrameNotification(nullptr);
  setTrackingCursor(defaultTracking);
  setHoverCursor(defaultHover);
  setConfined(0);
}

std::unique_ptr<OMScriptableObject> RAnimation::create()
{
  const char* a = popScriptArg();
  const char* b = popScriptArg();
  const char* c = popScriptArg();
  if (!animationResolver) return nullptr;
  const bool placed = *b != 0;
  const auto id = static_cast<std::uint16_t>(std::atoi(placed ? c : a));
  std::unique_ptr<OMIStream> stream = animationResolver(id);
  if (!stream) {
    reportMissingResource("RAnimation", "ASEQ", id);
    return nullptr;
  }
  auto animation = std::make_unique<RAnimation>(
      std::move(stream), placed ? coordinateOf(a) : noPosition,
      placed ? coordinateOf(b) : noPosition, OMTrinketWindow::mainHost());
  // A damaged resource, reported as it was read, has no sequence to show.
  if (animation->sequenceCount() == 0) return nullptr;
  return animation;
}

std::unique_ptr<OMScriptableObject> RAnimation::clone() const
{
  auto copy = std::make_unique<RAnimation>(*this);
  copyMembers(copy.get());
  return copy;
}

void RAnimation::registerMembers()
{
  OMAnimation::registerMembers();
  using Link = OMLinkToObj<RAnimation>;
  const bool game = !OMEdition::isAssessment();
  addProperty("frameCount", Link(this, &RAnimation::ignoreSet, 0),
              Link(this, &RAnimation::getFrameCount, 0));
  addProperty("frameNotification", Link(this, &RAnimation::setMode, 0),
              Link(this, &RAnimation::getMode, 0));
  addProperty("framerate", Link(this, &RAnimation::setFrameRateMember, 0),
              Link(this, &RAnimation::getFrameRate, 0));
  addProperty("height", Link(this, &RAnimation::ignoreSet, 0),
              Link(this, &RAnimation::getHeight, 0));
  addProperty("repeatCount", Link(this, &RAnimation::setRepeatMember, 0),
              Link(this, &RAnimation::getRepeat, 0));
  addProperty("soundSync", Link(this, &RAnimation::setSoundSync, 0),
              Link(this, &RAnimation::getSoundSync, 0));
  addProperty("userData", Link(this, &RAnimation::setUserData, 0),
              Link(this, &RAnimation::getUserData, 0));
  addProperty("width", Link(this, &RAnimation::ignoreSet, 0), Link(this, &RAnimation::getWidth, 0));
  if (game) {
    const Link setter(this, &RAnimation::setTrackingMember, 0);
    addProperty("tracking", &setter, nullptr);
  }
  addMethod("hide", Link(this, &RAnimation::hideMember));
  addMethod("show", Link(this, &RAnimation::showMember));
  addMethod("paint", Link(this, &RAnimation::paintMember));
  addMethod("pause", Link(this, &RAnimation::pauseMember));
  addMethod("play", Link(this, &RAnimation::playMember));
  addMethod("suspend", Link(this, &RAnimation::suspendMember));
  addMethod("resume", Link(this, &RAnimation::resumeMember));
  if (game) addMethod("attachSound", Link(this, &RAnimation::attachSoundMember));
  addMethod("replacePaletteEntry", Link(this, &RAnimation::replacePaletteEntryMember));
  addMethod("setAOCursor", Link(this, &RAnimation::setAOCursorMember));
  addEvent("frameNotify");
  if (game) {
    addEvent("startTracking");
    addEvent("endTracking");
  }
}

void RAnimation::setFrameNotification(int mode, const OMLink* link)
{
  if (mode == 1) {
    const OMLinkToObj<RAnimation> notify(this, &RAnimation::notifyFrame);
    OMAnimation::setFrameNotification(&notify);
  } else {
    OMAnimation::setFrameNotification(nullptr);
  }
  mode_ = mode;
  OMScriptableObjectProperty::replaceLink(frameLink_, link);
}

OMWord RAnimation::notifyFrame()
{
  const std::weak_ptr<int> alive = alive_;
  const OMFrameEntry* entry = frameEntry(-1);
  if (entry && entry->isDisplayable()) raise("frameNotify");
  if (!alive.expired() && frameLink_) {
    std::unique_ptr<OMLink> link = frameLink_->clone();
    link->call(reinterpret_cast<OMWord>(this));
  }
  return 1;
}

void RAnimation::setTracking(bool on)
{
  tracking_ = on ? 1 : 0;
  if (on) {
    const OMLinkToObj<RAnimation> press(this, &RAnimation::trackPress);
    const OMLinkToObj<RAnimation> release(this, &RAnimation::trackRelease);
    setMouseDownHook(&press);
    setMouseUpHook(&release);
  } else {
    setMouseDownHook(nullptr);
    setMouseUpHook(nullptr);
  }
}

bool RAnimation::holdsMouse() const
{
  return inputMode() == holdingInput || inputMode() == holdingWithHover;
}

OMWord RAnimation::trackPress()
{
  pressPoint_ = currentEventMousePoint();
  if (!holdsMouse()) {
    grabInput(1, 0);
    raise("startTracking");
  } else {
    grabInput(0, 0);
    raise("endTracking");
  }
  return 1;
}

OMWord RAnimation::trackRelease()
{
  const OMPoint p = currentEventMousePoint();
  if (p.x < 0 || p.x > stageWidth || p.y < 0 || p.y > stageHeight) {
    grabInput(0, 0);
    raise("endTracking");
    return 1;
  }
  const bool moved = std::abs(p.x - pressPoint_.x) >= trackingSlop ||
                     std::abs(p.y - pressPoint_.y) >= trackingSlop;
  if (moved && holdsMouse()) {
    grabInput(0, 0);
    raise("endTracking");
  }
  return 1;
}

void RAnimation::setDefaultTrackingCursor(OMCursor* cursor)
{
  defaultTracking = cursor;
}

void RAnimation::setDefaultHoverCursor(OMCursor* cursor)
{
  defaultHover = cursor;
}

void RAnimation::setCursorLookup(CursorLookup lookup)
{
  cursorLookup = lookup;
}

void RAnimation::setDeletionHook(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(deletionHook(), link);
}

OMWord RAnimation::getFrameCount(OMWord buffer)
{
  return writeNumber(buffer, frameCount());
}

OMWord RAnimation::getMode(OMWord buffer)
{
  return writeNumber(buffer, mode_);
}

OMWord RAnimation::setMode(OMWord text)
{
  setFrameNotification(number(text), nullptr);
  return 1;
}

OMWord RAnimation::getFrameRate(OMWord buffer)
{
  return writeNumber(buffer, frameRate());
}

OMWord RAnimation::setFrameRateMember(OMWord text)
{
  setFrameRate(number(text));
  return 1;
}

OMWord RAnimation::getHeight(OMWord buffer)
{
  return writeNumber(buffer, rect().height());
}

OMWord RAnimation::getWidth(OMWord buffer)
{
  return writeNumber(buffer, rect().width());
}

OMWord RAnimation::getRepeat(OMWord buffer)
{
  return writeNumber(buffer, repeat());
}

OMWord RAnimation::setRepeatMember(OMWord text)
{
  setRepeat(number(text));
  return 1;
}

OMWord RAnimation::getSoundSync(OMWord buffer)
{
  return writeNumber(buffer, waitForSound());
}

OMWord RAnimation::setSoundSync(OMWord text)
{
  setWaitForSound(number(text));
  return 1;
}

OMWord RAnimation::getUserData(OMWord buffer)
{
  // Never set reads as empty, not as whatever the shared buffer last held.
  const std::string& text = userData_ ? *userData_ : std::string();
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%s", text.c_str());
  return 1;
}

OMWord RAnimation::setUserData(OMWord text)
{
  userData_ = std::make_unique<std::string>(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RAnimation::setTrackingMember(OMWord text)
{
  setTracking(*reinterpret_cast<const char*>(text) != 0);
  return 1;
}

OMWord RAnimation::ignoreSet(OMWord)
{
  return 1;
}

OMWord RAnimation::hideMember()
{
  setVisible(0);
  return 1;
}

OMWord RAnimation::showMember()
{
  setVisible(1);
  return 1;
}

OMWord RAnimation::paintMember()
{
  const char* x = popScriptArg();
  const char* y = popScriptArg();
  OMDrawLayer* layer = window() ? window()->background() : nullptr;
  OMCanvas* canvas = layer ? layer->canvas() : nullptr;
  if (!canvas) return 1;
  const int px = *x ? std::atoi(x) : this->x();
  const int py = *x ? std::atoi(y) : this->y();
  drawCurrentAt(px, py, canvas);
  window()->addDirtyRegion(OMRegion(OMRect(px, py, px + rect().width(), py + rect().height())));
  return 1;
}

OMWord RAnimation::pauseMember()
{
  pause();
  return 1;
}

OMWord RAnimation::playMember()
{
  resume();
  return 1;
}

OMWord RAnimation::suspendMember()
{
  pauseWithSounds();
  return 1;
}

OMWord RAnimation::resumeMember()
{
  resumeWithSounds();
  return 1;
}

OMWord RAnimation::attachSoundMember()
{
  const int frame = std::atoi(popScriptArg());
  const int sound = std::atoi(popScriptArg());
  addFrameSound(static_cast<std::uint16_t>(sound), frame);
  return 1;
}

OMWord RAnimation::replacePaletteEntryMember()
{
  const auto from = static_cast<std::uint8_t>(std::atoi(popScriptArg()));
  const auto to = static_cast<std::uint8_t>(std::atoi(popScriptArg()));
  replaceColor(from, to, -2);
  return 1;
}

OMWord RAnimation::setAOCursorMember()
{
  const auto a = static_cast<std::uint16_t>(std::atoi(popScriptArg()));
  const auto b = static_cast<std::uint16_t>(std::atoi(popScriptArg()));
  if (!cursorLookup) return 1;
  setTrackingCursor(cursorLookup(b));
  setHoverCursor(cursorLookup(a));
  return 1;
}
