#include "tools/SmackerWriter.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <queue>
#include <set>

namespace {

using Bytes = SmackerWriter::Bytes;

// Decoders walk trees bit by bit; keep every code within what all of them accept.
constexpr int kMaxCodeLength = 24;

// Run lengths that one block-type value can carry, by its 6-bit index.
constexpr std::array<int, 64> kRunLengths = [] {
  std::array<int, 64> sizes{};
  for (int i = 0; i < 59; ++i)
    sizes[i] = i + 1;
  for (int i = 59; i < 64; ++i)
    sizes[i] = 128 << (i - 59);
  return sizes;
}();

enum BlockType { kMono = 0, kFull = 1, kSkip = 2, kSolid = 3 };
enum Stream { kMMap = 0, kMClr = 1, kFullStream = 2, kType = 3 };

void putLe32(Bytes& out, std::uint32_t value)
{
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Bits are packed from the lowest bit of each byte up, as the decoders read them.
class BitWriter {
 public:
  void put(std::uint32_t value, int count)
  {
    for (int i = 0; i < count; ++i) {
      current_ |= ((value >> i) & 1u) << filled_;
      if (++filled_ == 8) flush();
    }
  }
  Bytes finish()
  {
    if (filled_) flush();
    return std::move(bytes_);
  }

 private:
  void flush()
  {
    bytes_.push_back(static_cast<std::uint8_t>(current_));
    current_ = 0;
    filled_ = 0;
  }
  Bytes bytes_;
  std::uint32_t current_ = 0;
  int filled_ = 0;
};

struct Code {
  std::uint32_t bits = 0;  // the first branch taken is bit 0
  int length = 0;
};

// A Huffman tree over 8- or 16-bit symbols; a branch bit 0 leads to the first subtree written.
class HuffmanTree {
 public:
  explicit HuffmanTree(const std::map<std::uint32_t, std::uint64_t>& counts)
  {
    std::map<std::uint32_t, std::uint64_t> weights = counts;
    for (;;) {
      build(weights);
      codes_.clear();
      if (root_ >= 0) assign(root_, 0, 0);
      int longest = 0;
      for (const auto& [symbol, code] : codes_)
        longest = std::max(longest, code.length);
      if (longest <= kMaxCodeLength) break;
      for (auto& [symbol, weight] : weights)
        weight = (weight + 1) / 2;
    }
  }

  bool empty() const { return root_ < 0; }
  std::size_t leaves() const { return codes_.size(); }
  const std::map<std::uint32_t, Code>& codes() const { return codes_; }
  void putCode(BitWriter& out, std::uint32_t symbol) const
  {
    const Code& code = codes_.at(symbol);
    out.put(code.bits, code.length);
  }

  // Node bit 1, then both subtrees; leaf bit 0, then what `leaf` writes for its symbol.
  template <typename LeafWriter>
  void putShape(BitWriter& out, LeafWriter&& leaf) const
  {
    putShape(out, root_, leaf);
  }

 private:
  struct Node {
    int first = -1;
    int second = -1;
    std::uint32_t symbol = 0;
  };

  void build(const std::map<std::uint32_t, std::uint64_t>& weights)
  {
    nodes_.clear();
    root_ = -1;
    using Entry = std::pair<std::uint64_t, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
    for (const auto& [symbol, weight] : weights) {
      nodes_.push_back(Node{-1, -1, symbol});
      queue.push({std::max<std::uint64_t>(weight, 1), static_cast<int>(nodes_.size()) - 1});
    }
    if (queue.empty()) return;
    while (queue.size() > 1) {
      const Entry a = queue.top();
      queue.pop();
      const Entry b = queue.top();
      queue.pop();
      nodes_.push_back(Node{a.second, b.second, 0});
      queue.push({a.first + b.first, static_cast<int>(nodes_.size()) - 1});
    }
    root_ = queue.top().second;
  }

  void assign(int node, std::uint32_t bits, int length)
  {
    const Node& n = nodes_[node];
    if (n.first < 0) {
      codes_[n.symbol] = Code{bits, length};
      return;
    }
    assign(n.first, bits, length + 1);
    assign(n.second, bits | (1u << length), length + 1);
  }

  template <typename LeafWriter>
  void putShape(BitWriter& out, int node, LeafWriter& leaf) const
  {
    const Node& n = nodes_[node];
    if (n.first < 0) {
      out.put(0, 1);
      leaf(n.symbol);
      return;
    }
    out.put(1, 1);
    putShape(out, n.first, leaf);
    putShape(out, n.second, leaf);
  }

  std::vector<Node> nodes_;
  int root_ = -1;
  std::map<std::uint32_t, Code> codes_;
};

// A byte tree as stored: present bit, shape with 8-bit leaves, closing 0 bit. An empty
// tree is stored with one leaf so that every decoder finds a tree.
void putByteTree(BitWriter& out, const HuffmanTree& tree)
{
  out.put(1, 1);
  if (tree.empty()) {
    out.put(0, 1);
    out.put(0, 8);
  } else {
    tree.putShape(out, [&](std::uint32_t symbol) { out.put(symbol, 8); });
  }
  out.put(0, 1);
}

// The decoders' cache of the three values decoded last, which the escape leaves stand for.
// A decoder may or may not clear it at each frame, so a value counts as known only once
// decoding has put it there.
class RecentValues {
 public:
  void reset() { known_ = {false, false, false}; }
  // The escape that stands for `value`, or -1.
  int escapeFor(std::uint32_t value) const
  {
    for (int i = 0; i < 3; ++i)
      if (known_[i] && values_[i] == value) return i;
    return -1;
  }
  void decoded(std::uint32_t value)
  {
    if (!known_[0]) {
      // Whether the decoder shifted depends on a value we do not know.
      values_[0] = value;
      known_ = {true, false, false};
      return;
    }
    if (values_[0] == value) return;
    values_[2] = values_[1];
    known_[2] = known_[1];
    values_[1] = values_[0];
    known_[1] = true;
    values_[0] = value;
  }

 private:
  std::array<std::uint32_t, 3> values_{};
  std::array<bool, 3> known_{false, false, false};
};

// One of the four header trees: 16-bit values through a low and a high byte tree, with
// three escape values for the recent-value cache.
class BigTree {
 public:
  static constexpr std::uint32_t kEscape = 0x10000;

  void startFrame() { recent_.reset(); }
  // First pass: what decoding `value` will cost.
  void count(std::uint32_t value)
  {
    const int escape = recent_.escapeFor(value);
    if (symbolCounts_.empty()) symbolCounts_.assign(kEscape + 3, 0);
    ++symbolCounts_[escape >= 0 ? kEscape + escape : value];
    recent_.decoded(value);
  }

  void build()
  {
    std::set<std::uint32_t> literals;
    std::set<std::uint32_t> lows, highs;
    for (std::uint32_t symbol = 0; symbol < symbolCounts_.size(); ++symbol) {
      if (symbolCounts_[symbol] && symbol < kEscape) {
        literals.insert(symbol);
        lows.insert(symbol & 0xFF);
        highs.insert(symbol >> 8);
      }
    }
    // Escape values must differ from every literal; bytes the byte trees hold already
    // are cheapest.
    std::vector<std::uint32_t> candidates;
    for (std::uint32_t high : highs)
      for (std::uint32_t low : lows)
        if (candidates.size() < 3 && !literals.count(high << 8 | low))
          candidates.push_back(high << 8 | low);
    for (std::uint32_t value = 0; candidates.size() < 3; ++value)
      if (!literals.count(value) &&
          std::find(candidates.begin(), candidates.end(), value) == candidates.end())
        candidates.push_back(value);
    std::copy(candidates.begin(), candidates.end(), escapes_.begin());

    std::map<std::uint32_t, std::uint64_t> values, lowCounts, highCounts;
    for (std::uint32_t symbol = 0; symbol < symbolCounts_.size(); ++symbol) {
      const std::uint64_t n = symbolCounts_[symbol];
      if (!n) continue;
      const std::uint32_t value = symbol < kEscape ? symbol : escapes_[symbol - kEscape];
      values[value] += n;
      lowCounts[value & 0xFF] += n;
      highCounts[value >> 8] += n;
    }
    low_ = std::make_unique<HuffmanTree>(lowCounts);
    high_ = std::make_unique<HuffmanTree>(highCounts);
    tree_ = std::make_unique<HuffmanTree>(values);
  }

  void putHeader(BitWriter& out) const
  {
    if (tree_->empty()) {
      out.put(0, 1);
      return;
    }
    out.put(1, 1);
    putByteTree(out, *low_);
    putByteTree(out, *high_);
    for (std::uint32_t escape : escapes_)
      out.put(escape, 16);
    tree_->putShape(out, [&](std::uint32_t value) {
      low_->putCode(out, value & 0xFF);
      high_->putCode(out, value >> 8);
    });
    out.put(0, 1);
  }

  // The table size the header announces: room for every node and leaf.
  std::uint32_t tableBytes() const
  {
    return static_cast<std::uint32_t>(4 * (2 * tree_->leaves() + 4));
  }

  // Second pass: the same sequence of values as counted.
  void put(BitWriter& out, std::uint32_t value)
  {
    const int escape = recent_.escapeFor(value);
    tree_->putCode(out, escape >= 0 ? escapes_[escape] : value);
    recent_.decoded(value);
  }

 private:
  std::vector<std::uint64_t> symbolCounts_;  // literals, then the three escapes
  std::array<std::uint32_t, 3> escapes_{};
  RecentValues recent_;
  std::unique_ptr<HuffmanTree> low_, high_, tree_;
};

struct VideoValue {
  Stream stream;
  std::uint32_t value;
};

// The values one frame's blocks decode, in bitstream order.
std::vector<VideoValue> frameValues(const SmackerWriter::Movie& movie, int index, bool key)
{
  const int blocksWide = (movie.width + 3) / 4;
  const int blocksHigh = (movie.height + 3) / 4;
  const Bytes& now = movie.frames[index].indices;
  const Bytes* before = index > 0 ? &movie.frames[index - 1].indices : nullptr;

  struct Block {
    BlockType type;
    std::array<std::uint8_t, 16> pixels;
  };
  std::vector<Block> blocks;
  blocks.reserve(static_cast<std::size_t>(blocksWide) * blocksHigh);
  for (int by = 0; by < blocksHigh; ++by) {
    for (int bx = 0; bx < blocksWide; ++bx) {
      Block block{kFull, {}};
      bool same = !key && before;
      // Pixels beyond the picture's edge are coded as 0.
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
          const int px = bx * 4 + x, py = by * 4 + y;
          if (px >= movie.width || py >= movie.height) continue;
          const std::size_t at = static_cast<std::size_t>(py) * movie.width + px;
          block.pixels[y * 4 + x] = now[at];
          if (same && (*before)[at] != now[at]) same = false;
        }
      }
      int colours = 0;
      std::array<bool, 256> seen{};
      for (std::uint8_t c : block.pixels)
        if (!seen[c]) seen[c] = true, ++colours;
      block.type = same ? kSkip : colours == 1 ? kSolid : colours == 2 ? kMono : kFull;
      blocks.push_back(block);
    }
  }

  std::vector<VideoValue> values;
  for (std::size_t i = 0; i < blocks.size();) {
    const Block& first = blocks[i];
    std::size_t run = 1;
    while (i + run < blocks.size() && blocks[i + run].type == first.type &&
           (first.type != kSolid || blocks[i + run].pixels[0] == first.pixels[0]))
      ++run;
    while (run > 0) {
      int sizeIndex = 63;
      while (kRunLengths[sizeIndex] > static_cast<int>(run))
        --sizeIndex;
      const std::size_t length = kRunLengths[sizeIndex];
      std::uint32_t type = first.type | (sizeIndex << 2);
      if (first.type == kSolid) type |= std::uint32_t(first.pixels[0]) << 8;
      values.push_back({kType, type});
      for (std::size_t b = i; b < i + length; ++b) {
        const auto& p = blocks[b].pixels;
        if (first.type == kMono) {
          const std::uint8_t zero = p[0];
          std::uint8_t one = p[0];
          for (std::uint8_t c : p)
            if (c != zero) one = c;
          std::uint32_t map = 0;
          for (int k = 0; k < 16; ++k)
            if (p[k] == one) map |= 1u << k;
          values.push_back({kMClr, std::uint32_t(one) << 8 | zero});
          values.push_back({kMMap, map});
        } else if (first.type == kFull) {
          for (int y = 0; y < 4; ++y) {
            values.push_back({kFullStream, std::uint32_t(p[y * 4 + 3]) << 8 | p[y * 4 + 2]});
            values.push_back({kFullStream, std::uint32_t(p[y * 4 + 1]) << 8 | p[y * 4]});
          }
        }
      }
      i += length;
      run -= length;
    }
  }
  return values;
}

using Palette6 = std::array<std::uint8_t, 768>;

Palette6 toLevels(const std::array<std::uint8_t, 768>& rgb)
{
  Palette6 levels{};
  for (int i = 0; i < 768; ++i)
    levels[i] = static_cast<std::uint8_t>(SmackerWriter::nearestLevel(rgb[i]));
  return levels;
}

bool sameEntry(const Palette6& a, int i, const Palette6& b, int j)
{
  return a[i * 3] == b[j * 3] && a[i * 3 + 1] == b[j * 3 + 1] && a[i * 3 + 2] == b[j * 3 + 2];
}

// A palette chunk: runs kept from the previous palette, runs copied from elsewhere in it,
// and new entries. `whole` writes every entry anew (key frames stand alone).
Bytes paletteChunk(const Palette6& previous, const Palette6& now, bool whole)
{
  Bytes chunk{0};
  for (int i = 0; i < 256;) {
    if (!whole) {
      int kept = 0;
      while (i + kept < 256 && kept < 128 && sameEntry(previous, i + kept, now, i + kept))
        ++kept;
      if (kept > 0) {
        chunk.push_back(static_cast<std::uint8_t>(0x80 | (kept - 1)));
        i += kept;
        continue;
      }
      int bestFrom = 0, best = 0;
      for (int from = 0; from < 256; ++from) {
        int n = 0;
        while (n < 64 && from + n < 256 && i + n < 256 && sameEntry(previous, from + n, now, i + n))
          ++n;
        if (n > best) best = n, bestFrom = from;
      }
      if (best >= 2) {
        chunk.push_back(static_cast<std::uint8_t>(0x40 | (best - 1)));
        chunk.push_back(static_cast<std::uint8_t>(bestFrom));
        i += best;
        continue;
      }
    }
    chunk.insert(chunk.end(), now.begin() + i * 3, now.begin() + i * 3 + 3);
    ++i;
  }
  chunk.resize((chunk.size() + 3) / 4 * 4, 0);
  chunk[0] = static_cast<std::uint8_t>(chunk.size() / 4);
  return chunk;
}

// Compressed sound: deltas from the previous sample of each channel, through one byte tree
// per channel and byte.
Bytes packSound(const SmackerWriter::Track& track, std::size_t first, std::size_t count)
{
  const int bytesPerSample = track.bits / 8;
  const int channels = track.channels;
  const bool stereo = channels == 2;
  const bool wide = track.bits == 16;
  const std::size_t total = count * channels;
  auto sample = [&](std::size_t i) -> std::uint32_t {
    const std::size_t at = (first * channels + i) * bytesPerSample;
    return wide ? std::uint32_t(track.samples[at] | track.samples[at + 1] << 8) : track.samples[at];
  };
  const std::uint32_t mask = wide ? 0xFFFF : 0xFF;

  const int treeCount = 1 << (int(wide) + int(stereo));
  std::vector<std::map<std::uint32_t, std::uint64_t>> counts(treeCount);
  // Which tree codes each byte of each delta: channel's trees, low byte first.
  auto forEachDelta = [&](auto&& use) {
    for (std::size_t i = channels; i < total; ++i) {
      const std::uint32_t delta = (sample(i) - sample(i - channels)) & mask;
      const int channel = static_cast<int>(i % channels);
      const int base = channel * (wide ? 2 : 1);
      use(base, delta & 0xFF);
      if (wide) use(base + 1, delta >> 8);
    }
  };
  forEachDelta([&](int tree, std::uint32_t byte) { ++counts[tree][byte]; });
  std::vector<HuffmanTree> trees;
  for (const auto& c : counts)
    trees.emplace_back(c);

  BitWriter bits;
  bits.put(1, 1);
  bits.put(stereo, 1);
  bits.put(wide, 1);
  for (const HuffmanTree& tree : trees)
    putByteTree(bits, tree);
  // The first sample of each channel, last channel first, high byte first.
  for (int channel = channels - 1; channel >= 0; --channel) {
    const std::uint32_t value = sample(channel);
    if (wide) {
      bits.put(value >> 8, 8);
      bits.put(value & 0xFF, 8);
    } else {
      bits.put(value, 8);
    }
  }
  forEachDelta([&](int tree, std::uint32_t byte) {
    if (!trees[tree].empty()) trees[tree].putCode(bits, byte);
  });
  Bytes out;
  putLe32(out, static_cast<std::uint32_t>(total * bytesPerSample));
  const Bytes stream = bits.finish();
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

}  // namespace

std::uint8_t SmackerWriter::levelValue(int level)
{
  // The top bits repeat in the low ones, so that level 63 is 255.
  return static_cast<std::uint8_t>((level << 2) | (level >> 4));
}

int SmackerWriter::nearestLevel(std::uint8_t value)
{
  int best = 0;
  for (int level = 1; level < 64; ++level)
    if (std::abs(levelValue(level) - value) < std::abs(levelValue(best) - value)) best = level;
  return best;
}

std::array<std::uint8_t, 768> SmackerWriter::quantisePalette(
    const std::array<std::uint8_t, 768>& rgb)
{
  std::array<std::uint8_t, 768> out{};
  for (int i = 0; i < 768; ++i)
    out[i] = levelValue(nearestLevel(rgb[i]));
  return out;
}

std::pair<std::size_t, std::size_t> SmackerWriter::frameSamples(const Track& track,
                                                                std::int32_t frameTime, int frame,
                                                                int frames)
{
  const std::size_t frameBytes = static_cast<std::size_t>(track.bits / 8) * track.channels;
  const std::size_t total = frameBytes ? track.samples.size() / frameBytes : 0;
  auto start = [&](int k) {
    const std::uint64_t at = std::uint64_t(k) * track.rate * std::uint64_t(frameTime) / 100000;
    return static_cast<std::size_t>(std::min<std::uint64_t>(at, total));
  };
  const std::size_t from = start(frame);
  const std::size_t to = frame + 1 >= frames ? total : start(frame + 1);
  return {from, to - from};
}

bool SmackerWriter::write(const Movie& movie, Bytes& out)
{
  error_.clear();
  const std::size_t pixels = static_cast<std::size_t>(movie.width) * movie.height;
  if (movie.width <= 0 || movie.height <= 0 || movie.width > 4096 || movie.height > 4096) {
    error_ = "frame size must be 1 to 4096 pixels each way";
    return false;
  }
  if (movie.frames.empty()) {
    error_ = "a movie needs at least one frame";
    return false;
  }
  if (movie.frameTime <= 0) {
    error_ = "the frame time must be positive";
    return false;
  }
  for (const Frame& frame : movie.frames) {
    if (frame.indices.size() != pixels) {
      error_ = "every frame must have width x height pixels";
      return false;
    }
  }
  if (movie.tracks.size() > 7) {
    error_ = "a movie holds at most 7 sound tracks";
    return false;
  }
  for (const Track& track : movie.tracks) {
    if ((track.bits != 8 && track.bits != 16) || (track.channels != 1 && track.channels != 2) ||
        track.rate == 0 || track.rate > 0xFFFFFF) {
      error_ = "sound tracks must be 8 or 16 bits, mono or stereo, at a rate below 2^24";
      return false;
    }
  }
  const int frames = static_cast<int>(movie.frames.size());
  auto isKey = [&](int i) {
    return i == 0 || (movie.keyInterval > 0 && i % movie.keyInterval == 0);
  };

  std::array<BigTree, 4> trees;
  for (int i = 0; i < frames; ++i) {
    for (BigTree& tree : trees)
      tree.startFrame();
    for (const VideoValue& v : frameValues(movie, i, isKey(i)))
      trees[v.stream].count(v.value);
  }
  for (BigTree& tree : trees)
    tree.build();
  BitWriter treeBits;
  for (const BigTree& tree : trees)
    tree.putHeader(treeBits);
  const Bytes treeBytes = treeBits.finish();

  std::vector<Bytes> frameData(frames);
  std::vector<std::uint8_t> frameTypes(frames, 0);
  std::array<std::uint32_t, 7> largestSound{};
  Palette6 palette{};
  for (int i = 0; i < frames; ++i) {
    Bytes& data = frameData[i];
    const Palette6 now = toLevels(movie.frames[i].palette);
    const bool key = isKey(i);
    if (now != palette || (key && i > 0)) {
      const Bytes chunk = paletteChunk(palette, now, key);
      data.insert(data.end(), chunk.begin(), chunk.end());
      frameTypes[i] |= 1;
      palette = now;
    }
    for (std::size_t t = 0; t < movie.tracks.size(); ++t) {
      const Track& track = movie.tracks[t];
      const auto [first, count] = frameSamples(track, movie.frameTime, i, frames);
      if (count == 0) continue;
      const std::size_t frameBytes = static_cast<std::size_t>(track.bits / 8) * track.channels;
      Bytes sound = track.compressed ? packSound(track, first, count)
                                     : Bytes(track.samples.begin() + first * frameBytes,
                                             track.samples.begin() + (first + count) * frameBytes);
      largestSound[t] = std::max(largestSound[t], static_cast<std::uint32_t>(count * frameBytes));
      putLe32(data, static_cast<std::uint32_t>(sound.size() + 4));
      data.insert(data.end(), sound.begin(), sound.end());
      frameTypes[i] |= static_cast<std::uint8_t>(2 << t);
    }
    BitWriter video;
    for (BigTree& tree : trees)
      tree.startFrame();
    for (const VideoValue& v : frameValues(movie, i, key))
      trees[v.stream].put(video, v.value);
    Bytes videoBytes = video.finish();
    // Decoders refuse a frame without video bytes, even when its trees need no bits.
    if (videoBytes.empty()) videoBytes.push_back(0);
    data.insert(data.end(), videoBytes.begin(), videoBytes.end());
    data.resize((data.size() + 3) / 4 * 4, 0);
  }

  out.clear();
  out.insert(out.end(), {'S', 'M', 'K', '2'});
  putLe32(out, movie.width);
  putLe32(out, movie.height);
  putLe32(out, frames);
  // Whole milliseconds as they are, finer times negative in 1/100 ms.
  const std::int32_t rate = movie.frameTime % 100 == 0 ? movie.frameTime / 100 : -movie.frameTime;
  putLe32(out, static_cast<std::uint32_t>(rate));
  putLe32(out, 0);
  for (std::uint32_t size : largestSound)
    putLe32(out, size);
  putLe32(out, static_cast<std::uint32_t>(treeBytes.size()));
  for (const BigTree& tree : trees)
    putLe32(out, tree.tableBytes());
  for (std::size_t t = 0; t < 7; ++t) {
    std::uint32_t flags = 0;
    if (t < movie.tracks.size()) {
      const Track& track = movie.tracks[t];
      flags = track.rate | 0x40000000u;
      if (track.compressed) flags |= 0x80000000u;
      if (track.bits == 16) flags |= 0x20000000u;
      if (track.channels == 2) flags |= 0x10000000u;
    }
    putLe32(out, flags);
  }
  putLe32(out, 0);
  for (int i = 0; i < frames; ++i)
    putLe32(out, static_cast<std::uint32_t>(frameData[i].size()) | (isKey(i) ? 1u : 0u));
  out.insert(out.end(), frameTypes.begin(), frameTypes.end());
  out.insert(out.end(), treeBytes.begin(), treeBytes.end());
  for (const Bytes& data : frameData)
    out.insert(out.end(), data.begin(), data.end());
  return true;
}
