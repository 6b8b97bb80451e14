#include "game/RArcadeAO.h"

#include <algorithm>
#include <cstdlib>

#include <windows.h>

#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMSystem.h"
#include "framework/OMTask.h"
#include "game/ArcadeMotion.h"
#include "game/EverythingPause.h"
#include "game/WorldField.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord actorRecord("RArcadeAO", &RArcadeAO::create, TrinketRecord::gameEditionOnly);

constexpr int stageWidth = 640, stageHeight = 480;
// The key-code of the arrows, and the background flags the actor clears (press, release,
// drag).
constexpr std::uint32_t leftArrow = 0xE809, upArrow = 0xE80A, rightArrow = 0xE80B,
                        downArrow = 0xE80C;
constexpr std::uint32_t layerInputFlags = 7;
// A move larger than this on the axis of the direction shows the second animation of the
// pair, a smaller one the first; this one keeps the animation shown.
constexpr int keepingStep = 10;
constexpr int easing = 5;

std::vector<RArcadeAO*>& liveActors()
{
  static std::vector<RArcadeAO*> actors;
  return actors;
}

int numberArgument()
{
  return decimalValueOf(popScriptArg());
}

int numberOf(OMWord text)
{
  return decimalValueOf(reinterpret_cast<const char*>(text));
}

void pauseActor(OMTrinket* trinket)
{
  if (auto* actor = dynamic_cast<RArcadeAO*>(trinket)) actor->setPaused(1);
}

void resumeActor(OMTrinket* trinket)
{
  if (auto* actor = dynamic_cast<RArcadeAO*>(trinket)) actor->setPaused(0);
}

const bool pauseHooksInstalled = (setClassPauseHooks("RArcadeAO", &pauseActor, &resumeActor), true);

// Plays the animation on from where it stands, or from its start once it has run out.
void playOn(OMAnimation* animation)
{
  const OMFrameEntry* entry = animation->frameEntry(-1);
  if (animation->playState() == OMAnimation::stopped || !entry ||
      entry->image == OMFrameEntry::end) {
    animation->rewind();
    animation->restartTiming();
    return;
  }
  animation->resume();
}

}  // namespace

RArcadeAO::RArcadeAO(int mainId, int x, int y, int z, int step, OMTrinketWindow* host)
    : OMTrinket(host, 2), step_(boundedCoordinate(step)), box_(0, 0, stageWidth, stageHeight)
{
  (void)pauseHooksInstalled;
  liveActors().push_back(this);
  ArcadeAnim* main = mainId ? setAnim(mainId, mainKey) : nullptr;
  if (main && main->animation) {
    OMAnimation* animation = main->animation.get();
    setRect(animation->rect());
    box_ = OMRect(0, 0, stageWidth - animation->rect().width(),
                  stageHeight - animation->rect().height());
    setPosition(x, y);
    setZ(z);
    animation->setPosition(x, y);
    animation->setZ(z);
  }
  if (!host) return;
  takeLink(keyUpSlot, OMLinkToObj<RArcadeAO>(this, &RArcadeAO::swallow, 0));
  OMDrawLayer* layer = host->background();
  if (!layer) return;
  takeLink(pressSlot, OMLinkToObj<RArcadeAO>(this, &RArcadeAO::backgroundPressed, 0));
  takeLink(releaseSlot, OMLinkToObj<RArcadeAO>(this, &RArcadeAO::backgroundReleased, 0));
  takeLink(pointerMoveSlot, OMLinkToObj<RArcadeAO>(this, &RArcadeAO::pointerMoved, 0));
  takeLink(keyDownSlot, OMLinkToObj<RArcadeAO>(this, &RArcadeAO::keyPressed, 0));
  layer->setFlags(layer->flags() & ~layerInputFlags);
  savedCursor_ = defaultCursor();
  cursorSaved_ = true;
}

RArcadeAO::~RArcadeAO()
{
  for (int slot = 0; slot < slotCount; ++slot)
    giveBackLink(slot);
  if (cursorSaved_) setDefaultCursor(savedCursor_, 0);
  animations_.clear();
  invalidate();
  auto& actors = liveActors();
  actors.erase(std::remove(actors.begin(), actors.end(), this), actors.end());
  if (fidgetTask_)
    if (OMApp* app = OMApp::instance()) app->removeTask(fidgetTask_.get());
}

std::unique_ptr<OMScriptableObject> RArcadeAO::create()
{
  const auto mainId = static_cast<std::uint16_t>(numberArgument());
  const int x = numberArgument();
  const int y = numberArgument();
  const int z = numberArgument();
  const int step = numberArgument();
  return std::make_unique<RArcadeAO>(mainId, x, y, z, step, OMTrinketWindow::mainHost());
}

RArcadeAO* RArcadeAO::current()
{
  const auto& actors = liveActors();
  return actors.empty() ? nullptr : actors.back();
}

std::unique_ptr<OMScriptableObject> RArcadeAO::clone() const
{
  return nullptr;
}

void RArcadeAO::registerMembers()
{
  OMTrinket::registerMembers();
  using Own = OMLinkToObj<RArcadeAO>;
  const Own box(this, &RArcadeAO::setBoundingBox, 0);
  addProperty("boundingBox", &box, nullptr);
  addProperty("paused", Own(this, &RArcadeAO::setField<&RArcadeAO::paused_>, 0),
              Own(this, &RArcadeAO::getField<&RArcadeAO::paused_>, 0));
  addProperty("visible", Own(this, &RArcadeAO::setVisibleMember, 0),
              Own(this, &RArcadeAO::getVisibleMember, 0));
  addProperty("direction", Own(this, &RArcadeAO::setField<&RArcadeAO::direction_>, 0),
              Own(this, &RArcadeAO::getField<&RArcadeAO::direction_>, 0));
  addProperty("x", Own(this, &RArcadeAO::setAxis<true>, 0),
              Own(this, &RArcadeAO::getAxis<true>, 0));
  addProperty("y", Own(this, &RArcadeAO::setAxis<false>, 0),
              Own(this, &RArcadeAO::getAxis<false>, 0));
  addProperty("frame", Own(this, &RArcadeAO::setFrame, 0), Own(this, &RArcadeAO::getFrame, 0));
  addProperty("fast", Own(this, &RArcadeAO::setField<&RArcadeAO::fast_>, 0),
              Own(this, &RArcadeAO::getField<&RArcadeAO::fast_>, 0));
  addMethod("playAnim", Own(this, &RArcadeAO::playAnimMember, 0));
  addMethod("addNavigationAnims", Own(this, &RArcadeAO::addNavigationAnimsMember, 0));
  addMethod("addFidget", Own(this, &RArcadeAO::addFidgetMember, 0));
  addEvent("animDone");
}

// The stage's links.

OMLink* RArcadeAO::heldLink(int slot) const
{
  OMTrinketWindow* stage = window();
  OMDrawLayer* layer = stage ? stage->background() : nullptr;
  switch (slot) {
    case keyDownSlot:
      return stage ? stage->keyDownLink() : nullptr;
    case keyUpSlot:
      return stage ? stage->keyUpLink() : nullptr;
    case pointerMoveSlot:
      return stage ? stage->mouseMoveLink() : nullptr;
    case pressSlot:
      return layer ? layer->link(OMDrawLayer::pressLink) : nullptr;
    default:
      return layer ? layer->link(OMDrawLayer::releaseLink) : nullptr;
  }
}

void RArcadeAO::holdLink(int slot, const OMLink* link)
{
  OMTrinketWindow* stage = window();
  OMDrawLayer* layer = stage ? stage->background() : nullptr;
  if (!stage) return;
  switch (slot) {
    case keyDownSlot:
      stage->setKeyDownLink(link);
      break;
    case keyUpSlot:
      stage->setKeyUpLink(link);
      break;
    case pointerMoveSlot:
      stage->setMouseMoveLink(link);
      break;
    case pressSlot:
      if (layer) layer->setLink(OMDrawLayer::pressLink, link);
      break;
    default:
      if (layer) layer->setLink(OMDrawLayer::releaseLink, link);
      break;
  }
}

void RArcadeAO::takeLink(int slot, const OMLink& mine)
{
  saved_[slot] = cloneLink(heldLink(slot));
  holdLink(slot, &mine);
  holding_[slot] = true;
}

// The link found goes back where this actor's link now sits: on the stage, or in the saved
// links of an actor made later, which found this one's.
void RArcadeAO::giveBackLink(int slot)
{
  if (!holding_[slot]) return;
  holding_[slot] = false;
  OMLink* held = heldLink(slot);
  if (held && held->target() == this) {
    holdLink(slot, saved_[slot].get());
  } else {
    for (RArcadeAO* later : liveActors()) {
      std::unique_ptr<OMLink>& found = later->saved_[slot];
      if (later == this || !later->holding_[slot] || !found || found->target() != this) continue;
      found = std::move(saved_[slot]);
      break;
    }
  }
  saved_[slot].reset();
}

// Calls a clone of the link found, which may end this actor: nothing follows it.
void RArcadeAO::passOn(int slot, OMWord argument)
{
  if (!saved_[slot]) return;
  const std::unique_ptr<OMLink> link = saved_[slot]->clone();
  link->call(argument);
}

OMWord RArcadeAO::swallow(OMWord)
{
  return 0;
}

OMWord RArcadeAO::keyPressed(OMWord)
{
  if (isActive()) steer(static_cast<std::uint32_t>(currentEventWParam()));
  passOn(keyDownSlot, 0);
  return 0;
}

// An arrow steps one way; the opposite arrow held cancels it, an arrow of the other axis held
// adds a step that way.
void RArcadeAO::steer(std::uint32_t key)
{
  const int s = step_;
  int dx = 0, dy = 0;
  if (key == leftArrow || key == rightArrow) {
    if (isKeyDown(key == leftArrow ? rightArrow : leftArrow)) return;
    dx = key == leftArrow ? -s : s;
    if (isKeyDown(upArrow)) {
      dy = -s;
    } else if (isKeyDown(downArrow)) {
      dy = s;
    }
  } else if (key == upArrow || key == downArrow) {
    if (isKeyDown(key == upArrow ? downArrow : upArrow)) return;
    dy = key == upArrow ? -s : s;
    if (isKeyDown(leftArrow)) {
      dx = -s;
    } else if (isKeyDown(rightArrow)) {
      dx = s;
    }
  } else {
    return;
  }
  move(dx, dy);
}

OMWord RArcadeAO::pointerMoved(OMWord)
{
  OMAnimation* shown = animationOf(currentKey_);
  if (isActive() && shown) {
    const OMPoint pointer = currentEventMousePoint();
    std::int64_t dx = std::int64_t(pointer.x) - shown->x();
    std::int64_t dy = std::int64_t(pointer.y) - shown->y();
    if (!fast_) {
      dx /= easing;
      dy /= easing;
    }
    move(boundedCoordinate(dx), boundedCoordinate(dy));
  }
  passOn(pointerMoveSlot, 0);
  return 0;
}

OMWord RArcadeAO::backgroundPressed(OMWord point)
{
  passOn(pressSlot, point);
  return 0;
}

OMWord RArcadeAO::backgroundReleased(OMWord point)
{
  passOn(releaseSlot, point);
  return 0;
}

// Moving.

void RArcadeAO::move(int dx, int dy)
{
  const ScopedConfineDrags confined(1);
  OMAnimation* shown = animationOf(currentKey_);
  if (!shown) return;
  const std::int64_t x = shown->x(), y = shown->y();
  if (x + dx > box_.right()) dx = boundedCoordinate(box_.right() - x);
  if (y + dy > box_.bottom()) dy = boundedCoordinate(box_.bottom() - y);
  if (x + dx < box_.left()) dx = boundedCoordinate(box_.left() - x);
  if (y + dy < box_.top()) dy = boundedCoordinate(box_.top() - y);
  if (fidgetsEnabled_) fidgetDone();
  int key = currentKey_;
  if (direction_ == 0) {
    key = mainKey;
  } else if (direction_ == 1) {
    dy = 0;
    if (dx != keepingStep) key = dx > keepingStep ? 2 : 1;
  } else {
    dx = 0;
    if (dy != keepingStep) key = dy > keepingStep ? 3 : 4;
  }
  // A move with no animation for its key shows the main one, rather than nothing.
  if (!animationOf(key)) key = mainKey;
  offsetBy(dx, dy);
  for (ArcadeAnim& anim : animations_) {
    if (!anim.animation) continue;
    anim.animation->setVisible(0);
    anim.animation->pause();
    anim.animation->offsetBy(dx, dy);
  }
  currentKey_ = key;
  if (OMAnimation* next = animationOf(key)) {
    next->setVisible(1);
    if (key != mainKey) playOn(next);
  }
}

ArcadeAnim* RArcadeAO::record(int key)
{
  for (ArcadeAnim& anim : animations_)
    if (anim.key == key) return &anim;
  return nullptr;
}

OMAnimation* RArcadeAO::animationOf(int key)
{
  ArcadeAnim* found = record(key);
  return found ? found->animation.get() : nullptr;
}

ArcadeAnim* RArcadeAO::setAnim(int id, int key)
{
  ArcadeAnim* found = record(key);
  if (!id || !OMAnimation::animationResolver) return found;
  std::unique_ptr<OMIStream> stream = OMAnimation::animationResolver(id);
  if (!stream) return found;
  auto animation =
      std::make_unique<OMAnimation>(std::move(stream), noPosition, noPosition, window());
  animation->setPosition(x(), y());
  animation->setZ(z());
  animation->setTouchy(0);
  // Only the main animation runs from the start; the others wait until they are shown.
  if (key != mainKey) animation->pause();
  if (!found) {
    animations_.emplace_back();
    found = &animations_.back();
  }
  found->animation = std::move(animation);
  found->id = id;
  found->key = key;
  return found;
}

void RArcadeAO::showMainOnly()
{
  for (ArcadeAnim& anim : animations_) {
    if (!anim.animation) continue;
    anim.animation->setVisible(0);
    anim.animation->pause();
  }
  if (OMAnimation* main = animationOf(mainKey)) main->setVisible(isVisible());
  currentKey_ = mainKey;
}

void RArcadeAO::scheduleFidget()
{
  const std::int64_t spread = std::int64_t(fidgetMaximum_) - fidgetMinimum_;
  const std::int64_t wait = fidgetMinimum_ + (spread > 0 ? std::rand() % spread : 0);
  nextFidget_ = timeGetTime() + static_cast<std::uint32_t>(wait);
}

void RArcadeAO::fidgetDone()
{
  showMainOnly();
  scheduleFidget();
}

OMWord RArcadeAO::fidgetDoneMember(OMWord)
{
  fidgetDone();
  return 0;
}

OMWord RArcadeAO::navigationDone(OMWord)
{
  if (OMAnimation* shown = animationOf(currentKey_)) shown->setVisible(0);
  if (OMAnimation* main = animationOf(mainKey)) {
    main->setPosition(x(), y());
    main->setVisible(isVisible());
  }
  currentKey_ = mainKey;
  if (fidgetsEnabled_) scheduleFidget();
  return 0;
}

OMWord RArcadeAO::fidgetCheck(OMWord)
{
  OMAnimation* fidget = animationOf(fidgetKey);
  const auto waited = static_cast<std::int32_t>(timeGetTime() - nextFidget_);
  if (!fidget || waited <= 0 || !isVisible() || currentKey_ != mainKey || paused_) return 0;
  if (OMAnimation* main = animationOf(mainKey)) main->setVisible(0);
  fidget->setPosition(x(), y());
  fidget->setVisible(1);
  currentKey_ = fidgetKey;
  const OMLinkToObj<RArcadeAO> done(this, &RArcadeAO::fidgetDoneMember, 0);
  fidget->setDoneCallback(&done, 0);
  playOn(fidget);
  return 0;
}

OMWord RArcadeAO::playedDone(OMWord)
{
  showMainOnly();
  if (fidgetsEnabled_) fidgetDone();
  raise("animDone");
  return 0;
}

// Members.

OMWord RArcadeAO::setBoundingBox(OMWord text)
{
  const int bottom = numberOf(text);
  const int left = numberArgument();
  const int top = numberArgument();
  const int right = numberArgument();
  box_ = OMRect(left, top, right, bottom);
  return 1;
}

template <int RArcadeAO::*Field>
OMWord RArcadeAO::getField(OMWord buffer)
{
  return writeNumber(buffer, this->*Field);
}

template <int RArcadeAO::*Field>
OMWord RArcadeAO::setField(OMWord text)
{
  this->*Field = numberOf(text);
  return 1;
}

OMWord RArcadeAO::getVisibleMember(OMWord buffer)
{
  return writeNumber(buffer, isVisible());
}

OMWord RArcadeAO::setVisibleMember(OMWord text)
{
  const int visible = numberOf(text);
  setVisible(visible);
  if (OMAnimation* shown = animationOf(currentKey_)) shown->setVisible(visible);
  return 1;
}

template <bool Across>
OMWord RArcadeAO::getAxis(OMWord buffer)
{
  return writeNumber(buffer, Across ? x() : y());
}

// The actor and all its animations go to the same x (or y).
template <bool Across>
OMWord RArcadeAO::setAxis(OMWord text)
{
  const int value = boundedCoordinate(numberOf(text));
  Across ? setX(value) : setY(value);
  for (ArcadeAnim& anim : animations_) {
    if (!anim.animation) continue;
    Across ? anim.animation->setX(value) : anim.animation->setY(value);
  }
  return 1;
}

OMWord RArcadeAO::getFrame(OMWord buffer)
{
  OMAnimation* main = animationOf(mainKey);
  return writeNumber(buffer, main ? main->frameNumber() : -1);
}

OMWord RArcadeAO::setFrame(OMWord text)
{
  if (OMAnimation* main = animationOf(mainKey)) main->goToFrame(numberOf(text), 0);
  return 1;
}

OMWord RArcadeAO::playAnimMember(OMWord)
{
  const int id = numberArgument();
  const int dx = numberArgument();
  const int dy = numberArgument();
  if (!id) return 1;
  ArcadeAnim* played = record(playedKey);
  if (!played || played->id != id) played = setAnim(id, playedKey);
  OMAnimation* animation = played && played->id == id ? played->animation.get() : nullptr;
  if (!animation) return 1;
  if (OMAnimation* main = animationOf(mainKey)) main->setVisible(0);
  animation->setPosition(boundedCoordinate(std::int64_t(x()) + dx),
                         boundedCoordinate(std::int64_t(y()) + dy));
  animation->setZ(z());
  setRect(animation->rect());
  animation->setTouchy(0);
  const OMLinkToObj<RArcadeAO> done(this, &RArcadeAO::playedDone, 0);
  animation->setDoneCallback(&done, 0);
  currentKey_ = playedKey;
  animation->setVisible(isVisible());
  playOn(animation);
  return 1;
}

OMWord RArcadeAO::addNavigationAnimsMember(OMWord)
{
  for (int key = 1; key <= 4; ++key) {
    const int id = numberArgument();
    if (!id) continue;
    ArcadeAnim* made = setAnim(id, key);
    if (!made || made->id != id || !made->animation) continue;
    OMAnimation* animation = made->animation.get();
    animation->setPosition(x(), y());
    animation->setVisible(0);
    const OMLinkToObj<RArcadeAO> done(this, &RArcadeAO::navigationDone, 0);
    animation->setDoneCallback(&done, 0);
  }
  return 1;
}

OMWord RArcadeAO::addFidgetMember(OMWord)
{
  const int id = numberArgument();
  const int minimum = numberArgument();
  const int maximum = numberArgument();
  ArcadeAnim* made = id ? setAnim(id, fidgetKey) : nullptr;
  if (!made || made->id != id || !made->animation) return 1;
  made->animation->setZ(z());
  made->animation->setVisible(0);
  OMApp* app = OMApp::instance();
  if (fidgetTask_ && app) app->removeTask(fidgetTask_.get());
  const OMLinkToObj<RArcadeAO> check(this, &RArcadeAO::fidgetCheck, 0);
  fidgetTask_ = std::make_unique<OMTask>(&check, 0);
  if (app) app->addTask(fidgetTask_.get());
  fidgetMinimum_ = minimum ? minimum : defaultFidgetMinimum;
  fidgetMaximum_ = maximum ? maximum : defaultFidgetMaximum;
  fidgetsEnabled_ = 1;
  scheduleFidget();
  return 1;
}
