#include "tools/ImageSources.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "tools/AnimationWriter.h"
#include "tools/BackgroundWriter.h"
#include "tools/ColorTableWriter.h"
#include "tools/PngFile.h"

namespace {

std::string upper(std::string text)
{
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::toupper(c)); });
  return text;
}

}  // namespace

bool isImageSourceType(const std::string& type)
{
  const std::string name = upper(type);
  return name == "ASEQ" || name == "BK16" || name == "RRGB";
}

bool convertPngSource(const std::string& type, const std::vector<std::uint8_t>& png,
                      std::vector<std::uint8_t>& resource, std::string& error)
{
  pngfile::Image image;
  if (!pngfile::readPng(png, image, error)) return false;
  const std::string name = upper(type);
  if ((name == "ASEQ" || name == "RRGB") && !image.indexed) {
    error = name + " needs a palette PNG";
    return false;
  }
  if (name == "ASEQ") {
    AnimationWriter writer;
    writer.addImage(AnimationWriter::Image::fromPixels(image.width, image.height, image.indices,
                                                       image.transparentIndex));
    // A still picture holds its image, as the engine's own one-image resources do: played
    // once it would hide itself after its first step (a cursor would vanish).
    writer.addSequence({{AnimationWriter::Entry{0, 0, AnimationWriter::hold, 0},
                         AnimationWriter::Entry{0, 0, 0, 0},
                         AnimationWriter::Entry{0, 0, AnimationWriter::loop, 0}},
                        true});
    if (writer.build(resource)) return true;
    error = writer.error();
    return false;
  }
  if (name == "RRGB") {
    resource = writeColorTable(image.palette);
    return true;
  }
  if (name == "BK16") {
    std::vector<std::uint16_t> pixels;
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t* rgb =
          image.indexed ? &image.palette[3 * std::size_t(image.indices[i])] : &image.rgba[4 * i];
      pixels.push_back(pixel555(rgb[0], rgb[1], rgb[2]));
    }
    resource = writeBackground(image.width, image.height, pixels);
    if (!resource.empty()) return true;
    error = "the background cannot be packed";
    return false;
  }
  error = "no PNG conversion for " + type;
  return false;
}

bool animationFromPngs(const std::string& ending,
                       const std::vector<std::vector<std::uint8_t>>& pngs,
                       std::vector<std::uint8_t>& resource, std::string& error)
{
  if (ending != "once" && ending != "loop" && ending != "hold") {
    error = "the ending is once, loop or hold, not \"" + ending + "\"";
    return false;
  }
  if (pngs.empty()) {
    error = "an animation needs at least one frame";
    return false;
  }
  AnimationWriter writer;
  writer.setFrameRate(8);
  AnimationWriter::Sequence sequence;
  std::array<std::uint8_t, 768> palette{};
  for (std::size_t i = 0; i < pngs.size(); ++i) {
    pngfile::Image image;
    if (!pngfile::readPng(pngs[i], image, error)) return false;
    const std::string frame = "frame " + std::to_string(i + 1);
    if (!image.indexed) {
      error = frame + ": ASEQ needs a palette PNG";
      return false;
    }
    if (i == 0) palette = image.palette;
    if (image.palette != palette) {
      error = frame + ": its palette is not the first frame's";
      return false;
    }
    const int index = writer.addImage(AnimationWriter::Image::fromPixels(
        image.width, image.height, image.indices, image.transparentIndex));
    sequence.entries.push_back(AnimationWriter::Entry{0, 0, std::int16_t(index), 0});
    if (ending == "hold") sequence.entries.push_back({0, 0, AnimationWriter::hold, 0});
  }
  if (ending == "loop") sequence.entries.push_back({0, 0, AnimationWriter::loop, 0});
  writer.addSequence(sequence);
  if (writer.build(resource)) return true;
  error = writer.error();
  return false;
}
