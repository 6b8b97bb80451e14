#include "trinkets/src/OMTBackground.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include <lzo/lzo1x.h>
#include <windows.h>

#include "framework/OMIStream.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMRegion.h"
#include "framework/OMResHandle.h"
#include "framework/OMSystem.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMStreamBytes.h"

namespace {

std::uint32_t read32(const std::uint8_t* p)
{
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

// LZO1X gives at most about 255 bytes for each byte it reads.
constexpr std::uint64_t greatestExpansion = 256;

bool damaged(int id, const char* problem)
{
  reportDamagedResource("OMTBackground", "BK16", id, problem);
  return false;
}

// One 5-bit channel widened or narrowed to a mask's width, at the mask's place. Widening sets
// each new low bit.
std::uint32_t placeChannel(std::uint32_t value, std::uint32_t mask)
{
  const int bits = std::popcount(mask);
  if (bits == 0) return 0;
  if (bits < 5) {
    value >>= 5 - bits;
  } else {
    for (int extra = 5; extra < bits; ++extra)
      value = value << 1 | 1;
  }
  return (value << std::countr_zero(mask)) & mask;
}

}  // namespace

OMTBackground::OMTBackground(const OMRect& rect, OMResHandle* handle, bool release)
    : canvas_(std::make_unique<OMMemCanvas>(std::max(1, rect.width()), std::max(1, rect.height()),
                                            16, 1))
{
  setImageRect(OMRect(0, 0, canvas_->width(), canvas_->height()));
  loadFromResource(handle, release);
}

OMTBackground::OMTBackground(const OMRect& rect, OMIStream* stream)
    : canvas_(std::make_unique<OMMemCanvas>(std::max(1, rect.width()), std::max(1, rect.height()),
                                            16, 1))
{
  setImageRect(OMRect(0, 0, canvas_->width(), canvas_->height()));
  loadFromStream(stream);
}

OMTBackground::~OMTBackground() = default;

void OMTBackground::loadFromStream(OMIStream* stream)
{
  if (stream == nullptr) return;
  std::vector<std::uint8_t> bytes;
  if (readStreamBytes(*stream, bytes))
    decode(bytes.data(), bytes.size(), *canvas_, streamResourceId(*stream));
  delete stream;
}

void OMTBackground::loadFromResource(OMResHandle* handle, bool release)
{
  if (handle == nullptr) return;
  const void* data = nullptr;
  handle->lock(&data);
  if (data) decode(static_cast<const std::uint8_t*>(data), handle->size(), *canvas_);
  handle->unlock();
  if (release) delete handle;
}

OMCanvas* OMTBackground::canvas()
{
  return canvas_.get();
}

OMRect OMTBackground::draw(OMCanvas* target, const OMRegion& area)
{
  if (target == nullptr || area.isEmpty()) return OMRect();
  const OMRect bounds = area.bounds();
  if (!bounds.hasArea()) return OMRect();
  target->copyBits(canvas_.get(), bounds.left(), bounds.top(), bounds.width(), bounds.height(),
                   bounds.left(), bounds.top(), SRCCOPY, &area);
  return bounds;
}

void OMTBackground::convertPixels(std::uint8_t* pixels, std::size_t count, std::uint32_t redMask,
                                  std::uint32_t greenMask, std::uint32_t blueMask)
{
  const bool is555 = redMask == 0x7C00 && greenMask == 0x03E0 && blueMask == 0x001F;
  const bool is565 = redMask == 0xF800 && greenMask == 0x07E0 && blueMask == 0x001F;
  // A canvas without a channel layout holds 5-5-5 pixels.
  const bool noLayout = redMask == 0 && greenMask == 0 && blueMask == 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* p = pixels + 2 * i;
    const std::uint32_t v = std::uint32_t(p[0]) << 8 | p[1];
    std::uint32_t out;
    if (is555 || noLayout) {
      out = v;
    } else if (is565) {
      out = (v >> 10) << 11 | ((v & 0x3E0) << 1 | 0x20) | (v & 0x1F);
    } else {
      out = placeChannel(v >> 10 & 0x1F, redMask) | placeChannel(v >> 5 & 0x1F, greenMask) |
            placeChannel(v & 0x1F, blueMask);
    }
    p[0] = std::uint8_t(out);
    p[1] = std::uint8_t(out >> 8);
  }
}

bool OMTBackground::decode(const std::uint8_t* data, std::size_t size, OMMemCanvas& canvas, int id)
{
  if (data == nullptr || size < 4) return damaged(id, "shorter than its header");
  if (read32(data) != headerSize) {
    alertBox("Bad format for Background", 0x3000, "Alert");
    return false;
  }
  if (size < headerSize) return damaged(id, "shorter than its header");
  const std::uint32_t width = read32(data + 4);
  const std::uint32_t rows = read32(data + 8);
  const std::uint32_t unpacked = read32(data + 16);
  const std::uint32_t packed = read32(data + 20);
  if (packed > size - headerSize) return damaged(id, "packed data past the end");
  if (width > 0x8000 || rows > 0x8000 || std::uint64_t(width) * rows * 2 > unpacked)
    return damaged(id, "rows larger than the unpacked size");
  if (unpacked > std::uint64_t(packed) * greatestExpansion + greatestExpansion)
    return damaged(id, "unpacked size beyond what the packed data can give");
  if (canvas.depth() != 16) return false;
  static const bool lzoReady = lzo_init() == LZO_E_OK;
  if (!lzoReady) return false;
  std::vector<std::uint8_t> pixels;
  try {
    pixels.resize(unpacked);
  } catch (const std::bad_alloc&) {
    return false;
  }
  lzo_uint produced = unpacked;
  const int result =
      lzo1x_decompress_safe(data + headerSize, packed, pixels.data(), &produced, nullptr);
  if (result != LZO_E_OK || produced != unpacked) return damaged(id, "packed data do not unpack");
  void* bits = nullptr;
  int pitch = 0;
  if (!canvas.lockBits(&bits, &pitch) || bits == nullptr) return false;
  const std::size_t copyWidth = std::min<std::size_t>(width, std::size_t(canvas.width()));
  const std::size_t copyRows = std::min<std::size_t>(rows, std::size_t(canvas.height()));
  for (std::size_t r = 0; r < copyRows; ++r) {
    std::uint8_t* row = pixels.data() + r * width * 2;
    convertPixels(row, copyWidth, canvas.redMask(), canvas.greenMask(), canvas.blueMask());
    std::memcpy(static_cast<std::uint8_t*>(bits) + r * std::size_t(pitch), row, copyWidth * 2);
  }
  canvas.unlockBits();
  return true;
}
