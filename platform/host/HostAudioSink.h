#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// The host's one audio output. Sources (wave-out devices, the simple-sound player) add their
// samples into a mix at the sink's rate; the sum is clamped to 16 bits. A device backend pulls
// the mix from its audio thread with render(); without one (headless), pump() consumes it at
// the sink's rate as the host clock (real or manual) moves on.
namespace omhost {

class AudioSource {
 public:
  virtual ~AudioSource() = default;
  // Adds frames mono samples (16-bit scale) at sinkRate into mix. Called with the sink locked.
  virtual void mixInto(std::int32_t* mix, std::size_t frames, unsigned sinkRate) = 0;
};

class HostAudioSink {
 public:
  static constexpr unsigned kRate = 44100;

  static HostAudioSink& instance();

  // Guards the sources' state against the mixing thread.
  std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(mutex_); }
  // Both with the sink locked by the caller.
  void attach(AudioSource* source);
  void detach(AudioSource* source);

  // Mixes the next frames into out (mono, signed 16-bit).
  void render(std::int16_t* out, std::size_t frames);
  // A device backend that pulls with render() switches the clock-driven consumption off.
  void setPulledByDevice(bool pulled);
  // Headless: renders what has played since the last pump by the host clock.
  void pump();
  // Forgets time that passed without a pump (after a test switches clocks).
  void resynchronise();

  // Tests: keep what is rendered from now on.
  void startCapture();
  std::vector<std::int16_t> takeCaptured();

 private:
  HostAudioSink() = default;
  void renderLocked(std::int16_t* out, std::size_t frames);

  std::mutex mutex_;
  std::vector<AudioSource*> sources_;
  std::vector<std::int32_t> mix_;
  bool pulledByDevice_ = false;
  bool clockStarted_ = false;
  std::uint32_t lastPump_ = 0;
  std::uint64_t remainder_ = 0;
  bool capturing_ = false;
  std::vector<std::int16_t> captured_;
};

}  // namespace omhost
