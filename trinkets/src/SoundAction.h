#pragma once

#include <cstdint>
#include <memory>

#include "trinkets/src/Action.h"

class OMIStream;
class OMWaveSound;

// Plays a sound resource once and ends with it. A held sound keeps background reads
// suspended while it plays.
class SoundAction : public Action {
 public:
  using SoundOpener = std::unique_ptr<OMIStream> (*)(std::uint16_t id, int mode);

  SoundAction(std::uint16_t soundId, int hold, int interruptible, int volume);
  // A copy of the action as made, idle.
  SoundAction(const SoundAction& other);
  ~SoundAction() override;

  // Arguments: sound id, hold flag, interruptible and (game) volume.
  static std::unique_ptr<Action> create(int interruptible);

  void halt() override;
  void pause() override;
  void resume() override;
  void start() override;

  static void setSoundOpener(SoundOpener opener);

  OMWaveSound* sound() const { return sound_.get(); }
  std::uint16_t soundId() const { return soundId_; }
  int hold() const { return hold_; }
  int volume() const { return volume_; }

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<SoundAction>(*this); }

 private:
  OMWord done();
  void dropSound();

  int hold_;
  int volume_;
  std::unique_ptr<OMIStream> stream_;
  std::unique_ptr<OMWaveSound> sound_;
  std::uint16_t soundId_;
  bool readsHeld_ = false;
};
