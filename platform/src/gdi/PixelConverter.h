#pragma once

#include <cstdint>
#include <vector>

#include "platform/src/gdi/Surface.h"

namespace omgdi {

// Turns raw pixels of one surface into raw pixels of another: indices through the source's
// colour table, 5-5-5 to an 8-bit table by the nearest entry, a monochrome bitmap to the
// destination's text (0) and background (1) colours, colour to monochrome by comparing with
// the source's background colour.
class PixelConverter {
 public:
  // textRaw and bkRaw are the destination's text and background colours as destination raw
  // values; sourceBkRaw is the source's background colour as a source raw value.
  PixelConverter(const Surface& source, const Surface& target, std::uint32_t textRaw,
                 std::uint32_t bkRaw, std::uint32_t sourceBkRaw);

  void convertRow(const std::uint32_t* in, std::uint32_t* out, int n);
  bool isIdentity() const { return mode_ == Mode::identity; }
  // Indices of an 8-bit row straight to 5-5-5 words, the copy the engine makes most; false
  // when this converter is not such a one.
  bool convertIndicesTo555(const std::uint8_t* in, std::uint8_t* out, int n) const;

 private:
  enum class Mode { identity, table, indicesTo555, toMonochrome, lazy555, deep };

  std::uint32_t convertDeep(std::uint32_t raw) const;

  const Surface& source_;
  const Surface& target_;
  Mode mode_;
  std::uint32_t sourceBkRaw_;
  std::vector<std::uint32_t> table_;
  // The source's own table as words, for indices to 5-5-5.
  const std::uint16_t* words_ = nullptr;
  bool wideTable_ = false;
  std::vector<std::int32_t> lazy_;
};

}  // namespace omgdi
