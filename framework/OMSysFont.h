#pragma once

#include "framework/OMFont.h"

// The stock system font, the font every canvas starts with.
class OMSysFont : public OMFont {
 public:
  static const OMClassDescriptor classDescriptor;

  OMSysFont();

  int ascent() const override;
  int descent() const override;
  int leading() const override;
  int textWidth(const char* text) const override;
  OMRect textBounds(const char* text) const override;
  const OMClassDescriptor& descriptor() const override { return classDescriptor; }
};
