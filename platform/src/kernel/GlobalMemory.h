#pragma once

#include <cstddef>

namespace omwin {

// How many blocks GlobalAlloc has handed out and GlobalFree not yet taken back.
std::size_t globalBlockCount();

}  // namespace omwin
