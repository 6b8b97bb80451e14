#pragma once

#include <string>

#include "framework/OMFont.h"

// A TrueType font by face name, optionally installed from a font file that the program
// brings along; the installation is undone when the font is deleted.
class OMTTFont : public OMFont {
 public:
  static const OMClassDescriptor classDescriptor;

  // fontFile: a base name without extension, or null; empty directories mean the system
  // directory.
  OMTTFont(const char* faceName, const char* fontFile, const char* ttfDirectory,
           const char* fotDirectory);
  ~OMTTFont() override;

  int ascent() const override;
  int descent() const override;
  int leading() const override;
  int textWidth(const char* text) const override;
  OMRect textBounds(const char* text) const override;
  void setSize(int size) override;
  void setStyle(int style) override;
  const OMClassDescriptor& descriptor() const override { return classDescriptor; }

  const std::string& installedFile() const { return installedFile_; }
  // Whether the system has a TrueType family of exactly this name.
  static bool hasTrueTypeFamily(const char* faceName);

 private:
  void rebuild();

  bool hasFace_ = false;
  std::string installedFile_;
};
