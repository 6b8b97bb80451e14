#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <windows.h>

namespace omwin {

// A cursor or icon decoded from a module's resources: pixels as 0xAARRGGBB, top row first.
// Pixels the mask leaves transparent (including the ones Windows would invert) have alpha 0.
struct CursorImage {
  int width = 0;
  int height = 0;
  POINT hotSpot{0, 0};
  std::vector<std::uint32_t> pixels;
};

// The picture of a CURSOR or ICON group resource (the 32 by 32 one when the group has several);
// null when the module has no such resource or its bytes do not hold a picture we can read.
std::optional<CursorImage> loadCursorImage(HMODULE module, LPCSTR name, bool icon);

// Decodes a device-independent bitmap of an icon or cursor: a bitmap information header,
// colours, the picture and its mask below it (the header's height counts both).
std::optional<CursorImage> decodeIconBitmap(const std::uint8_t* bytes, std::size_t size);

}  // namespace omwin
