#include "framework/OMSysFont.h"

int OMFont::ascent() const
{
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, handle());
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen, &metrics);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return metrics.tmAscent;
}
