#include "trinkets/src/OMFrameDecoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/OMIStream.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMResHandle.h"
#include "trinkets/src/OMStreamBytes.h"

namespace {

const std::uint32_t zeroTable[256] = {};
const std::uint32_t* currentTable = zeroTable;

enum class CodeKind { skip, fill, literal };

// Walks every code of an image's rows. The visitor's beginRow(r) starts each row and
// code(kind, column, count, bytes) sees each code, bytes pointing at a fill's colour byte or a
// literal's colour bytes (null for a skip); a false answer from code stops the walk. Answers false
// when a code runs past the data or its row: the walk then stops there.
template <typename Visitor>
bool walkImage(const OMAnimationImage& image, Visitor& visitor)
{
  if (!image.isValid()) return false;
  const int width = image.width();
  const int height = image.height();
  std::uint8_t* p = image.rows();
  std::uint8_t* const end = p + image.rowBytes();
  for (int r = 0; r < height; ++r) {
    visitor.beginRow(r);
    int c = 0;
    while (c < width) {
      if (p == end) return false;
      const std::uint8_t first = *p;
      CodeKind kind;
      int count;
      std::uint8_t* bytes = nullptr;
      if (first == 0) {
        if (end - p < 2) return false;
        kind = CodeKind::skip;
        count = p[1];
        p += 2;
      } else if (first == 255) {
        if (end - p < 3) return false;
        kind = CodeKind::fill;
        bytes = p + 1;
        count = p[2];
        p += 3;
      } else {
        if (end - p < 1 + first) return false;
        kind = CodeKind::literal;
        count = first;
        bytes = p + 1;
        p += 1 + first;
      }
      if (count > width - c) return false;
      if (!visitor.code(kind, c, count, bytes)) return true;
      c += count;
    }
  }
  return true;
}

struct PixelFormat {
  int bytesPerPixel;
  const std::uint32_t* table;
  std::uint32_t keep;  // bits a 3-byte store leaves as they were
};

template <int Bpp>
inline void storePixel(std::uint8_t* p, std::uint8_t index, const PixelFormat& format)
{
  if constexpr (Bpp == 1) {
    *p = index;
  } else if constexpr (Bpp == 2) {
    const auto value = std::uint16_t(format.table[index]);
    std::memcpy(p, &value, 2);
  } else if constexpr (Bpp == 3) {
    const std::uint32_t old = p[0] | p[1] << 8 | p[2] << 16;
    const std::uint32_t value = (old & format.keep) | (format.table[index] & ~format.keep);
    p[0] = std::uint8_t(value);
    p[1] = std::uint8_t(value >> 8);
    p[2] = std::uint8_t(value >> 16);
  } else {
    const std::uint32_t value = format.table[index];
    std::memcpy(p, &value, 4);
  }
}

// A run of one 16-bit colour, left to right, eight words to a store: the compiler leaves a
// plain loop of word stores as it is.
inline void fillWords(std::uint8_t* to, std::uint16_t value, long long count)
{
  std::uint16_t eight[8];
  std::fill_n(eight, 8, value);
  long long k = 0;
  for (; k + 8 <= count; k += 8)
    std::memcpy(to + 2 * k, eight, sizeof eight);
  for (; k < count; ++k)
    std::memcpy(to + 2 * k, &value, 2);
}

// A run of indices through the table to 16-bit colours, left to right.
inline void wordsOf(std::uint8_t* to, const std::uint8_t* indices, long long count,
                    const std::uint32_t* table)
{
  for (long long k = 0; k < count; ++k) {
    const auto value = std::uint16_t(table[indices[k]]);
    std::memcpy(to + 2 * k, &value, 2);
  }
}

// Draws one image into locked pixels through a clip. Each source row maps to a line of
// destination pixels: its column c lands at offset0 + c·step, and only columns in
// [low, high) lie inside the clip.
template <int Bpp>
struct RowWriter {
  std::uint8_t* base;
  long long pitch;
  long long x, y;
  long long width, height;
  OMRect clip;
  int direction;
  PixelFormat format;
  bool visible = false;
  long long offset0 = 0, step = 0, low = 0, high = 0;

  void beginRow(int r)
  {
    const bool mirrorH = direction & drawMirrorHorizontal;
    const bool mirrorV = direction & drawMirrorVertical;
    if (!(direction & drawTransposed)) {
      const long long row = y + (mirrorV ? height - 1 - r : r);
      visible = row >= clip.top() && row < clip.bottom();
      if (!mirrorH) {
        offset0 = row * pitch + x * Bpp;
        step = Bpp;
        low = clip.left() - x;
        high = clip.right() - x;
      } else {
        offset0 = row * pitch + (x + width - 1) * Bpp;
        step = -Bpp;
        low = x + width - clip.right();
        high = x + width - clip.left();
      }
    } else {
      const long long column = x + (mirrorH ? r : height - 1 - r);
      visible = column >= clip.left() && column < clip.right();
      if (!mirrorV) {
        offset0 = y * pitch + column * Bpp;
        step = pitch;
        low = clip.top() - y;
        high = clip.bottom() - y;
      } else {
        offset0 = (y + width - 1) * pitch + column * Bpp;
        step = -pitch;
        low = y + width - clip.bottom();
        high = y + width - clip.top();
      }
    }
    low = std::max<long long>(low, 0);
    high = std::min<long long>(high, width);
  }

  bool code(CodeKind kind, int c, int count, const std::uint8_t* bytes)
  {
    if (!visible || kind == CodeKind::skip) return true;
    const std::uint8_t colour = *bytes;
    const std::uint8_t* literal = bytes;
    const long long from = std::max<long long>(c, low);
    const long long to = std::min<long long>(c + count, high);
    if (from >= to) return true;
    if (kind == CodeKind::fill) {
      if (Bpp == 1 && step == 1) {
        std::memset(base + offset0 + from, colour, std::size_t(to - from));
        return true;
      }
      if (Bpp == 2 && step == 2) {
        fillWords(base + offset0 + 2 * from, std::uint16_t(format.table[colour]), to - from);
        return true;
      }
      for (long long k = from; k < to; ++k)
        storePixel<Bpp>(base + offset0 + k * step, colour, format);
    } else if (Bpp == 1 && step == 1) {
      std::memcpy(base + offset0 + from, literal + (from - c), std::size_t(to - from));
    } else if (Bpp == 2 && step == 2) {
      wordsOf(base + offset0 + 2 * from, literal + (from - c), to - from, format.table);
    } else {
      for (long long k = from; k < to; ++k)
        storePixel<Bpp>(base + offset0 + k * step, literal[k - c], format);
    }
    return true;
  }
};

template <int Bpp>
bool drawInto(std::uint8_t* bits, int pitch, int x, int y, const OMAnimationImage& image,
              const OMRect& clip, int direction, const PixelFormat& format)
{
  RowWriter<Bpp> writer{bits, pitch, x, y, image.width(), image.height(), clip, direction, format};
  return walkImage(image, writer);
}

bool drawImage(int x, int y, const OMAnimationImage& image, OMCanvas* canvas,
               const OMRect& clipRect, int direction)
{
  if (!image.isValid()) return false;
  auto* target = dynamic_cast<OMMemCanvas*>(canvas);
  // Depths below 8 bits hold less than a byte a pixel: such a target takes no image.
  if (target == nullptr || target->depth() < 8 || target->depth() > 32) return true;
  OMRect clip = clipRect.intersection(OMRect(0, 0, target->width(), target->height()));
  if (!clip.hasArea()) return true;
  void* pixels = nullptr;
  int pitch = 0;
  if (!target->lockBits(&pixels, &pitch) || pixels == nullptr) return true;
  // A 3-byte store keeps the bits outside the channels; a canvas without a channel layout
  // takes all 24.
  const std::uint32_t channels = target->redMask() | target->greenMask() | target->blueMask();
  PixelFormat format{target->depth() <= 8 ? 1 : (target->depth() + 7) / 8, currentTable,
                     channels == 0 ? 0u : ~channels};
  auto* bits = static_cast<std::uint8_t*>(pixels);
  bool intact = true;
  switch (format.bytesPerPixel) {
    case 1:
      intact = drawInto<1>(bits, pitch, x, y, image, clip, direction, format);
      break;
    case 2:
      intact = drawInto<2>(bits, pitch, x, y, image, clip, direction, format);
      break;
    case 3:
      intact = drawInto<3>(bits, pitch, x, y, image, clip, direction, format);
      break;
    default:
      intact = drawInto<4>(bits, pitch, x, y, image, clip, direction, format);
      break;
  }
  target->unlockBits();
  return intact;
}

// A picture layer's 8-bit image; `id` names a damaged resource in the report.
bool drawFirstImageOf(OMCanvas* canvas, std::vector<std::uint8_t>& bytes, int id)
{
  const OMAnimationImage image = firstImageOfSingleSequence(bytes.data(), bytes.size());
  if (!image.isValid()) {
    reportDamagedResource("OMDrawLayer", "ASEQ", id, "no image to draw");
    return false;
  }
  if (canvas == nullptr) return false;
  const std::uint32_t* previous = currentTable;
  currentTable = zeroTable;
  const bool intact =
      drawClipped(0, 0, image, canvas, OMRect(0, 0, canvas->width(), canvas->height()), 0);
  currentTable = previous;
  return intact;
}

// Finds the code under one source pixel.
struct PixelProbe {
  int column, row;
  int current = -1;
  int found = -1;
  void beginRow(int r) { current = r; }
  bool code(CodeKind kind, int c, int count, const std::uint8_t* bytes)
  {
    if (current < row || column >= c + count) return true;
    if (kind == CodeKind::fill) found = bytes[0];
    if (kind == CodeKind::literal) found = bytes[column - c];
    return false;
  }
};

template <typename Change>
struct Recolour {
  Change change;
  void beginRow(int) {}
  bool code(CodeKind kind, int, int count, std::uint8_t* bytes)
  {
    if (kind == CodeKind::fill) bytes[0] = change(bytes[0]);
    if (kind == CodeKind::literal)
      for (int k = 0; k < count; ++k)
        bytes[k] = change(bytes[k]);
    return true;
  }
};

template <typename Change>
void recolour(const OMAnimationImage& image, Change change)
{
  Recolour<Change> visitor{change};
  walkImage(image, visitor);
}

template <typename Apply>
void forEachImage(const OMAnimationHeader& header, int image, Apply apply)
{
  const int count = int(header.imageOffsets.size());
  if (image == -2) {
    for (int i = 0; i < count; ++i)
      apply(header.image(i));
  } else if (image >= 0 && image < count) {
    apply(header.image(image));
  }
}

}  // namespace

void setDecoderColorTable(const std::uint32_t* table)
{
  currentTable = table ? table : zeroTable;
}

const std::uint32_t* decoderColorTable()
{
  return currentTable;
}

const std::uint32_t* defaultColorTable()
{
  return zeroTable;
}

bool drawUnclipped(int x, int y, const OMAnimationImage& image, OMCanvas* canvas, int direction)
{
  if (canvas == nullptr) return image.isValid();
  // Whether or not the caller checked that the image fits, the target's edges hold.
  return drawImage(x, y, image, canvas, OMRect(0, 0, canvas->width(), canvas->height()), direction);
}

bool drawClipped(int x, int y, const OMAnimationImage& image, OMCanvas* canvas,
                 const OMRect& clipRect, int direction)
{
  return drawImage(x, y, image, canvas, clipRect, direction);
}

bool drawFirstImage(OMCanvas* canvas, OMIStream* stream)
{
  if (stream == nullptr) return false;
  std::vector<std::uint8_t> bytes;
  const bool intact =
      readStreamBytes(*stream, bytes) && drawFirstImageOf(canvas, bytes, streamResourceId(*stream));
  delete stream;
  return intact;
}

bool drawFirstImage(OMCanvas* canvas, OMResHandle* handle)
{
  if (handle == nullptr) return false;
  std::vector<std::uint8_t> bytes;
  const bool intact = readResourceBytes(*handle, bytes) && drawFirstImageOf(canvas, bytes, -1);
  delete handle;
  return intact;
}

int imageColorAt(const OMAnimationImage& image, int direction, int x, int y)
{
  const int width = image.width();
  const int height = image.height();
  const bool transposed = direction & drawTransposed;
  const bool mirrorH = direction & drawMirrorHorizontal;
  const bool mirrorV = direction & drawMirrorVertical;
  if (x < 0 || y < 0 || x >= (transposed ? height : width) || y >= (transposed ? width : height))
    return -1;
  PixelProbe probe{0, 0};
  if (!transposed) {
    probe.column = mirrorH ? width - 1 - x : x;
    probe.row = mirrorV ? height - 1 - y : y;
  } else {
    probe.row = mirrorH ? x : height - 1 - x;
    probe.column = mirrorV ? width - 1 - y : y;
  }
  walkImage(image, probe);
  return probe.found;
}

void replaceImageColors(const OMAnimationImage& image, int count, const std::uint8_t* from,
                        const std::uint8_t* to)
{
  if (count <= 0 || from == nullptr || to == nullptr) return;
  recolour(image, [&](std::uint8_t index) {
    for (int i = 0; i < count; ++i)
      if (from[i] == index) return to[i];
    return index;
  });
}

void swapImageColors(const OMAnimationImage& image, std::uint8_t a, std::uint8_t b)
{
  recolour(image, [&](std::uint8_t index) { return index == a ? b : index == b ? a : index; });
}

void replaceColors(const OMAnimationHeader& header, int count, const std::uint8_t* from,
                   const std::uint8_t* to, int image)
{
  forEachImage(header, image,
               [&](const OMAnimationImage& one) { replaceImageColors(one, count, from, to); });
}

void replaceColor(const OMAnimationHeader& header, std::uint8_t from, std::uint8_t to, int image)
{
  replaceColors(header, 1, &from, &to, image);
}

void swapColors(const OMAnimationHeader& header, std::uint8_t a, std::uint8_t b, int image)
{
  forEachImage(header, image, [&](const OMAnimationImage& one) { swapImageColors(one, a, b); });
}
