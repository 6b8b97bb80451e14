#include "platform/src/kernel/Codepage.h"

#include <array>
#include <cstdint>

namespace omwin {
namespace {

// 0x80..0x9F; 0 marks the five unassigned bytes, which pass through as U+0080..U+009F.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t toUnicode(unsigned char c)
{
  if (c >= 0x80 && c < 0xA0 && kHighControls[c - 0x80] != 0) return kHighControls[c - 0x80];
  return c;
}

std::optional<unsigned char> fromUnicode(char32_t u)
{
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<unsigned char>(u);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == u) return static_cast<unsigned char>(0x80 + i);
  }
  if (u >= 0x80 && u < 0xA0 && kHighControls[u - 0x80] == 0) return static_cast<unsigned char>(u);
  return std::nullopt;
}

void appendUtf8(std::string& out, char32_t u)
{
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// Decodes one character at i (advancing i); null for a malformed sequence (i moves by one).
std::optional<char32_t> decodeUtf8(std::string_view s, std::size_t& i)
{
  const auto lead = static_cast<unsigned char>(s[i]);
  int extra = 0;
  char32_t u = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    u = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    u = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    u = lead & 0x07;
  } else {
    ++i;
    return std::nullopt;
  }
  if (i + extra >= s.size()) {
    ++i;
    return std::nullopt;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return std::nullopt;
    }
    u = (u << 6) | (c & 0x3F);
  }
  i += extra + 1;
  return u;
}

}  // namespace

char cp1252FromUnicode(char32_t character)
{
  const auto byte = fromUnicode(character);
  return byte ? static_cast<char>(*byte) : '?';
}

std::string cp1252ToUtf8(std::string_view text)
{
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    appendUtf8(out, toUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::string utf8ToCp1252(std::string_view text)
{
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto u = decodeUtf8(text, i);
    const auto c = u ? fromUnicode(*u) : std::nullopt;
    out += c ? static_cast<char>(*c) : '?';
  }
  return out;
}

std::optional<std::string> utf8ToCp1252Exact(std::string_view text)
{
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto u = decodeUtf8(text, i);
    if (!u) return std::nullopt;
    const auto c = fromUnicode(*u);
    if (!c) return std::nullopt;
    out += static_cast<char>(*c);
  }
  return out;
}

char foldCp1252(char c)
{
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 0x20);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 0x20);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<char>(b + 0x10);
  if (b == 0x9F) return static_cast<char>(0xFF);
  return c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldCp1252(a[i]) != foldCp1252(b[i])) return false;
  }
  return true;
}

}  // namespace omwin
