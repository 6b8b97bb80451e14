#include "tools/MovieSources.h"

#include <cstring>

namespace moviesources {

namespace {

// ---- inflate ------------------------------------------------------------------------------

class BitReader {
 public:
  BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool bits(int count, std::uint32_t& value)
  {
    value = 0;
    for (int i = 0; i < count; ++i) {
      if (at_ >= size_ * 8) return false;
      value |= std::uint32_t((data_[at_ >> 3] >> (at_ & 7)) & 1) << i;
      ++at_;
    }
    return true;
  }
  void alignToByte() { at_ = (at_ + 7) & ~std::size_t(7); }
  std::size_t bytePosition() const { return at_ >> 3; }
  void skipBytes(std::size_t n) { at_ += n * 8; }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// A canonical prefix code: how many codes of each length, and the symbols in code order.
struct PrefixCode {
  std::array<int, 16> counts{};
  std::vector<int> symbols;

  bool build(const std::uint8_t* lengths, int n)
  {
    counts.fill(0);
    for (int i = 0; i < n; ++i)
      ++counts[lengths[i]];
    int left = 1;
    for (int len = 1; len < 16; ++len) {
      left = left * 2 - counts[len];
      if (left < 0) return false;
    }
    std::array<int, 16> offsets{};
    for (int len = 1; len < 15; ++len)
      offsets[len + 1] = offsets[len] + counts[len];
    symbols.assign(n, 0);
    for (int i = 0; i < n; ++i)
      if (lengths[i]) symbols[offsets[lengths[i]]++] = i;
    return true;
  }

  int decode(BitReader& in) const
  {
    int code = 0, first = 0, index = 0;
    for (int len = 1; len < 16; ++len) {
      std::uint32_t bit;
      if (!in.bits(1, bit)) return -1;
      code |= int(bit);
      const int count = counts[len];
      if (code - count < first) return symbols[index + (code - first)];
      index += count;
      first += count;
      first <<= 1;
      code <<= 1;
    }
    return -1;
  }
};

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool inflateBlock(BitReader& in, const PrefixCode& lengths, const PrefixCode& distances, Bytes& out)
{
  for (;;) {
    const int symbol = lengths.decode(in);
    if (symbol < 0) return false;
    if (symbol < 256) {
      out.push_back(static_cast<std::uint8_t>(symbol));
      continue;
    }
    if (symbol == 256) return true;
    if (symbol - 257 >= 29) return false;
    std::uint32_t extra;
    if (!in.bits(kLengthExtra[symbol - 257], extra)) return false;
    const std::size_t length = kLengthBase[symbol - 257] + extra;
    const int d = distances.decode(in);
    if (d < 0 || d >= 30 || !in.bits(kDistanceExtra[d], extra)) return false;
    const std::size_t distance = kDistanceBase[d] + extra;
    if (distance > out.size()) return false;
    for (std::size_t i = 0; i < length; ++i)
      out.push_back(out[out.size() - distance]);
  }
}

bool inflateRaw(BitReader& in, Bytes& out)
{
  for (;;) {
    std::uint32_t last, type;
    if (!in.bits(1, last) || !in.bits(2, type)) return false;
    if (type == 0) {
      in.alignToByte();
      const std::size_t at = in.bytePosition();
      if (at + 4 > in.size()) return false;
      const std::uint8_t* p = in.data() + at;
      const unsigned length = p[0] | p[1] << 8;
      if ((length ^ 0xFFFFu) != unsigned(p[2] | p[3] << 8) || at + 4 + length > in.size())
        return false;
      out.insert(out.end(), p + 4, p + 4 + length);
      in.skipBytes(4 + length);
    } else if (type == 1) {
      std::array<std::uint8_t, 288> fixed{};
      for (int i = 0; i < 288; ++i)
        fixed[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
      std::array<std::uint8_t, 30> fixedDistances;
      fixedDistances.fill(5);
      PrefixCode lengths, distances;
      lengths.build(fixed.data(), 288);
      distances.build(fixedDistances.data(), 30);
      if (!inflateBlock(in, lengths, distances, out)) return false;
    } else if (type == 2) {
      std::uint32_t hlit, hdist, hclen;
      if (!in.bits(5, hlit) || !in.bits(5, hdist) || !in.bits(4, hclen)) return false;
      static constexpr int kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                         11, 4,  12, 3, 13, 2, 14, 1, 15};
      std::array<std::uint8_t, 19> codeLengths{};
      for (std::uint32_t i = 0; i < hclen + 4; ++i) {
        std::uint32_t v;
        if (!in.bits(3, v)) return false;
        codeLengths[kOrder[i]] = static_cast<std::uint8_t>(v);
      }
      PrefixCode lengthCode;
      if (!lengthCode.build(codeLengths.data(), 19)) return false;
      const std::uint32_t total = hlit + 257 + hdist + 1;
      std::vector<std::uint8_t> lengths;
      while (lengths.size() < total) {
        const int symbol = lengthCode.decode(in);
        if (symbol < 0) return false;
        std::uint32_t repeat = 0;
        std::uint8_t value = 0;
        if (symbol < 16) {
          lengths.push_back(static_cast<std::uint8_t>(symbol));
          continue;
        }
        if (symbol == 16) {
          if (lengths.empty() || !in.bits(2, repeat)) return false;
          value = lengths.back();
          repeat += 3;
        } else if (symbol == 17) {
          if (!in.bits(3, repeat)) return false;
          repeat += 3;
        } else {
          if (!in.bits(7, repeat)) return false;
          repeat += 11;
        }
        if (lengths.size() + repeat > total) return false;
        lengths.insert(lengths.end(), repeat, value);
      }
      PrefixCode literalCode, distanceCode;
      if (!literalCode.build(lengths.data(), int(hlit + 257)) ||
          !distanceCode.build(lengths.data() + hlit + 257, int(hdist + 1)) ||
          !inflateBlock(in, literalCode, distanceCode, out))
        return false;
    } else {
      return false;
    }
    if (last) return true;
  }
}

// ---- PNG ----------------------------------------------------------------------------------

std::uint32_t be32(const std::uint8_t* p)
{
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void putBe32(Bytes& out, std::uint32_t value)
{
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putChunk(Bytes& out, const char* type, const Bytes& data)
{
  putBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  putBe32(out, crc32(out.data() + start, out.size() - start));
}

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t le32(const std::uint8_t* p)
{
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

void putLe(Bytes& out, std::uint32_t value, int bytes)
{
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::uint32_t crc32(const std::uint8_t* data, std::size_t size)
{
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i)
    crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

bool inflateZlib(const std::uint8_t* data, std::size_t size, Bytes& out)
{
  if (size < 2 || (data[0] & 0x0F) != 8 || ((data[0] << 8) | data[1]) % 31 != 0 || (data[1] & 0x20))
    return false;
  BitReader in(data + 2, size - 2);
  return inflateRaw(in, out);
}

bool readIndexedPng(const Bytes& file, IndexedImage& image, std::string& error)
{
  error = "not an 8-bit palette PNG";
  if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) return false;
  Bytes compressed;
  bool header = false;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::uint32_t length = be32(&file[at]);
    if (length > file.size() - at - 12) return false;
    const std::uint8_t* type = &file[at + 4];
    const std::uint8_t* body = type + 4;
    if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13) {
      image.width = static_cast<int>(be32(body));
      image.height = static_cast<int>(be32(body + 4));
      if (body[8] != 8 || body[9] != 3 || body[12] != 0 || image.width <= 0 || image.height <= 0 ||
          image.width > 4096 || image.height > 4096)
        return false;
      header = true;
    } else if (std::memcmp(type, "PLTE", 4) == 0) {
      image.palette.fill(0);
      std::memcpy(image.palette.data(), body, std::min<std::size_t>(length, 768));
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      compressed.insert(compressed.end(), body, body + length);
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      break;
    }
    at += 12 + length;
  }
  Bytes raw;
  if (!header || !inflateZlib(compressed.data(), compressed.size(), raw)) return false;
  const std::size_t row = std::size_t(image.width);
  if (raw.size() < (row + 1) * image.height) return false;
  image.indices.assign(row * image.height, 0);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t filter = raw[y * (row + 1)];
    const std::uint8_t* in = &raw[y * (row + 1) + 1];
    std::uint8_t* out = &image.indices[y * row];
    const std::uint8_t* up = y > 0 ? out - row : nullptr;
    for (std::size_t x = 0; x < row; ++x) {
      const int a = x > 0 ? out[x - 1] : 0, b = up ? up[x] : 0, c = (x > 0 && up) ? up[x - 1] : 0;
      int predicted = 0;
      switch (filter) {
        case 0:
          predicted = 0;
          break;
        case 1:
          predicted = a;
          break;
        case 2:
          predicted = b;
          break;
        case 3:
          predicted = (a + b) / 2;
          break;
        case 4: {
          const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
          predicted = (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
          break;
        }
        default:
          return false;
      }
      out[x] = static_cast<std::uint8_t>(in[x] + predicted);
    }
  }
  error.clear();
  return true;
}

Bytes writeIndexedPng(const IndexedImage& image)
{
  Bytes out(kSignature, kSignature + 8);
  Bytes header;
  putBe32(header, static_cast<std::uint32_t>(image.width));
  putBe32(header, static_cast<std::uint32_t>(image.height));
  header.insert(header.end(), {8, 3, 0, 0, 0});
  putChunk(out, "IHDR", header);
  putChunk(out, "PLTE", Bytes(image.palette.begin(), image.palette.end()));
  Bytes raw;
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), image.indices.begin() + std::size_t(y) * image.width,
               image.indices.begin() + std::size_t(y + 1) * image.width);
  }
  Bytes zlib{0x78, 0x01};
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    zlib.push_back(at + n >= raw.size() ? 1 : 0);
    putLe(zlib, static_cast<std::uint32_t>(n), 2);
    putLe(zlib, static_cast<std::uint32_t>(n ^ 0xFFFF), 2);
    zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + n);
    if (raw.empty()) break;
  }
  putBe32(zlib, b << 16 | a);
  putChunk(out, "IDAT", zlib);
  putChunk(out, "IEND", {});
  return out;
}

bool readWave(const Bytes& file, Wave& wave, std::string& error)
{
  error = "not a PCM WAVE file of 8 or 16 bits, mono or stereo";
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
      std::memcmp(file.data() + 8, "WAVE", 4) != 0)
    return false;
  bool format = false, data = false;
  for (std::size_t at = 12; at + 8 <= file.size();) {
    const std::uint32_t length = le32(&file[at + 4]);
    if (length > file.size() - at - 8) return false;
    const std::uint8_t* body = &file[at + 8];
    if (std::memcmp(&file[at], "fmt ", 4) == 0 && length >= 16) {
      if ((body[0] | body[1] << 8) != 1) return false;
      wave.channels = body[2] | body[3] << 8;
      wave.rate = le32(body + 4);
      wave.bits = body[14] | body[15] << 8;
      format = true;
    } else if (std::memcmp(&file[at], "data", 4) == 0) {
      wave.samples.assign(body, body + length);
      data = true;
    }
    at += 8 + length + (length & 1);
  }
  if (!format || !data || (wave.bits != 8 && wave.bits != 16) ||
      (wave.channels != 1 && wave.channels != 2) || wave.rate == 0)
    return false;
  wave.samples.resize(wave.samples.size() / (wave.bits / 8 * wave.channels) *
                      (wave.bits / 8 * wave.channels));
  error.clear();
  return true;
}

Bytes writeWave(const Wave& wave)
{
  Bytes out{'R', 'I', 'F', 'F'};
  putLe(out, static_cast<std::uint32_t>(36 + wave.samples.size()), 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  const int align = wave.bits / 8 * wave.channels;
  putLe(out, 16, 4);
  putLe(out, 1, 2);
  putLe(out, static_cast<std::uint32_t>(wave.channels), 2);
  putLe(out, wave.rate, 4);
  putLe(out, wave.rate * static_cast<std::uint32_t>(align), 4);
  putLe(out, static_cast<std::uint32_t>(align), 2);
  putLe(out, static_cast<std::uint32_t>(wave.bits), 2);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  putLe(out, static_cast<std::uint32_t>(wave.samples.size()), 4);
  out.insert(out.end(), wave.samples.begin(), wave.samples.end());
  return out;
}

}  // namespace moviesources
