#include "trinkets/lib/RTextLayout.h"

#include "framework/OMFont.h"

namespace {

bool isBreak(char c)
{
  return c == '^' || c == '\r' || c == '\n';
}

bool isBlank(char c)
{
  return c == ' ' || c == '\t';
}

}  // namespace

RTextLayout::Lines RTextLayout::single(const std::string& text)
{
  return Lines{RTextLine{0, static_cast<int>(text.size()) - 1}};
}

RTextLayout::Lines RTextLayout::wrapped(const std::string& text, const OMFont& font, int width,
                                        bool outline)
{
  const int length = static_cast<int>(text.size());
  const int extra = outline ? 2 : 0;
  Lines lines{RTextLine{0, -1}};
  const auto startLine = [&lines](int first) { lines.push_back(RTextLine{first, first - 1}); };
  int lastBlank = 0;
  bool inBlanks = false;
  int i = 0;
  while (i < length) {
    const char c = text[static_cast<std::size_t>(i)];
    RTextLine& line = lines.back();
    if (isBreak(c)) {
      line.last = i - 1;
      startLine(i + 1);
      ++i;
      inBlanks = false;
      continue;
    }
    if (isBlank(c)) {
      if (i == line.first) {
        line.first = i + 1;
        line.last = i;
      } else if (!inBlanks) {
        lastBlank = i;
        line.last = i - 1;
      }
      inBlanks = true;
      ++i;
      continue;
    }
    inBlanks = false;
    const std::string measured = text.substr(static_cast<std::size_t>(line.first),
                                             static_cast<std::size_t>(i - line.first + 1));
    // The first character of a line stays on it, however wide.
    if (i == line.first || font.textWidth(measured.c_str()) + extra <= width) {
      ++i;
      continue;
    }
    if (line.first < lastBlank) {
      // Back to the word after the blank: it starts the next line.
      line.last = lastBlank - 1;
      startLine(lastBlank + 1);
      i = lastBlank + 1;
    } else {
      line.last = i - 1;
      startLine(i);
    }
  }
  if (!inBlanks) lines.back().last = i - 1;
  // A last line of one character is kept: it is a character to show. (No line starts at a
  // blank or a line break, so there is no one-character tail of those to drop.)
  return lines;
}
