#pragma once

#include <zlib.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace omtest {

// A page as the printer's PDF writer lays it out: the sheet in points, the image's pixels
// (red, green, blue, top row first) and where the image sits on the sheet in points.
struct PdfPageImage {
  double sheetWidth = 0;
  double sheetHeight = 0;
  int width = 0;
  int height = 0;
  double x = 0, y = 0, shownWidth = 0, shownHeight = 0;
  std::vector<std::uint8_t> rgb;
};

struct PdfDocument {
  std::string title;
  std::vector<PdfPageImage> pages;
  bool readable = false;
};

// Reads back what the platform's PDF writer wrote (one image, one drawing and one page
// object per page, in that order), to check it against what was drawn.
inline PdfDocument readPdfPages(const std::string& path)
{
  PdfDocument document;
  const std::string pdf = readHostFile(path);
  if (pdf.rfind("%PDF-", 0) != 0 || pdf.find("%%EOF") == std::string::npos) return document;
  auto number = [&](std::size_t from, const char* key) {
    const std::size_t at = pdf.find(key, from);
    return at == std::string::npos ? 0.0
                                   : std::strtod(pdf.c_str() + at + std::strlen(key), nullptr);
  };
  std::size_t at = 0;
  while ((at = pdf.find("/Subtype /Image", at)) != std::string::npos) {
    PdfPageImage page;
    page.width = static_cast<int>(number(at, "/Width "));
    page.height = static_cast<int>(number(at, "/Height "));
    const std::size_t length = static_cast<std::size_t>(number(at, "/Length "));
    const std::size_t data = pdf.find(">>\nstream\n", at) + 10;
    page.rgb.resize(static_cast<std::size_t>(page.width) * page.height * 3);
    uLongf size = static_cast<uLongf>(page.rgb.size());
    if (uncompress(page.rgb.data(), &size, reinterpret_cast<const Bytef*>(pdf.data() + data),
                   static_cast<uLong>(length)) != Z_OK ||
        size != page.rgb.size()) {
      return document;
    }
    const std::size_t drawing = pdf.find(">>\nstream\n", data + length) + 10;
    std::sscanf(pdf.c_str() + drawing, "q %lf 0 0 %lf %lf %lf cm", &page.shownWidth,
                &page.shownHeight, &page.x, &page.y);
    const std::size_t box = pdf.find("/MediaBox [0 0 ", drawing);
    std::sscanf(pdf.c_str() + box, "/MediaBox [0 0 %lf %lf]", &page.sheetWidth, &page.sheetHeight);
    document.pages.push_back(std::move(page));
    at = box;
  }
  const std::size_t title = pdf.find("/Title (");
  for (std::size_t i = title + 8; title != std::string::npos && pdf[i] != ')'; ++i) {
    if (pdf[i] == '\\' && pdf[i + 1] >= '0' && pdf[i + 1] <= '7') {
      document.title += static_cast<char>(std::stoi(pdf.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      if (pdf[i] == '\\') ++i;
      document.title += pdf[i];
    }
  }
  document.readable = true;
  return document;
}

}  // namespace omtest
