// DrawTextA: text laid out in a rectangle, with word breaks, alignment and "&" underlines.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Line {
  std::size_t start = 0;
  std::size_t length = 0;
};

int widthOf(HDC dc, const std::string& text, std::size_t start, std::size_t length)
{
  if (length == 0) return 0;
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str() + start, static_cast<int>(length), &size);
  return size.cx;
}

// "&x" underlines x and "&&" is one "&"; the first single "&" marks the underline.
std::string removePrefixes(const std::string& text, std::size_t& underline)
{
  std::string out;
  underline = std::string::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&' && underline == std::string::npos) underline = out.size();
    } else if (text[i] == '&') {
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

// One paragraph broken into lines no wider than width where spaces allow; a word wider than
// the whole line stands alone on its line.
void wrap(HDC dc, const std::string& text, std::size_t start, std::size_t end, int width,
          std::vector<Line>& out)
{
  std::size_t lineStart = start;
  while (true) {
    std::size_t lineEnd = lineStart;  // end of the last word that fits
    std::size_t scan = lineStart;
    while (scan < end) {
      std::size_t wordEnd = scan;
      while (wordEnd < end && text[wordEnd] == ' ')
        ++wordEnd;
      while (wordEnd < end && text[wordEnd] != ' ')
        ++wordEnd;
      if (lineEnd != lineStart && widthOf(dc, text, lineStart, wordEnd - lineStart) > width) break;
      lineEnd = wordEnd;
      scan = wordEnd;
    }
    out.push_back(Line{lineStart, lineEnd - lineStart});
    std::size_t next = lineEnd;
    while (next < end && text[next] == ' ')
      ++next;
    if (next >= end) break;
    lineStart = next;
  }
}

}  // namespace

int WINAPI DrawTextA(HDC dc, LPCSTR source, int count, LPRECT rect, UINT format)
{
  if (source == nullptr || rect == nullptr) return 0;
  const std::string raw(source, count < 0 ? std::strlen(source) : static_cast<std::size_t>(count));
  std::size_t underline = std::string::npos;
  const std::string text = (format & DT_NOPREFIX) ? raw : removePrefixes(raw, underline);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  const int lineHeight = metrics.tmHeight;
  const int width = rect->right - rect->left;

  std::vector<Line> lines;
  if (format & DT_SINGLELINE) {
    lines.push_back(Line{0, text.size()});
  } else {
    std::size_t start = 0;
    while (true) {
      std::size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      if (format & DT_WORDBREAK)
        wrap(dc, text, start, end, width, lines);
      else
        lines.push_back(Line{start, end - start});
      if (end >= text.size()) break;
      start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
  }
  const int height = lineHeight * static_cast<int>(lines.size());
  if (format & DT_CALCRECT) {
    int widest = 0;
    for (const Line& line : lines)
      widest = std::max(widest, widthOf(dc, text, line.start, line.length));
    rect->right = rect->left + widest;
    rect->bottom = rect->top + height;
    return height;
  }

  int top = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    else if (format & DT_BOTTOM)
      top = rect->bottom - lineHeight;
  }
  const int saved = SaveDC(dc);
  if (!(format & DT_NOCLIP))
    IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
  const COLORREF ink = GetTextColor(dc);
  int y = top;
  for (const Line& line : lines) {
    const int lineWidth = widthOf(dc, text, line.start, line.length);
    int x = rect->left;
    if (format & DT_CENTER)
      x = rect->left + (width - lineWidth) / 2;
    else if (format & DT_RIGHT)
      x = rect->right - lineWidth;
    TextOutA(dc, x, y, text.c_str() + line.start, static_cast<int>(line.length));
    if (underline != std::string::npos && underline >= line.start &&
        underline < line.start + line.length) {
      const int from = x + widthOf(dc, text, line.start, underline - line.start);
      const int to = x + widthOf(dc, text, line.start, underline - line.start + 1);
      for (int u = from; u < to; ++u)
        SetPixel(dc, u, y + metrics.tmAscent + 1, ink);
    }
    y += lineHeight;
  }
  RestoreDC(dc, saved);
  return height;
}
