#pragma once

#include <string>
#include <vector>

class OMFont;

// One laid-out line of a text: the characters from first to last, inclusive (none when last
// is first - 1).
struct RTextLine {
  int first = 0;
  int last = -1;

  bool operator==(const RTextLine&) const = default;
};

// The line breaking of the text trinket.
class RTextLayout {
 public:
  using Lines = std::vector<RTextLine>;

  // The whole text as one line: "^", carriage return and line feed are ordinary characters.
  static Lines single(const std::string& text);
  // Lines that end at "^", carriage return and line feed, and at the blank before a word that
  // would make the line wider than the width (2 pixels more with the outline); a word wider
  // than the width is broken at the character. Leading blanks are skipped. Every line takes at
  // least one character, so a glyph wider than the width still ends up somewhere.
  static Lines wrapped(const std::string& text, const OMFont& font, int width, bool outline);
};
