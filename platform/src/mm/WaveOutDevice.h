#pragma once

#include <deque>

#include <windows.h>

#include "platform/host/HostAudioSink.h"

namespace ommm {

// One open wave-out device: a queue of written blocks played in order, without gaps, read at
// play time and resampled (sample and hold) to the sink's rate. The sink's lock guards every
// member; callers take it.
class WaveOutDevice : public omhost::AudioSource {
 public:
  explicit WaveOutDevice(const WAVEFORMATEX& format);

  static bool isPlayable(const WAVEFORMATEX& format);

  void mixInto(std::int32_t* mix, std::size_t frames, unsigned sinkRate) override;

  void enqueue(WAVEHDR* header);
  // Every queued block is marked done and the position returns to the start.
  void reset();
  void setPaused(bool paused) { paused_ = paused; }
  // The blocks start again from their beginning when they end (SND_LOOP).
  void setLooping(bool looping) { looping_ = looping; }
  bool hasQueuedBlocks() const { return !queue_.empty(); }
  // Milliseconds of queued sound not yet played.
  std::uint64_t remainingMilliseconds() const;

 private:
  std::int32_t sampleAt(const WAVEHDR& header, DWORD offset) const;
  void finishHead();

  WAVEFORMATEX format_;
  std::deque<WAVEHDR*> queue_;
  DWORD offset_ = 0;         // bytes into the head block
  std::uint64_t phase_ = 0;  // source rate accumulated per output frame
  bool paused_ = false;
  bool looping_ = false;
};

// Flags are read by the program's thread while the mixer sets them.
void storeFlags(WAVEHDR& header, DWORD flags);
DWORD loadFlags(const WAVEHDR& header);

}  // namespace ommm
