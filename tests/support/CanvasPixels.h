#pragma once

#include <cstdint>
#include <cstring>

#include "framework/OMMemCanvas.h"

namespace omtest {

// The stored value of one pixel of a memory canvas (1 to 4 bytes).
inline std::uint32_t canvasPixel(OMMemCanvas& canvas, int x, int y)
{
  void* bits = nullptr;
  int pitch = 0;
  std::uint32_t value = 0;
  if (!canvas.lockBits(&bits, &pitch)) return value;
  const int bytes = canvas.depth() / 8;
  std::memcpy(&value, static_cast<const std::uint8_t*>(bits) + y * pitch + bytes * x,
              std::size_t(bytes));
  canvas.unlockBits();
  return value;
}

}  // namespace omtest
