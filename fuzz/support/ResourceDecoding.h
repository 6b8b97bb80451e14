#pragma once

#include <cstdint>
#include <vector>

#include "framework/OMMemCanvas.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMFrameDecoder.h"
#include "trinkets/src/OMTBackground.h"

// Everything the engine does with untrusted animation and background bytes, on small
// canvases, so that a damaged resource shows as a sanitizer report.
namespace omfuzz {

struct DecodingCanvases {
  OMMemCanvas eight{23, 17, 8, 0};
  OMMemCanvas sixteen{23, 17, 16, 0};
  OMMemCanvas thirtyTwo{5, 4, 32, 0};
};

// Callers keep the canvases for as many inputs as they like; none may outlive the program's
// main (the platform's tables go first).
inline void decodeAnimation(DecodingCanvases& canvases, const std::uint8_t* data, std::size_t size)
{
  // The loader owns a writable, aligned copy, as a stream's buffer is.
  std::vector<std::uint8_t> bytes(data, data + size);
  OMAnimationHeader header;
  if (!parseAnimationHeader(bytes.data(), bytes.size(), header)) return;
  OMCanvas* targets[] = {&canvases.eight, &canvases.sixteen, &canvases.thirtyTwo};
  const int count = std::min(header.imageCount, 8);
  for (int i = 0; i < count; ++i) {
    const OMAnimationImage image = header.image(i);
    const int w = image.width(), h = image.height();
    // Each direction once, on one of the depths, across an edge or through a clip.
    for (int d = 0; d < 8; ++d) {
      OMCanvas* target = targets[(i + d) % 3];
      if (d % 2)
        drawClipped(-w / 2, 20 - h / 2, image, target, OMRect(1, 1, 19, 15), d);
      else
        drawUnclipped(d - 3, 2 - d, image, target, d);
      imageColorAt(image, d, w / 2, d);
    }
  }
  const std::uint8_t from[] = {1, 2}, to[] = {2, 3};
  replaceColors(header, 2, from, to, -2);
  swapColors(header, 0, 255, 0);
  drawClipped(0, 0, firstImageOfSingleSequence(bytes.data(), bytes.size()), targets[0],
              OMRect(0, 0, 23, 17), 0);
}

inline void decodeBackground(DecodingCanvases& canvases, const std::uint8_t* data, std::size_t size)
{
  OMTBackground::decode(data, size, canvases.sixteen);
}

}  // namespace omfuzz
