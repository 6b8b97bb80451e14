#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace omuser {

// A menu bar built from the bytes of a classic menu template; nullptr when they are not one.
HMENU menuFromTemplate(const std::uint8_t* bytes, std::size_t size);

}  // namespace omuser
