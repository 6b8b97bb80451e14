#include "trinkets/lib/OMDialogLabel.h"

#include <cstdint>

#include "framework/OMFont.h"
#include "framework/OMMemCanvas.h"
#include "trinkets/lib/DialogPaint.h"

OMDialogLabel::OMDialogLabel(const OMRect& rect, const char* text, OMFont* font,
                             OMTrinketWindow* host)
    : OMTrinket(host, 2), font_(font)
{
  setRect(rect);
  setText(text);
  setTouchy(0);
}

OMDialogLabel::~OMDialogLabel() = default;

std::string OMDialogLabel::unquoted(const char* text)
{
  std::string value = text ? text : "";
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return value;
}

OMFont* OMDialogLabel::usedFont() const
{
  if (font_) return font_;
  OMMemCanvas* canvas = windowCanvas();
  return canvas ? canvas->font() : nullptr;
}

void OMDialogLabel::setText(const char* text)
{
  lines_.clear();
  if (const OMFont* font = usedFont()) lines_ = wrap(unquoted(text), *font, rect().width());
  invalidate();
}

std::vector<std::string> OMDialogLabel::wrap(const std::string& text, const OMFont& font, int width)
{
  constexpr std::size_t none = std::string::npos;
  const auto fits = [&](std::size_t from, std::size_t to) {
    return font.textWidth(text.substr(from, to - from).c_str()) <= width;
  };
  // How many characters from `from`, of at most `count`, fit; never fewer than one.
  const auto fitting = [&](std::size_t from, std::size_t count) {
    while (count > 1 && !fits(from, from + count))
      --count;
    return count;
  };
  // The blank before the last word of the line, or none when the line is one word.
  const auto lastBlank = [&](std::size_t start, std::size_t end) {
    const std::size_t blank = end > start ? text.rfind(' ', end - 1) : none;
    return blank != none && blank >= start ? blank : none;
  };
  std::vector<std::string> lines;
  const std::size_t length = text.size();
  std::size_t start = 0, scan = 0;
  while (start < length) {
    const std::size_t separator = text.find_first_of(" \r\n", scan);
    if (separator == none) break;
    if (fits(start, separator)) {
      if (text[separator] == ' ') {
        scan = separator + 1;
        continue;
      }
      lines.push_back(text.substr(start, separator - start));
      start = scan = separator + 1;
      continue;
    }
    if (const std::size_t blank = lastBlank(start, separator); blank != none) {
      lines.push_back(text.substr(start, blank - start));
      start = scan = blank + 1;
      continue;
    }
    // One word wider than the box: split it, losing the character at the split.
    const std::size_t kept = fitting(start, separator - start);
    lines.push_back(text.substr(start, kept));
    start = scan = start + kept + 1;
  }
  if (start >= length) return lines;
  if (!fits(start, length)) {
    if (const std::size_t blank = lastBlank(start, length); blank != none) {
      lines.push_back(text.substr(start, blank - start));
      start = blank + 1;
    }
  }
  if (start < length) lines.push_back(text.substr(start, fitting(start, length - start)));
  return lines;
}

void OMDialogLabel::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  OMFont* font = usedFont();
  if (!canvas || !font) return;
  const OMRGBColor textColor = canvas->textColor();
  OMFont* previous = canvas->font();
  canvas->setTextColor(dialogpaint::black);
  canvas->setFont(font);
  const std::int64_t lineHeight = font->ascent() + font->descent();
  std::int64_t baseline = std::int64_t(y()) + font->ascent();
  for (const std::string& line : lines_) {
    if (baseline > rect().bottom()) break;
    canvas->drawText(x(), static_cast<int>(baseline), line.c_str());
    baseline += lineHeight;
  }
  canvas->setTextColor(textColor);
  canvas->setFont(previous);
}
