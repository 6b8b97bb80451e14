// Writes the small BMP files the framework tests pack into their resources.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& out, std::uint32_t value, int bytes)
{
  for (int i = 0; i < bytes; ++i)
    out.push_back(std::uint8_t(value >> (8 * i)));
}

// A BMP file: file header, information header (of headerSize bytes), colours, bits.
Bytes bmp(int width, int height, int bitCount, std::uint32_t colors, const Bytes& palette,
          const Bytes& bits, std::uint32_t headerSize = 40)
{
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  put(out, std::uint32_t(14 + 40 + palette.size() + bits.size()), 4);
  put(out, 0, 4);
  put(out, std::uint32_t(14 + 40 + palette.size()), 4);
  put(out, headerSize, 4);
  put(out, std::uint32_t(width), 4);
  put(out, std::uint32_t(height), 4);
  put(out, 1, 2);
  put(out, std::uint32_t(bitCount), 2);
  put(out, 0, 4);
  put(out, std::uint32_t(bits.size()), 4);
  put(out, 2835, 4);
  put(out, 2835, 4);
  put(out, colors, 4);
  put(out, 0, 4);
  out.insert(out.end(), palette.begin(), palette.end());
  out.insert(out.end(), bits.begin(), bits.end());
  return out;
}

void write(const std::string& path, const Bytes& bytes)
{
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 2) return 2;
  const std::string folder = argv[1];
  Bytes palette;
  for (int i = 0; i < 256; ++i)
    put(palette, std::uint32_t(i * 0x010101), 4);
  // 5 x 2, 8 bits: rows of 8 bytes; 252 marks transparent pixels.
  const Bytes bits8 = {1, 252, 3, 252, 5, 0, 0, 0, 252, 7, 8, 9, 252, 0, 0, 0};
  write(folder + "/bitmap8.bmp", bmp(5, 2, 8, 0, palette, bits8));
  // 2 x 2, 24 bits: rows of 8 bytes; the first pixel's colour is transparent.
  const Bytes bits24 = {10, 20, 30, 1, 2, 3, 0, 0, 4, 5, 6, 10, 20, 30, 0, 0};
  write(folder + "/bitmap24.bmp", bmp(2, 2, 24, 0, {}, bits24));
  // Bits that stop short of what the header promises.
  write(folder + "/short.bmp", bmp(64, 64, 24, 0, {}, Bytes(100, 1)));
  // An old-style header of 12 bytes.
  write(folder + "/core.bmp", bmp(2, 2, 24, 0, {}, bits24, 12));
  // 40 x 30, 8 bits, stored bottom-up and top-down: grey levels 10 to 209 that change with
  // every column and row, and a square of transparent 252 at (5, 5) to (10, 10).
  const int width = 40, height = 30;
  auto level = [](int x, int y) {
    return std::uint8_t(x >= 5 && x < 10 && y >= 5 && y < 10 ? 252 : 10 + (x + 7 * y) % 200);
  };
  Bytes bottomUp, topDown;
  for (int row = 0; row < height; ++row)
    for (int x = 0; x < width; ++x) {
      bottomUp.push_back(level(x, height - 1 - row));
      topDown.push_back(level(x, row));
    }
  write(folder + "/picture8.bmp", bmp(width, height, 8, 0, palette, bottomUp));
  write(folder + "/topdown8.bmp", bmp(width, -height, 8, 0, palette, topDown));
  return 0;
}
