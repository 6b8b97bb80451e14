#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "trinkets/src/OMFrameEntry.h"

// A speech animation's lip-sync table: the image to show at each frame of the animation's own
// rate. Header words 0 to 2, then 6-byte records whose first word is the image. A table is
// read in the byte order in which its records are all there; when both orders (or neither)
// give that, a word 0 above 511 means the table was written big-endian.
class LipSyncTable {
 public:
  // False for a table too short for its header; a count beyond the bytes present is cut to
  // the records there, a negative one reads 0.
  bool read(const std::uint8_t* bytes, std::size_t size);
  const std::vector<int>& images() const { return images_; }

  // The sequence that plays the table on an animation whose sequence 0 is `rest` (ending with
  // its end entry) and which has `imageCount` images: hold, the rest image, the sound entry
  // when `soundId` is not negative, one image per record (the rest image alone without a
  // table), loop and end.
  static std::vector<OMFrameEntry> buildSequence(const LipSyncTable* table,
                                                 const std::vector<OMFrameEntry>& rest,
                                                 int imageCount, int soundId);

 private:
  std::vector<int> images_;
};
