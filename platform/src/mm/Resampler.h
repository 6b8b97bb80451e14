#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ommm {

// Band-limited rate conversion of one mono stream: a Kaiser-windowed sinc over a short window
// of source samples, so that content at 11,025 or 22,050 Hz reaches the sink's rate without the
// images that holding each sample would add. The window looks kTaps / 2 source samples ahead,
// well under a millisecond, so what is consumed stays in step with what is heard.
class Resampler {
 public:
  static constexpr int kTaps = 16;

  Resampler(unsigned fromRate, unsigned toRate);

  // Whether the next output frame needs a new source sample first (then push one).
  bool needsSample() const { return step_ >= to_; }
  void push(std::int32_t sample);
  // The next output frame; call while needsSample() is false.
  std::int32_t next();
  // Whether every sample in the window is silence that push() added as filler.
  bool isEmpty() const { return fillers_ >= kTaps; }
  void pushFiller();
  void clear();

 private:
  static constexpr int kPhases = 128;

  unsigned from_;
  unsigned to_;
  unsigned step_;       // source steps owed, scaled by to_
  unsigned phase_ = 0;  // the output's position between two source samples, scaled by to_
  std::array<float, kTaps> window_{};
  int fillers_ = kTaps;
  std::vector<float> table_;  // (kPhases + 1) rows of kTaps
};

}  // namespace ommm
