// MessageBeep: a short tone mixed into the host's audio sink beside every other sound, as the
// system's beep does not interrupt a sound that is playing.
#include <windows.h>

#include <cmath>
#include <cstdint>

#include "platform/host/HostAudioSink.h"

namespace {

class BeepSource final : public omhost::AudioSource {
 public:
  static constexpr unsigned kFrequency = 880;
  static constexpr unsigned kMilliseconds = 120;
  static constexpr double kAmplitude = 6000.0;

  void start(unsigned sinkRate)
  {
    remaining_ = sinkRate * kMilliseconds / 1000;
    phase_ = 0;
  }

  void mixInto(std::int32_t* mix, std::size_t frames, unsigned sinkRate) override
  {
    const double step = 2.0 * M_PI * kFrequency / sinkRate;
    for (std::size_t i = 0; i < frames && remaining_ > 0; ++i, --remaining_) {
      mix[i] += static_cast<std::int32_t>(kAmplitude * std::sin(phase_));
      phase_ += step;
    }
  }

 private:
  std::size_t remaining_ = 0;
  double phase_ = 0;
};

}  // namespace

BOOL WINAPI MessageBeep(UINT)
{
  // Never destroyed: the sink's audio thread may still mix while the program exits.
  static BeepSource* beep = nullptr;
  auto& sink = omhost::HostAudioSink::instance();
  sink.pump();  // what played before the beep is not delayed by it
  auto lock = sink.lock();
  if (beep == nullptr) {
    beep = new BeepSource;
    sink.attach(beep);
  }
  beep->start(omhost::HostAudioSink::kRate);
  return TRUE;
}
