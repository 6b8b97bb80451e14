#include "trinkets/src/OMAnimationFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <windows.h>

#include "framework/OMResourceReport.h"

namespace {

constexpr std::size_t fixedHeaderSize = 10;
constexpr std::size_t placementSize = 4;
constexpr std::size_t entrySize = sizeof(OMFrameEntry);

std::uint16_t read16(const std::uint8_t* p)
{
  std::uint16_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

std::uint32_t read32(const std::uint8_t* p)
{
  std::uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

void swap16(std::uint8_t* p)
{
  std::swap(p[0], p[1]);
}

void swap32(std::uint8_t* p)
{
  std::swap(p[0], p[3]);
  std::swap(p[1], p[2]);
}

// Placement coordinates are 12 bits: up to 2048 positive, above it 2048 - v (2049 is -1).
int placementCoordinate(int v)
{
  return v <= 2048 ? v : 2048 - v;
}

bool fits(std::size_t offset, std::size_t length, std::size_t size)
{
  return offset <= size && length <= size - offset;
}

// Swaps every word the loader reads, as far as the resource holds them; an image header is
// swapped once even when several offsets name it.
void swapResource(std::uint8_t* data, std::size_t size)
{
  swap16(data);
  swap16(data + 2);
  const int sequences = std::int16_t(read16(data));
  const int images = std::int16_t(read16(data + 2));
  if (sequences < 0 || images < 0) return;
  std::size_t pos = fixedHeaderSize;
  if (!fits(pos, std::size_t(images) * 4, size)) return;
  std::vector<std::uint32_t> offsets;
  for (int i = 0; i < images; ++i, pos += 4) {
    swap32(data + pos);
    offsets.push_back(read32(data + pos));
  }
  pos += std::size_t(sequences) * placementSize;
  for (int s = 0; s < sequences; ++s) {
    if (!fits(pos, 2, size)) return;
    swap16(data + pos);
    const int count = std::int16_t(read16(data + pos));
    pos += 2;
    if (count < 0 || !fits(pos, std::size_t(count) * entrySize, size)) return;
    for (int e = 0; e < count * 4; ++e, pos += 2)
      swap16(data + pos);
  }
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  for (std::uint32_t offset : offsets) {
    if (!fits(pos, std::size_t(offset) + OMAnimationImage::headerSize, size)) continue;
    for (int w = 0; w < 3; ++w)
      swap16(data + pos + offset + 2 * w);
  }
}

bool refuse(OMAnimationHeader& header, const char** problem, const char* why)
{
  header = OMAnimationHeader();
  if (problem) *problem = why;
  return false;
}

}  // namespace

int OMAnimationImage::width() const
{
  return isValid() ? std::max(0, int(std::int16_t(read16(data + 2)))) : 0;
}

int OMAnimationImage::height() const
{
  return isValid() ? std::max(0, int(std::int16_t(read16(data + 4)))) : 0;
}

OMAnimationImage OMAnimationHeader::image(int index) const
{
  if (index < 0 || index >= int(imageOffsets.size())) return {};
  const std::size_t start = std::size_t(imageData - resource) + imageOffsets[std::size_t(index)];
  return {resource + start, resourceSize - start};
}

bool parseAnimationHeader(std::uint8_t* resource, std::size_t size, OMAnimationHeader& header,
                          const char** problem)
{
  if (resource == nullptr || size < fixedHeaderSize)
    return refuse(header, problem, "shorter than its header");
  // Entries are read in place.
  if (reinterpret_cast<std::uintptr_t>(resource) % alignof(OMFrameEntry) != 0)
    return refuse(header, problem, "not aligned");
  if (resource[5] != 0) {
    swapResource(resource, size);
    resource[5] = 0;
  }
  OMAnimationHeader parsed;
  parsed.resource = resource;
  parsed.resourceSize = size;
  parsed.sequenceCount = std::int16_t(read16(resource));
  parsed.imageCount = std::int16_t(read16(resource + 2));
  parsed.frameRate = resource[4];
  if (parsed.sequenceCount < 1) return refuse(header, problem, "no sequence");
  if (parsed.imageCount < 0) return refuse(header, problem, "negative image count");
  std::size_t pos = fixedHeaderSize;
  const std::size_t tableBytes = std::size_t(parsed.imageCount) * 4;
  const std::size_t placementBytes = std::size_t(parsed.sequenceCount) * placementSize;
  if (!fits(pos, tableBytes + placementBytes, size))
    return refuse(header, problem, "offset table past the end");
  for (int i = 0; i < parsed.imageCount; ++i)
    parsed.imageOffsets.push_back(read32(resource + pos + 4 * std::size_t(i)));
  pos += tableBytes;
  const std::uint8_t* placement = resource + pos;
  parsed.embeddedX = placementCoordinate(placement[0] | (placement[2] & 0x0F) << 8);
  parsed.embeddedY = placementCoordinate(placement[1] | (placement[2] >> 4) << 8);
  parsed.embeddedZ = placement[3];
  pos += placementBytes;
  for (int s = 0; s < parsed.sequenceCount; ++s) {
    if (!fits(pos, 2, size)) return refuse(header, problem, "sequence past the end");
    const int count = std::int16_t(read16(resource + pos));
    pos += 2;
    if (count < 1 || !fits(pos, std::size_t(count) * entrySize, size))
      return refuse(header, problem, "sequence entries past the end");
    auto* entries = reinterpret_cast<OMFrameEntry*>(resource + pos);
    int length = 0;
    while (length < count && entries[length].image != OMFrameEntry::end)
      ++length;
    if (length == count) return refuse(header, problem, "sequence without an end entry");
    parsed.sequenceTable.push_back(entries);
    parsed.sequenceLengths.push_back(length + 1);
    pos += std::size_t(count) * entrySize;
  }
  parsed.imageData = resource + pos;
  for (std::uint32_t offset : parsed.imageOffsets) {
    if (!fits(pos, std::size_t(offset) + OMAnimationImage::headerSize, size))
      return refuse(header, problem, "image offset past the end");
    const std::uint8_t* image = resource + pos + offset;
    if (std::int16_t(read16(image + 2)) < 0 || std::int16_t(read16(image + 4)) < 0)
      return refuse(header, problem, "negative image size");
  }
  header = std::move(parsed);
  return true;
}

OMAnimationImage firstImageOfSingleSequence(std::uint8_t* resource, std::size_t size)
{
  OMAnimationHeader header;
  if (!parseAnimationHeader(resource, size, header)) return {};
  const std::size_t start = std::size_t(header.imageData - resource);
  if (!fits(start, OMAnimationImage::headerSize, size)) return {};
  OMAnimationImage image{header.imageData, size - start};
  if (std::int16_t(read16(image.data + 2)) < 0 || std::int16_t(read16(image.data + 4)) < 0)
    return {};
  return image;
}

void reportDamagedResource(const char* className, const char* typeName, int id, const char* problem)
{
  char line[200];
  std::snprintf(line, sizeof line, "%s: damaged %s resource %d: %s", className, typeName, id,
                problem ? problem : "refused");
  traceOnce(line);
}

void reportMissingResource(const char* className, const char* typeName, int id)
{
  char line[200];
  std::snprintf(line, sizeof line, "%s: no %s resource %d", className, typeName, id);
  traceOnce(line);
}
