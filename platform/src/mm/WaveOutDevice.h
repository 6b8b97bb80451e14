#pragma once

#include <deque>
#include <memory>

#include <windows.h>

#include "platform/host/HostAudioSink.h"
#include "platform/src/mm/Resampler.h"

namespace ommm {

// One open wave-out device: a queue of written blocks played in order, without gaps, read at
// play time and brought to the sink's rate by a band-limited resampler. The sink's lock guards
// every member; callers take it.
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
  // Feeds the resampler the next source sample, or silence when no block is queued.
  void feed();

  WAVEFORMATEX format_;
  std::deque<WAVEHDR*> queue_;
  DWORD offset_ = 0;                      // bytes into the head block
  std::unique_ptr<Resampler> resampler_;  // made for the sink's rate when first mixed
  unsigned resamplerRate_ = 0;
  bool paused_ = false;
  bool looping_ = false;
};

// Flags are read by the program's thread while the mixer sets them.
void storeFlags(WAVEHDR& header, DWORD flags);
DWORD loadFlags(const WAVEHDR& header);

}  // namespace ommm
