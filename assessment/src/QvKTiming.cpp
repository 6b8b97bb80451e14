#include "assessment/src/QvKTiming.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "assessment/src/ProgramFiles.h"
#include "trinkets/lib/RAnimation.h"

namespace qvk {

namespace {

constexpr int wordFrames = 18;
constexpr int digitFrames = 23;
using WordRow = std::array<int, wordFrames>;

// Speed 1 and speed 4 are measured; 2 and 3 lie at a third and two thirds between them, and
// 5 is speed 4 halved.
constexpr WordRow slowest = {60, 54, 46, 40, 32, 26, 22, 20, 18,
                             16, 15, 14, 13, 10, 10, 10, 10, 120};
constexpr WordRow fast = {22, 20, 17, 14, 12, 9, 7, 6, 5, 4, 3, 3, 3, 8, 8, 8, 8, 120};

int wordDelay(int speed, int index)
{
  const int a = slowest[static_cast<std::size_t>(index)];
  const int b = fast[static_cast<std::size_t>(index)];
  switch (speed) {
    case 1:
      return a;
    case 2:
      return static_cast<int>(std::lround(a + (b - a) / 3.0));
    case 3:
      return static_cast<int>(std::lround(a + 2 * (b - a) / 3.0));
    case 4:
      return b;
    default:
      return std::max(1, b / 2);
  }
}

}  // namespace

long ticks()
{
  return static_cast<long>(static_cast<unsigned long long>(timeGetTime()) * 60 / 1000);
}

int clampedSpeed(int speed)
{
  return std::clamp(speed, 1, 5);
}

int roadSpeedOf(int speed)
{
  constexpr int table[] = {15, 20, 30, 60, 120};
  return table[clampedSpeed(speed) - 1];
}

int moveOffDelay(int speed)
{
  constexpr int table[] = {10, 8, 8, 8, 12};
  return table[clampedSpeed(speed) - 1];
}

int signFrameDelay(int speed, bool digitSign, int frame)
{
  speed = clampedSpeed(speed);
  const int last = digitSign ? digitFrames : wordFrames;
  const int index = std::clamp(frame, 1, last) - 1;
  if (!digitSign) return wordDelay(speed, index);
  // A digit sign takes the word row's first 17, holds its 16th up to frame 22 and ends alike.
  if (index == digitFrames - 1) return wordDelay(speed, wordFrames - 1);
  return wordDelay(speed, std::min(index, 16));
}

int fallOf(int frame)
{
  return frame <= 9 ? 1 : frame - 8;
}

std::unique_ptr<RAnimation> loadAnimation(int id, int x, int y, OMTrinketWindow* host)
{
  std::unique_ptr<OMIStream> stream = resourceById(id, "ASEQ");
  if (!stream) return nullptr;
  auto animation = std::make_unique<RAnimation>(std::move(stream), x, y, host);
  if (animation->sequenceCount() == 0) return nullptr;
  animation->pause();
  showFrame(*animation, 1);
  return animation;
}

void showFrame(RAnimation& animation, int frame)
{
  if (frame >= 1 && frame <= animation.frameCount()) animation.setFrameIndex(frame - 1, 1);
}

}  // namespace qvk
