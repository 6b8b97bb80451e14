#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/OMRect.h"
#include "trinkets/src/OMDrawLayer.h"

class OMMemCanvas;

// A high-colour picture under the trinkets, decoded from a packed background ("BK16").
class OMTBackground : public OMDrawLayer {
 public:
  static constexpr std::uint32_t headerSize = 32;

  // The canvas takes the rectangle's size; the handle is locked for the decode and, when
  // release is set, deleted after it; the stream is always deleted.
  OMTBackground(const OMRect& rect, OMResHandle* handle, bool release = true);
  OMTBackground(const OMRect& rect, OMIStream* stream);
  ~OMTBackground() override;

  void loadFromStream(OMIStream* stream) override;
  void loadFromResource(OMResHandle* handle, bool release) override;
  OMCanvas* canvas() override;
  OMRect draw(OMCanvas* target, const OMRegion& area) override;

  // Decodes into the 16-bit canvas; false, the canvas left as it was, when the data are
  // damaged (reported) or the header is not a background's (an alert says so).
  // The id names the resource in the report (-1 unknown).
  static bool decode(const std::uint8_t* data, std::size_t size, OMMemCanvas& canvas, int id = -1);

  // Stored pixels (5-5-5, high byte first) to the canvas's channel layout, in place.
  static void convertPixels(std::uint8_t* pixels, std::size_t count, std::uint32_t redMask,
                            std::uint32_t greenMask, std::uint32_t blueMask);

 private:
  std::unique_ptr<OMMemCanvas> canvas_;
};
