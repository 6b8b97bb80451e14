#pragma once

#include <cstdint>

#include "framework/OMRect.h"
#include "trinkets/src/OMAnimationFormat.h"

class OMCanvas;
class OMIStream;
class OMResHandle;

// Draw directions: bits that combine.
enum OMDrawDirection : std::uint8_t {
  drawMirrorHorizontal = 1,
  drawMirrorVertical = 2,
  drawTransposed = 4,
};

// The colour table the decoders use for canvases deeper than 8 bits: 256 pixel values, one
// per colour index. Null selects the default table, all zero.
void setDecoderColorTable(const std::uint32_t* table);
const std::uint32_t* decoderColorTable();
const std::uint32_t* defaultColorTable();

// Draws an image with its top-left corner at (x, y). Both decoders stay inside the target
// and the clip; the unclipped one is the fast path for an image that lies wholly inside the
// target. False when the image's codes are damaged: its decode then stopped at the damage.
bool drawUnclipped(int x, int y, const OMAnimationImage& image, OMCanvas* canvas, int direction);
bool drawClipped(int x, int y, const OMAnimationImage& image, OMCanvas* canvas,
                 const OMRect& clipRect, int direction);

// Draws the first image of a one-sequence resource at (0, 0) with the default colour table,
// clipped to the canvas, then deletes the stream (or unlocks and deletes the handle).
bool drawFirstImage(OMCanvas* canvas, OMIStream* stream);
bool drawFirstImage(OMCanvas* canvas, OMResHandle* handle);

// The colour index at (x, y) of the image as drawn with that direction, the point taken from
// the drawn image's top-left corner; -1 when transparent or outside.
int imageColorAt(const OMAnimationImage& image, int direction, int x, int y);

// Rewrites colour indices of the image in place: fills and literals only.
void replaceImageColors(const OMAnimationImage& image, int count, const std::uint8_t* from,
                        const std::uint8_t* to);
void swapImageColors(const OMAnimationImage& image, std::uint8_t a, std::uint8_t b);

// `image` -2 every image, else one index (ignored when out of range); callers resolve -1,
// the current entry's image, before.
void replaceColors(const OMAnimationHeader& header, int count, const std::uint8_t* from,
                   const std::uint8_t* to, int image);
void replaceColor(const OMAnimationHeader& header, std::uint8_t from, std::uint8_t to, int image);
void swapColors(const OMAnimationHeader& header, std::uint8_t a, std::uint8_t b, int image);
