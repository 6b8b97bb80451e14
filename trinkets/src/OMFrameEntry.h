#pragma once

#include <cstdint>

// One entry of an animation sequence, kept in memory exactly as the resource stores it.
struct OMFrameEntry {
  // Negative images are control codes.
  static constexpr std::int16_t end = -1;
  static constexpr std::int16_t loop = -2;
  static constexpr std::int16_t hold = -4;
  static constexpr std::int16_t sound = -101;
  // This code and every one below it.
  static constexpr std::int16_t special = -500;

  std::int16_t x = 0;
  std::int16_t y = 0;
  std::int16_t image = 0;
  std::int16_t param = 0;

  constexpr bool isDisplayable() const { return image >= 0; }
};
static_assert(sizeof(OMFrameEntry) == 8);
