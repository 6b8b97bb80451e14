#include "tools/PngFile.h"

#include <csetjmp>
#include <cstring>

#include <png.h>

namespace pngfile {

namespace {

struct Source {
  const Bytes* file;
  std::size_t at;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length)
{
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  if (length > source->file->size() - source->at) png_error(png, "truncated");
  std::memcpy(out, source->file->data() + source->at, length);
  source->at += length;
}

void quiet(png_structp, png_const_charp) {}

}  // namespace

bool readPng(const Bytes& file, Image& image, std::string& error)
{
  image = Image();
  error = "not a PNG";
  if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, quiet);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  Source source{&file, 0};
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "a damaged PNG";
    return false;
  }
  png_set_read_fn(png, &source, readFromMemory);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int colourType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  if (width == 0 || height == 0 || width > 8192 || height > 8192) png_error(png, "size");
  image.width = int(width);
  image.height = int(height);
  image.indexed = colourType == PNG_COLOR_TYPE_PALETTE;
  if (image.indexed) {
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count))
      for (int i = 0; i < count && i < 256; ++i) {
        image.palette[3 * i] = palette[i].red;
        image.palette[3 * i + 1] = palette[i].green;
        image.palette[3 * i + 2] = palette[i].blue;
      }
    png_bytep alpha = nullptr;
    int alphas = 0;
    if (png_get_tRNS(png, info, &alpha, &alphas, nullptr))
      for (int i = 0; i < alphas; ++i)
        if (alpha[i] == 0) {
          image.transparentIndex = i;
          break;
        }
    if (depth < 8) png_set_packing(png);
  } else {
    if (depth == 16) png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
      png_set_gray_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t rowBytes = image.indexed ? width : std::size_t(width) * 4;
  Bytes& pixels = image.indexed ? image.indices : image.rgba;
  pixels.assign(rowBytes * height, 0);
  if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "layout");
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y)
    rows[y] = pixels.data() + y * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  error.clear();
  return true;
}

bool writeRgbPng(const std::string& path, int width, int height, const Bytes& rgb)
{
  if (width <= 0 || height <= 0 || rgb.size() < std::size_t(width) * std::size_t(height) * 3)
    return false;
  png_image out{};
  out.version = PNG_IMAGE_VERSION;
  out.width = png_uint_32(width);
  out.height = png_uint_32(height);
  out.format = PNG_FORMAT_RGB;
  const bool written = png_image_write_to_file(&out, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&out);
  return written;
}

namespace {

// Runs `write` on a libpng image of the palette image, its colour map filled in.
template <typename Write>
bool writeIndexed(const Image& image, Write write)
{
  if (!image.indexed || image.width <= 0 || image.height <= 0 ||
      image.indices.size() < std::size_t(image.width) * std::size_t(image.height))
    return false;
  png_image out{};
  out.version = PNG_IMAGE_VERSION;
  out.width = png_uint_32(image.width);
  out.height = png_uint_32(image.height);
  out.format = PNG_FORMAT_RGBA_COLORMAP;
  out.colormap_entries = 256;
  std::array<std::uint8_t, 1024> colormap{};
  for (int i = 0; i < 256; ++i) {
    std::memcpy(&colormap[4 * std::size_t(i)], &image.palette[3 * std::size_t(i)], 3);
    colormap[4 * std::size_t(i) + 3] = i == image.transparentIndex ? 0 : 255;
  }
  const bool written = write(out, colormap.data()) != 0;
  png_image_free(&out);
  return written;
}

}  // namespace

bool writeIndexedPng(const std::string& path, const Image& image)
{
  return writeIndexed(image, [&](png_image& out, const void* colormap) {
    return png_image_write_to_file(&out, path.c_str(), 0, image.indices.data(), 0, colormap);
  });
}

bool encodeIndexedPng(const Image& image, Bytes& file)
{
  return writeIndexed(image, [&](png_image& out, const void* colormap) {
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&out, nullptr, &size, 0, image.indices.data(), 0, colormap))
      return 0;
    file.resize(size);
    return png_image_write_to_memory(&out, file.data(), &size, 0, image.indices.data(), 0,
                                     colormap);
  });
}

}  // namespace pngfile
