#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Resources the packer makes from PNG sources: "ASEQ" (a palette PNG as a one-image
// animation, its first fully transparent index skipped), "BK16" (any PNG as a background)
// and "RRGB" (a palette PNG's palette).
bool isImageSourceType(const std::string& type);
bool convertPngSource(const std::string& type, const std::vector<std::uint8_t>& png,
                      std::vector<std::uint8_t>& resource, std::string& error);

// An animation of several palette PNGs (one image each, in order; all with the first one's
// palette) at 8 frames a second. ending: "once" (plays them and stops), "loop" (plays them
// round) or "hold" (one frame a step that holds, as a push button's images are).
bool animationFromPngs(const std::string& ending, const std::vector<std::vector<std::uint8_t>>& pngs,
                       std::vector<std::uint8_t>& resource, std::string& error);
