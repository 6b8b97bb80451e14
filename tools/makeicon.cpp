// Draws a program icon: a 32x32 disc with a hole, as a one-picture ".ico" file, or the same
// picture as a ".cur" cursor file whose hot spot is the centre.
//   makeicon [--cursor] <output>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;

void put16(std::vector<std::uint8_t>& out, unsigned value)
{
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

}  // namespace

int main(int argc, char** argv)
{
  const bool cursor = argc == 3 && std::string(argv[1]) == "--cursor";
  if (argc != 2 && !cursor) {
    std::fprintf(stderr, "usage: makeicon [--cursor] <output>\n");
    return 2;
  }
  const char* outputName = argv[argc - 1];
  // Pixels bottom-up, 32 bits, then the AND mask (1 = transparent), rows padded to 4 bytes.
  std::vector<std::uint8_t> pixels;
  std::vector<std::uint8_t> mask;
  for (int y = kSize - 1; y >= 0; --y) {
    std::uint32_t maskRow = 0;
    for (int x = 0; x < kSize; ++x) {
      const int dx = 2 * x + 1 - kSize;
      const int dy = 2 * y + 1 - kSize;
      const int distance = dx * dx + dy * dy;
      const bool onDisc = distance <= kSize * kSize && distance > 36;
      const std::uint8_t shade = static_cast<std::uint8_t>(160 + (x + y) * 3 / 2);
      pixels.push_back(onDisc ? shade : 0);
      pixels.push_back(onDisc ? shade : 0);
      pixels.push_back(onDisc ? 200 : 0);
      pixels.push_back(onDisc ? 255 : 0);
      if (!onDisc) maskRow |= 0x80000000u >> x;
    }
    for (int shift = 24; shift >= 0; shift -= 8)
      mask.push_back(static_cast<std::uint8_t>(maskRow >> shift));
  }
  std::vector<std::uint8_t> image;
  put32(image, 40);
  put32(image, kSize);
  put32(image, kSize * 2);
  put16(image, 1);
  put16(image, 32);
  for (int i = 0; i < 6; ++i)
    put32(image, 0);
  image.insert(image.end(), pixels.begin(), pixels.end());
  image.insert(image.end(), mask.begin(), mask.end());

  std::vector<std::uint8_t> file;
  put16(file, 0);
  put16(file, cursor ? 2 : 1);
  put16(file, 1);  // one picture
  file.push_back(kSize);
  file.push_back(kSize);
  file.push_back(0);
  file.push_back(0);
  // An icon's planes and depth; a cursor's hot spot.
  put16(file, cursor ? kSize / 2 : 1);
  put16(file, cursor ? kSize / 2 : 32);
  put32(file, static_cast<std::uint32_t>(image.size()));
  put32(file, 22);
  file.insert(file.end(), image.begin(), image.end());

  FILE* out = std::fopen(outputName, "wb");
  if (!out) {
    std::perror(outputName);
    return 1;
  }
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}
