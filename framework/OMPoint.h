#pragma once

#include <cstdint>

struct OMPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;

  constexpr OMPoint() = default;
  constexpr OMPoint(std::int32_t x, std::int32_t y) : x(x), y(y) {}

  constexpr void offset(std::int32_t dx, std::int32_t dy)
  {
    x += dx;
    y += dy;
  }
  constexpr bool operator==(const OMPoint&) const = default;
};
