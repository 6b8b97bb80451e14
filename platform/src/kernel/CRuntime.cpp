// Pieces of the Windows C library whose exact behaviour the programs depend on: the random
// generator's sequence (scripts and saved games replay it), case-blind comparison, _itoa and
// a clock in milliseconds.
#include <omcrt.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

#include "platform/host/HostClock.h"

namespace {

// Per thread, as the Windows C library keeps it; a thread that never seeds starts at 1.
thread_local unsigned int randomState = 1;

const auto programStart = std::chrono::steady_clock::now();

int asciiLower(unsigned char c)
{
  return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

}  // namespace

void srand(unsigned int seed) noexcept
{
  randomState = seed;
}

int rand(void) noexcept
{
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 0x7FFF);
}

// Milliseconds since the program started, as the Windows C library counts; on a manual clock
// the host's time, so that a seed taken from it repeats from run to run.
clock_t clock(void) noexcept
{
  if (omhost::isManualClock()) return static_cast<clock_t>(omhost::clockMilliseconds());
  const auto elapsed = std::chrono::steady_clock::now() - programStart;
  return static_cast<clock_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

std::time_t om_time(std::time_t* out)
{
  constexpr std::time_t manualEpoch = 1000000000;
  const std::time_t now = omhost::isManualClock()
                              ? manualEpoch + omhost::clockMilliseconds() / 1000
                              : std::time(nullptr);
  if (out) *out = now;
  return now;
}

int _stricmp(const char* a, const char* b)
{
  return _strnicmp(a, b, static_cast<std::size_t>(-1));
}

int _strnicmp(const char* a, const char* b, std::size_t count)
{
  for (std::size_t i = 0; i < count; ++i) {
    const int left = asciiLower(static_cast<unsigned char>(a[i]));
    const int right = asciiLower(static_cast<unsigned char>(b[i]));
    if (left != right || left == 0) return left - right;
  }
  return 0;
}

char* _itoa(int value, char* buffer, int radix)
{
  if (!buffer) return buffer;
  if (radix < 2 || radix > 36) {
    buffer[0] = '\0';
    return buffer;
  }
  // Only base 10 is signed; other bases show the two's-complement bits.
  const bool negative = radix == 10 && value < 0;
  unsigned int magnitude =
      negative ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
  char digits[33];
  int length = 0;
  do {
    const unsigned int digit = magnitude % static_cast<unsigned int>(radix);
    digits[length++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
    magnitude /= static_cast<unsigned int>(radix);
  } while (magnitude != 0);
  char* out = buffer;
  if (negative) *out++ = '-';
  while (length > 0)
    *out++ = digits[--length];
  *out = '\0';
  return buffer;
}
