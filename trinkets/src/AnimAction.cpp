#include "trinkets/src/AnimAction.h"

#include <cstdlib>

#include "framework/OMBackgroundJob.h"
#include "framework/OMEdition.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMWaveSound.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/OMTrinketWindow.h"

namespace {

ActionRegistrar registrar("AnimAction", &AnimAction::create);

AnimAction::AnimationOpener animationOpenerHook = nullptr;
AnimAction::SoundOpener soundOpenerHook = nullptr;

}  // namespace

AnimAction::AnimAction(std::uint16_t animationId, int x, int y, int z, int repeat,
                       int interruptible, std::int16_t soundId)
    : Action(interruptible),
      repeat_(repeat),
      x_(x),
      y_(y),
      z_(z),
      animationId_(animationId),
      soundId_(soundId)
{
}

AnimAction::AnimAction(const AnimAction& other)
    : AnimAction(other.animationId_, other.x_, other.y_, other.z_, other.repeat_,
                 other.interruptibleFlag(), other.soundId_)
{
}

AnimAction::~AnimAction()
{
  if (isActive()) halt();
  dropMedia();
}

std::unique_ptr<Action> AnimAction::create(int)
{
  // A zero counts as given only when a later argument is not zero.
  const int count = OMEdition::isAssessment() ? 6 : 7;
  int values[7] = {0, 0, 0, 0, 0, 0, 0};
  int last = -1;
  for (int i = 0; i < count; ++i) {
    // The place is held to the coordinate range, as every factory's is.
    const char* word = popScriptArg();
    values[i] = i == 1 || i == 2 ? coordinateOf(word) : std::atoi(word);
    if (values[i] != 0) last = i;
  }
  if (last < 0) return nullptr;
  constexpr int defaults[7] = {
      0, OMTrinket::noPosition, OMTrinket::noPosition, OMTrinket::noPosition, 1, 1, -1};
  for (int i = last + 1; i < 7; ++i)
    values[i] = defaults[i];
  return std::make_unique<AnimAction>(static_cast<std::uint16_t>(values[0]), values[1], values[2],
                                      values[3], values[4], values[5],
                                      static_cast<std::int16_t>(values[6]));
}

void AnimAction::setAnimationOpener(AnimationOpener opener)
{
  animationOpenerHook = opener;
}

AnimAction::AnimationOpener AnimAction::animationOpener()
{
  return animationOpenerHook;
}

void AnimAction::setSoundOpener(SoundOpener opener)
{
  soundOpenerHook = opener;
}

void AnimAction::start()
{
  Action::start();
  // A second start begins afresh rather than leaving the first animation behind.
  dropMedia();
  std::unique_ptr<OMIStream> stream;
  if (animationId_ != 0 && animationOpenerHook) stream = animationOpenerHook(animationId_);
  if (!stream) {
    finish();
    return;
  }
  animation_ = std::make_unique<RAnimation>(std::move(stream), x_, y_, OMTrinketWindow::mainHost());
  animation_->setZ(z_);
  const OMLinkToObj<AnimAction> handler(this, &AnimAction::done);
  animation_->setDoneCallback(&handler, 0);
  animation_->setMovable(0);
  animation_->setTouchy(0);
  animation_->setRepeat(repeat_);
  if (soundId_ != -1 && soundOpenerHook) {
    soundStream_ = soundOpenerHook(static_cast<std::uint16_t>(soundId_), 0);
    if (soundStream_) {
      suspendBackgroundReads();
      readsHeld_ = true;
      sound_ = std::make_unique<OMWaveSound>(soundStream_.get(), 1);
      sound_->setFinishedLink(&handler);
      // A sound that cannot play leaves the end to the animation.
      if (sound_->load() && sound_->play(1)) {
        animation_->setDoneCallback(nullptr, 0);
      } else {
        sound_->setFinishedLink(nullptr);
        sound_.reset();
        soundStream_.reset();
        resumeBackgroundReads();
        readsHeld_ = false;
      }
    }
  }
  animation_->restartTiming();
  animation_->resume();
}

OMWord AnimAction::done()
{
  halt();
  finish();
  return 1;
}

void AnimAction::halt()
{
  Action::halt();
  dropMedia();
}

void AnimAction::dropMedia()
{
  if (sound_) sound_->setFinishedLink(nullptr);
  animation_.reset();
  sound_.reset();
  soundStream_.reset();
  if (readsHeld_) {
    readsHeld_ = false;
    resumeBackgroundReads();
  }
}

void AnimAction::pause()
{
  if (animation_) animation_->pauseWithSounds();
  if (sound_) sound_->pause();
}

void AnimAction::resume()
{
  if (animation_) animation_->resumeWithSounds();
  if (sound_) sound_->resume();
}
