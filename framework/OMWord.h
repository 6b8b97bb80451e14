#pragma once

#include <cstdint>

// The word that callbacks, tasks and walks pass around. It is pointer-sized because list
// elements, jobs and objects travel through it.
using OMWord = std::uintptr_t;
