#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <wingdi.h>

namespace omgdi {

// One face at one size: its text metrics and its glyphs, rasterized without antialiasing.
class FontInstance {
 public:
  struct Glyph {
    bool loaded = false;
    int advance = 0;
    int left = 0;  // from the pen position to the first ink column
    int top = 0;   // from the baseline up to the first ink row
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> ink;  // width x rows, 1 = ink
  };

  // Opens the face file; `height` is the logical font's height (negative = character height,
  // positive = cell height, 0 = the default). False when the file cannot be read.
  static std::unique_ptr<FontInstance> open(void* library, const std::string& path, long index,
                                            const LOGFONTA& logFont, bool emboldenSynthetically,
                                            const std::string& familyName);
  ~FontInstance();

  const TEXTMETRICA& metrics() const { return metrics_; }
  const std::string& familyName() const { return familyName_; }
  const Glyph& glyph(unsigned char code);
  int textWidth(const char* text, int count);
  int underlinePosition() const { return underlinePosition_; }
  int underlineThickness() const { return underlineThickness_; }

  // The Windows-1252 character as Unicode.
  static std::uint32_t unicodeOf(unsigned char code);

 private:
  FontInstance() = default;

  void* face_ = nullptr;
  TEXTMETRICA metrics_{};
  std::string familyName_;
  bool embolden_ = false;
  int underlinePosition_ = 1;
  int underlineThickness_ = 1;
  std::array<Glyph, 256> glyphs_{};
};

}  // namespace omgdi
