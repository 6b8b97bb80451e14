#pragma once

#include <cstdint>

// A colour: three 16-bit channels with the 8-bit value in the high byte, and a palette index.
// Index -1 means the channels give the colour, 0 to 255 names a palette entry, and anything
// below -1 means no colour at all.
struct OMRGBColor {
  static constexpr std::int32_t byChannels = -1;

  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
  std::int32_t index = byChannels;

  constexpr OMRGBColor() = default;
  constexpr OMRGBColor(std::uint16_t red, std::uint16_t green, std::uint16_t blue)
      : red(red), green(green), blue(blue)
  {
  }
  // The palette entry `index`, with the channels 0.
  static constexpr OMRGBColor fromIndex(std::int32_t index)
  {
    OMRGBColor color;
    color.index = index;
    return color;
  }
  // From 8-bit channel values, each shifted into the high byte.
  static constexpr OMRGBColor fromBytes(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
  {
    return OMRGBColor(static_cast<std::uint16_t>(red << 8), static_cast<std::uint16_t>(green << 8),
                      static_cast<std::uint16_t>(blue << 8));
  }

  constexpr std::uint8_t redByte() const { return static_cast<std::uint8_t>(red >> 8); }
  constexpr std::uint8_t greenByte() const { return static_cast<std::uint8_t>(green >> 8); }
  constexpr std::uint8_t blueByte() const { return static_cast<std::uint8_t>(blue >> 8); }
  constexpr bool isByChannels() const { return index == byChannels; }
  constexpr bool isPaletteIndex() const { return index >= 0 && index <= 255; }
  constexpr bool isNone() const { return index < byChannels; }

  constexpr bool operator==(const OMRGBColor&) const = default;
};
