#include "tools/AnimationWriter.h"

namespace {

constexpr int longestRun = 255;
constexpr int longestLiteral = 254;

class Output {
 public:
  Output(AnimationWriter::Bytes& out, bool bigEndian) : out_(out), bigEndian_(bigEndian) {}
  void word(int value)
  {
    const auto v = std::uint16_t(value);
    if (bigEndian_) {
      out_.push_back(std::uint8_t(v >> 8));
      out_.push_back(std::uint8_t(v));
    } else {
      out_.push_back(std::uint8_t(v));
      out_.push_back(std::uint8_t(v >> 8));
    }
  }
  void dword(std::uint32_t value)
  {
    for (int i = 0; i < 4; ++i) {
      const int shift = bigEndian_ ? 24 - 8 * i : 8 * i;
      out_.push_back(std::uint8_t(value >> shift));
    }
  }
  void byte(int value) { out_.push_back(std::uint8_t(value)); }

 private:
  AnimationWriter::Bytes& out_;
  bool bigEndian_;
};

int twelveBits(int value)
{
  // Up to 2048 as it stands; negative values v as 2048 - v.
  return (value >= 0 ? value : 2048 - value) & 0xFFF;
}

}  // namespace

AnimationWriter::Image AnimationWriter::Image::fromPixels(int width, int height,
                                                          const Bytes& pixels, int transparent)
{
  Image image;
  image.width = width;
  image.height = height;
  for (int r = 0; r < height; ++r) {
    const std::uint8_t* row = pixels.data() + std::size_t(r) * std::size_t(width);
    std::vector<Code> codes;
    for (int c = 0; c < width;) {
      int same = 1;
      while (c + same < width && row[c + same] == row[c])
        ++same;
      if (row[c] == transparent) {
        const int n = std::min(same, longestRun);
        codes.push_back({Code::skip, n, 0, {}});
        c += n;
      } else if (same >= 3) {
        const int n = std::min(same, longestRun);
        codes.push_back({Code::fill, n, row[c], {}});
        c += n;
      } else {
        if (codes.empty() || codes.back().kind != Code::literal ||
            codes.back().count == longestLiteral)
          codes.push_back({Code::literal, 0, 0, {}});
        codes.back().colours.push_back(row[c]);
        ++codes.back().count;
        ++c;
      }
    }
    image.rows.push_back(std::move(codes));
  }
  return image;
}

void AnimationWriter::setPlacement(int x, int y, int z)
{
  x_ = x;
  y_ = y;
  z_ = z;
}

int AnimationWriter::addImage(Image image)
{
  images_.push_back(std::move(image));
  return int(images_.size()) - 1;
}

void AnimationWriter::addSequence(Sequence sequence)
{
  if (sequence.closed && (sequence.entries.empty() || sequence.entries.back().image != end))
    sequence.entries.push_back(Entry{0, 0, end, 0});
  sequences_.push_back(std::move(sequence));
}

bool AnimationWriter::encodeRows(const Image& image, Bytes& out, std::string& error)
{
  if (int(image.rows.size()) != image.height) {
    error = "the image has " + std::to_string(image.rows.size()) + " rows, not " +
            std::to_string(image.height);
    return false;
  }
  for (const auto& row : image.rows) {
    int covered = 0;
    for (const Code& code : row) {
      switch (code.kind) {
        case Code::skip:
        case Code::fill:
          if (code.count < 0 || code.count > longestRun) {
            error = "a skip or fill of " + std::to_string(code.count) + " pixels";
            return false;
          }
          out.push_back(code.kind == Code::skip ? 0 : 255);
          if (code.kind == Code::fill) out.push_back(code.colour);
          out.push_back(std::uint8_t(code.count));
          covered += code.count;
          break;
        case Code::literal:
          if (code.colours.empty() || code.colours.size() > std::size_t(longestLiteral)) {
            error = "a literal of " + std::to_string(code.colours.size()) + " colours";
            return false;
          }
          out.push_back(std::uint8_t(code.colours.size()));
          out.insert(out.end(), code.colours.begin(), code.colours.end());
          covered += int(code.colours.size());
          break;
      }
    }
    if (covered != image.width) {
      error = "a row covers " + std::to_string(covered) + " of " + std::to_string(image.width) +
              " pixels";
      return false;
    }
  }
  return true;
}

bool AnimationWriter::build(Bytes& out)
{
  out.clear();
  error_.clear();
  if (sequences_.size() > 32767 || images_.size() > 32767) {
    error_ = "too many sequences or images";
    return false;
  }
  // The images first, to know their offsets.
  Bytes imageData;
  std::vector<std::uint32_t> offsets;
  for (const Image& image : images_) {
    if (image.width < 0 || image.width > 32767 || image.height < 0 || image.height > 32767) {
      error_ = "an image of " + std::to_string(image.width) + " by " + std::to_string(image.height);
      return false;
    }
    offsets.push_back(std::uint32_t(imageData.size()));
    Output header(imageData, bigEndian_);
    header.word(image.reserved);
    header.word(image.width);
    header.word(image.height);
    if (!encodeRows(image, imageData, error_)) return false;
  }
  Output o(out, bigEndian_);
  o.word(int(sequences_.size()));
  o.word(int(images_.size()));
  o.byte(frameRate_);
  o.byte(bigEndian_ ? 1 : 0);
  o.word(0);
  o.word(0);
  for (std::uint32_t offset : offsets)
    o.dword(offset);
  // Every sequence has a placement record; only the first is read.
  const int x = twelveBits(x_);
  const int y = twelveBits(y_);
  for (std::size_t s = 0; s < sequences_.size(); ++s) {
    o.byte(x & 0xFF);
    o.byte(y & 0xFF);
    o.byte((x >> 8) | (y >> 8) << 4);
    o.byte(z_);
  }
  for (const Sequence& sequence : sequences_) {
    if (sequence.entries.size() > 32767) {
      error_ = "a sequence of " + std::to_string(sequence.entries.size()) + " entries";
      return false;
    }
    o.word(int(sequence.entries.size()));
    for (const Entry& entry : sequence.entries) {
      o.word(entry.x);
      o.word(entry.y);
      o.word(entry.image);
      o.word(entry.param);
    }
  }
  out.insert(out.end(), imageData.begin(), imageData.end());
  return true;
}
