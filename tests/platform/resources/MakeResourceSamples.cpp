// Writes the small picture and sound files that the test resource script names.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Writer {
  std::vector<std::uint8_t> bytes;
  void u8(unsigned v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void u16(unsigned v)
  {
    u8(v & 0xFF);
    u8(v >> 8);
  }
  void u32(std::uint32_t v)
  {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  void text(const char* t)
  {
    while (*t)
      u8(static_cast<unsigned char>(*t++));
  }
  void save(const std::string& path) const
  {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
};

// A bitmap information header followed by pixels (and, for icons, a mask), patterned.
std::vector<std::uint8_t> dib(int width, int height, int bits, bool withMask)
{
  Writer w;
  w.u32(40);
  w.u32(static_cast<std::uint32_t>(width));
  w.u32(static_cast<std::uint32_t>(withMask ? height * 2 : height));
  w.u16(1);
  w.u16(static_cast<unsigned>(bits));
  for (int i = 0; i < 6; ++i)
    w.u32(0);
  if (bits == 1) {
    w.u32(0);
    w.u32(0xFFFFFF);
  }
  const int rowBytes = ((width * bits + 31) / 32) * 4;
  for (int i = 0; i < rowBytes * height; ++i)
    w.u8(static_cast<unsigned>(i * 7 + bits));
  if (withMask) {
    const int maskRow = ((width + 31) / 32) * 4;
    for (int i = 0; i < maskRow * height; ++i)
      w.u8(i % 3 ? 0 : 0xFF);
  }
  return w.bytes;
}

void iconFile(const std::string& path, bool cursor)
{
  const auto image = cursor ? dib(32, 32, 1, true) : dib(16, 16, 32, true);
  Writer w;
  w.u16(0);
  w.u16(cursor ? 2 : 1);
  w.u16(1);
  w.u8(cursor ? 32 : 16);
  w.u8(cursor ? 32 : 16);
  w.u8(0);
  w.u8(0);
  w.u16(cursor ? 5 : 1);   // hot spot x, or planes
  w.u16(cursor ? 7 : 32);  // hot spot y, or bits
  w.u32(static_cast<std::uint32_t>(image.size()));
  w.u32(22);
  w.bytes.insert(w.bytes.end(), image.begin(), image.end());
  w.save(path);
}

void bitmapFile(const std::string& path)
{
  const auto image = dib(2, 2, 24, false);
  Writer w;
  w.text("BM");
  w.u32(static_cast<std::uint32_t>(14 + image.size()));
  w.u32(0);
  w.u32(54);
  w.bytes.insert(w.bytes.end(), image.begin(), image.end());
  w.save(path);
}

void waveFile(const std::string& path)
{
  Writer w;
  const unsigned samples = 441;  // 20 ms at 22050 Hz
  w.text("RIFF");
  w.u32(4 + 8 + 16 + 8 + samples + (samples & 1));
  w.text("WAVEfmt ");
  w.u32(16);
  w.u16(1);
  w.u16(1);
  w.u32(22050);
  w.u32(22050);
  w.u16(1);
  w.u16(8);
  w.text("data");
  w.u32(samples);
  for (unsigned i = 0; i < samples; ++i)
    w.u8(128 + 50);
  if (samples & 1) w.u8(0);
  w.save(path);
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) return 2;
  const std::string folder = argv[1];
  iconFile(folder + "/sample.ico", false);
  iconFile(folder + "/sample.cur", true);
  bitmapFile(folder + "/sample.bmp");
  waveFile(folder + "/sample.wav");
  return 0;
}
