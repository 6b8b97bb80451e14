#pragma once

#include <cstdint>
#include <memory>

#include "trinkets/src/Action.h"

class OMIStream;
class OMWaveSound;
class RAnimation;

// Plays an animation resource as a new animation on the main host, optionally with a sound;
// it ends with the animation's sequence, or with the sound when there is one.
class AnimAction : public Action {
 public:
  using AnimationOpener = std::unique_ptr<OMIStream> (*)(std::uint16_t id);
  using SoundOpener = std::unique_ptr<OMIStream> (*)(std::uint16_t id, int mode);

  AnimAction(std::uint16_t animationId, int x, int y, int z, int repeat, int interruptible,
             std::int16_t soundId);
  // A copy of the action as made, idle.
  AnimAction(const AnimAction& other);
  ~AnimAction() override;

  // Arguments: animation id, x, y, z, repeat count, interruptible and (game) sound id.
  static std::unique_ptr<Action> create(int interruptible);

  void halt() override;
  void pause() override;
  void resume() override;
  void start() override;

  static void setAnimationOpener(AnimationOpener opener);
  static AnimationOpener animationOpener();
  static void setSoundOpener(SoundOpener opener);

  RAnimation* animation() const { return animation_.get(); }
  OMWaveSound* sound() const { return sound_.get(); }
  int x() const { return x_; }
  int y() const { return y_; }
  int z() const { return z_; }
  int repeat() const { return repeat_; }
  std::uint16_t animationId() const { return animationId_; }
  std::int16_t soundId() const { return soundId_; }

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<AnimAction>(*this); }

 private:
  OMWord done();
  void dropMedia();

  int repeat_;
  int x_, y_, z_;
  std::unique_ptr<RAnimation> animation_;
  std::uint16_t animationId_;
  std::unique_ptr<OMIStream> soundStream_;
  std::unique_ptr<OMWaveSound> sound_;
  std::int16_t soundId_;
  bool readsHeld_ = false;
};
