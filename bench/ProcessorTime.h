#pragma once

// The process's processor time, for ratios that a loaded machine tilts less than wall time.
// (The platform has its own clock(), driven by its clock.)
#include <benchmark/benchmark.h>

#include <ctime>

namespace benchtime {

inline double processorNanoseconds()
{
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Processor time per pass of the benchmark since `begin`.
inline double perPass(const benchmark::State& state, double begin)
{
  return (processorNanoseconds() - begin) / static_cast<double>(state.iterations());
}

// Sets the "vs_memcpy" counter: this benchmark's time per pass over memcpy's.
inline void reportRatio(benchmark::State& state, double begin, double memcpyNanoseconds)
{
  if (memcpyNanoseconds > 0.0)
    state.counters["vs_memcpy"] = perPass(state, begin) / memcpyNanoseconds;
}

}  // namespace benchtime
