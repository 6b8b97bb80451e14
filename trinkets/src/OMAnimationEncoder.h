#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMRect.h"

class OMCanvas;

// A one-image animation resource of an 8-bit canvas: the rectangle gives the image's size
// (the empty rectangle: the whole canvas), taken from the canvas's top-left corner; pixels of
// the transparent index become skips. Null and size 0 for any other depth.
std::unique_ptr<std::uint8_t[]> makeAnimationFromCanvas(std::uint32_t* size, OMCanvas* canvas,
                                                        const OMRect& rect, int transparent);

// Appends the codes of one row of 8-bit pixels.
void encodeAnimationRow(const std::uint8_t* pixels, int width, int transparent, std::uint8_t*& out);
