#include "platform/src/gdi/PixelConverter.h"

#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define OM_WIDE_INDICES 1
#endif

namespace omgdi {

namespace {

// Sixteen indices at a time through the table, written as whole words: the table loads are
// what is left.
void indicesToWords(const std::uint8_t* in, std::uint8_t* out, int n, const std::uint16_t* words)
{
  constexpr int group = 16;
  int i = 0;
  for (; i + group <= n; i += group) {
    std::uint16_t converted[group];
    for (int k = 0; k < group; ++k)
      converted[k] = words[in[i + k]];
    std::memcpy(out + 2 * i, converted, sizeof converted);
  }
  for (; i < n; ++i) {
    const std::uint16_t word = words[in[i]];
    std::memcpy(out + 2 * i, &word, sizeof word);
  }
}

#ifdef OM_WIDE_INDICES
// Thirty-two indices at a time: the 256 words of the table sit in eight registers, four
// two-register permutes look up each quarter of the table and the top two bits of each index
// pick among them. Needs a 256-word table.
__attribute__((target("avx512f,avx512bw"))) int indicesToWordsWide(const std::uint8_t* in,
                                                                   std::uint8_t* out, int n,
                                                                   const std::uint16_t* words)
{
  __m512i quarter[8];
  for (int q = 0; q < 8; ++q)
    quarter[q] = _mm512_loadu_si512(words + 32 * q);
  const __m512i bit6 = _mm512_set1_epi16(64);
  const __m512i bit7 = _mm512_set1_epi16(128);
  constexpr int group = 32;
  int i = 0;
  for (; i + group <= n; i += group) {
    const __m512i index =
        _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i)));
    const __m512i first = _mm512_permutex2var_epi16(quarter[0], index, quarter[1]);
    const __m512i second = _mm512_permutex2var_epi16(quarter[2], index, quarter[3]);
    const __m512i third = _mm512_permutex2var_epi16(quarter[4], index, quarter[5]);
    const __m512i fourth = _mm512_permutex2var_epi16(quarter[6], index, quarter[7]);
    const __mmask32 upperHalf = _mm512_test_epi16_mask(index, bit7);
    const __mmask32 oddQuarter = _mm512_test_epi16_mask(index, bit6);
    const __m512i lower = _mm512_mask_blend_epi16(oddQuarter, first, second);
    const __m512i upper = _mm512_mask_blend_epi16(oddQuarter, third, fourth);
    _mm512_storeu_si512(out + 2 * i, _mm512_mask_blend_epi16(upperHalf, lower, upper));
  }
  return i;
}

bool wideIndicesAvailable()
{
  static const bool available = __builtin_cpu_supports("avx512bw") != 0;
  return available;
}
#endif

}  // namespace

PixelConverter::PixelConverter(const Surface& source, const Surface& target, std::uint32_t textRaw,
                               std::uint32_t bkRaw, std::uint32_t sourceBkRaw)
    : source_(source), target_(target), mode_(Mode::deep), sourceBkRaw_(sourceBkRaw)
{
  const int sourceBits = source.bitsPerPixel();
  const int targetBits = target.bitsPerPixel();
  if (sourceBits == targetBits) {
    mode_ = Mode::identity;
  } else if (sourceBits == 8 && targetBits == 16 && !source.isMonochrome()) {
    mode_ = Mode::indicesTo555;
    words_ = source.tableAs555().data();
    wideTable_ = source.tableAs555().size() == 256;
  } else if (source.hasColorTable()) {
    // Every source value converts the same way: one table for the whole copy.
    mode_ = Mode::table;
    table_.resize(std::size_t{1} << sourceBits);
    for (std::uint32_t i = 0; i < table_.size(); ++i) {
      if (source.isMonochrome()) {
        table_[i] = i == 0 ? textRaw : bkRaw;
      } else if (target.isMonochrome()) {
        table_[i] = source.colorOf(i) == source.colorOf(sourceBkRaw) ? 1 : 0;
      } else {
        table_[i] = target.rawOf(source.colorOf(i));
      }
    }
  } else if (target.isMonochrome()) {
    mode_ = Mode::toMonochrome;
  } else if (target.hasColorTable() && sourceBits == 16) {
    mode_ = Mode::lazy555;
    lazy_.assign(32768, -1);
  }
}

bool PixelConverter::convertIndicesTo555(const std::uint8_t* in, std::uint8_t* out, int n) const
{
  if (mode_ != Mode::indicesTo555) return false;
#ifdef OM_WIDE_INDICES
  if (wideTable_ && wideIndicesAvailable()) {
    const int done = indicesToWordsWide(in, out, n, words_);
    in += done;
    out += 2 * done;
    n -= done;
  }
#endif
  indicesToWords(in, out, n, words_);
  return true;
}

std::uint32_t PixelConverter::convertDeep(std::uint32_t raw) const
{
  return target_.rawOf(source_.colorOf(raw));
}

void PixelConverter::convertRow(const std::uint32_t* in, std::uint32_t* out, int n)
{
  switch (mode_) {
    case Mode::identity:
      for (int i = 0; i < n; ++i)
        out[i] = in[i];
      break;
    case Mode::table:
      for (int i = 0; i < n; ++i)
        out[i] = table_[in[i]];
      break;
    case Mode::indicesTo555:
      for (int i = 0; i < n; ++i)
        out[i] = words_[in[i] & 0xFF];
      break;
    case Mode::toMonochrome:
      for (int i = 0; i < n; ++i)
        out[i] = in[i] == sourceBkRaw_ ? 1 : 0;
      break;
    case Mode::lazy555:
      for (int i = 0; i < n; ++i) {
        std::int32_t& slot = lazy_[in[i] & 0x7FFF];
        if (slot < 0) slot = static_cast<std::int32_t>(convertDeep(in[i]));
        out[i] = static_cast<std::uint32_t>(slot);
      }
      break;
    case Mode::deep:
      for (int i = 0; i < n; ++i)
        out[i] = convertDeep(in[i]);
      break;
  }
}

}  // namespace omgdi
