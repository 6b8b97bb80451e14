#include "framework/OMFont.h"

#include <cstring>

OMFont::~OMFont() = default;

TEXTMETRICA OMFont::gdiMetrics() const
{
  TEXTMETRICA metrics{};
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, handle_);
  GetTextMetricsA(screen, &metrics);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return metrics;
}

int OMFont::gdiTextWidth(const char* text) const
{
  if (!text || !*text) return 0;
  SIZE extent{};
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, handle_);
  GetTextExtentPointA(screen, text, int(std::strlen(text)), &extent);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return extent.cx;
}
