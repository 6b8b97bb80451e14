#include "framework/OMSysFont.h"

const OMClassDescriptor OMSysFont::classDescriptor = {"OMSysFont"};

OMSysFont::OMSysFont() : OMFont("System font")
{
  handle_ = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  size_ = ascent() + descent() + leading();
}

int OMSysFont::ascent() const
{
  return gdiMetrics().tmAscent;
}

int OMSysFont::descent() const
{
  return gdiMetrics().tmDescent;
}

int OMSysFont::leading() const
{
  return gdiMetrics().tmExternalLeading;
}

int OMSysFont::textWidth(const char* text) const
{
  return gdiTextWidth(text);
}

OMRect OMSysFont::textBounds(const char* text) const
{
  return OMRect(0, -ascent(), textWidth(text), descent());
}
