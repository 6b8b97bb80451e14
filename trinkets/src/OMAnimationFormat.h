#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "trinkets/src/OMFrameEntry.h"

// One run-length encoded image inside an animation resource: its 6-byte header and the rows
// after it. `size` counts the bytes from the header to the end of the resource, so that no
// code of a damaged image is read beyond it.
struct OMAnimationImage {
  std::uint8_t* data = nullptr;
  std::size_t size = 0;

  bool isValid() const { return data != nullptr && size >= headerSize; }
  // Zero for an invalid image.
  int width() const;
  int height() const;
  std::uint8_t* rows() const { return data + headerSize; }
  std::size_t rowBytes() const { return size - headerSize; }

  static constexpr std::size_t headerSize = 6;
};

// What the loader reads from an animation resource; the sequences and images point into the
// resource's own bytes.
struct OMAnimationHeader {
  std::uint8_t* resource = nullptr;
  std::size_t resourceSize = 0;
  int sequenceCount = 0;
  int imageCount = 0;
  int frameRate = 0;
  int embeddedX = 0;
  int embeddedY = 0;
  int embeddedZ = 0;
  // One pointer per sequence to its first entry, and its length up to and including the
  // first end entry.
  std::vector<OMFrameEntry*> sequenceTable;
  std::vector<int> sequenceLengths;
  // The images' offsets, taken from the offset table and checked against the resource.
  std::vector<std::uint32_t> imageOffsets;
  std::uint8_t* imageData = nullptr;

  // The image of that index; invalid when out of range.
  OMAnimationImage image(int index) const;
};

// Fills `header` from the resource, swapping its words in place first when the resource is
// stored big-endian (once: the swap flag is cleared). False, with `problem` saying why and
// the header left empty, when a count, offset or sequence does not fit the resource.
bool parseAnimationHeader(std::uint8_t* resource, std::size_t size, OMAnimationHeader& header,
                          const char** problem = nullptr);

// The image that begins the image data of a one-sequence resource; invalid when damaged.
OMAnimationImage firstImageOfSingleSequence(std::uint8_t* resource, std::size_t size);

// Tells the debugger that a resource was refused: which class, resource type and id.
void reportDamagedResource(const char* className, const char* typeName, int id,
                           const char* problem);
// Tells the debugger that a resource asked for is not there.
void reportMissingResource(const char* className, const char* typeName, int id);
