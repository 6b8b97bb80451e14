#include "platform/src/mm/Resampler.h"

#include <algorithm>
#include <cmath>

namespace ommm {
namespace {

double besselI0(double x)
{
  double sum = 1, term = 1;
  for (int k = 1; k < 30; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
  }
  return sum;
}

}  // namespace

Resampler::Resampler(unsigned fromRate, unsigned toRate)
    : from_(fromRate), to_(toRate), step_(toRate), table_((kPhases + 1) * kTaps)
{
  // At equal rates the kernel is a pure delay; otherwise the band ends a little below the
  // lower rate's Nyquist frequency.
  const double cutoff = fromRate == toRate ? 1.0 : 0.95 * std::min(1.0, double(toRate) / fromRate);
  constexpr double kBeta = 8.0;
  constexpr double kHalf = kTaps / 2;
  for (int p = 0; p <= kPhases; ++p) {
    const double frac = static_cast<double>(p) / kPhases;
    float* row = &table_[static_cast<std::size_t>(p) * kTaps];
    double sum = 0;
    for (int i = 0; i < kTaps; ++i) {
      const double t = (i - (kHalf - 1)) - frac;  // tap i holds source sample base + i - 7
      const double x = M_PI * cutoff * t;
      const double sinc = std::abs(x) < 1e-9 ? 1.0 : std::sin(x) / x;
      const double r = t / kHalf;
      const double window =
          std::abs(r) >= 1 ? 0 : besselI0(kBeta * std::sqrt(1 - r * r)) / besselI0(kBeta);
      row[i] = static_cast<float>(sinc * window);
      sum += row[i];
    }
    // Each phase passes a constant through unchanged.
    for (int i = 0; i < kTaps; ++i)
      row[i] = static_cast<float>(row[i] / sum);
  }
}

void Resampler::push(std::int32_t sample)
{
  std::copy(window_.begin() + 1, window_.end(), window_.begin());
  window_.back() = static_cast<float>(sample);
  fillers_ = 0;
  step_ -= to_;
}

void Resampler::pushFiller()
{
  const int fillers = fillers_;
  push(0);
  fillers_ = std::min(kTaps, fillers + 1);
}

std::int32_t Resampler::next()
{
  const std::uint64_t scaled = static_cast<std::uint64_t>(phase_) * kPhases;
  const auto p = static_cast<int>(scaled / to_);
  const auto mix = static_cast<float>(scaled % to_) / static_cast<float>(to_);
  const float* a = &table_[static_cast<std::size_t>(p) * kTaps];
  const float* b = a + kTaps;
  float sum = 0;
  for (int i = 0; i < kTaps; ++i)
    sum += window_[i] * (a[i] + (b[i] - a[i]) * mix);
  phase_ += from_;
  while (phase_ >= to_) {
    phase_ -= to_;
    step_ += to_;
  }
  return static_cast<std::int32_t>(std::lround(sum));
}

void Resampler::clear()
{
  window_.fill(0);
  fillers_ = kTaps;
  phase_ = 0;
  step_ = to_;
}

}  // namespace ommm
