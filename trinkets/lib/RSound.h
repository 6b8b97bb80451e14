#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"
#include "trinkets/src/OMScriptableObject.h"

class OMIStream;
class OMWaveSound;

// A script's handle on one WAVE resource: starts, stops, pauses and resumes it and raises
// "started" and "finished" as the mixer reports them.
class RSound : public OMScriptableObject {
 public:
  explicit RSound(std::uint16_t id);
  RSound(const RSound& other);
  ~RSound() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void stateText(char* buffer, std::size_t size) const override;
  void registerMembers() override;

  bool hasSound() const { return sound_ != nullptr; }
  bool isPlaying() const { return playing_ != 0; }
  bool isFinished() const { return finished_ != 0; }

 private:
  void load(std::uint16_t id);
  void dropSound();
  OMWord onStarted();
  OMWord onFinished();
  OMWord setSoundId(OMWord text);
  OMWord getSoundId(OMWord buffer);
  OMWord setRepeatCount(OMWord text);
  OMWord getRepeatCount(OMWord buffer);
  OMWord setVolume(OMWord text);
  OMWord getVolume(OMWord buffer);
  OMWord startMember();
  OMWord stopMember();
  OMWord pauseMember();
  OMWord resumeMember();

  std::unique_ptr<OMWaveSound> sound_;
  std::unique_ptr<OMIStream> stream_;
  std::uint16_t id_ = 0;
  int playing_ = 0;
  int finished_ = 0;
};
