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
