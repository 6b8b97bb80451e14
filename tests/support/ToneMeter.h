#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace omtest {

// The power of one frequency in samples [from, from + count) (Goertzel), normalised so that a
// sine of amplitude A measures A * A / 4 whatever the count.
inline double tonePower(const std::vector<std::int16_t>& samples, std::size_t from,
                        std::size_t count, double frequency, double rate)
{
  const double coefficient = 2 * std::cos(2 * M_PI * frequency / rate);
  double s1 = 0, s2 = 0;
  for (std::size_t i = from; i < from + count && i < samples.size(); ++i) {
    const double s = samples[i] + coefficient * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  const double n = static_cast<double>(count);
  return (s1 * s1 + s2 * s2 - coefficient * s1 * s2) / (n * n);
}

// Decibels of one power over another.
inline double decibels(double power, double reference)
{
  return 10 * std::log10(power / reference);
}

}  // namespace omtest
