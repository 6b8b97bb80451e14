#include "fuzz/support/SurfaceContent.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

#include "tools/AnimationWriter.h"
#include "tools/BackgroundWriter.h"
#include "tools/ColorTableWriter.h"
#include "tools/NEResourceWriter.h"
#include "tools/NFNTWriter.h"
#include "tools/WaveWriter.h"

namespace surfacecontent {

namespace {

using Bytes = std::vector<std::uint8_t>;

AnimationWriter::Image square(int size, std::uint8_t colour)
{
  return AnimationWriter::Image::fromPixels(
      size, size, Bytes(static_cast<std::size_t>(size) * size, colour), 0);
}

Bytes squareAnimationBytes()
{
  AnimationWriter writer;
  writer.setFrameRate(8);
  writer.addImage(square(40, 1));
  writer.addSequence({{{0, 0, 0, 0}, {0, 0, AnimationWriter::hold, 0}}});
  Bytes out;
  writer.build(out);
  return out;
}

// Two images in turn with a sound on the way, a held sequence and a looping one.
Bytes playingAnimationBytes()
{
  AnimationWriter writer;
  writer.setFrameRate(8);
  writer.addImage(square(32, 2));
  writer.addImage(square(24, 3));
  writer.addSequence({{{0, 0, 0, 0},
                       {0, 0, AnimationWriter::sound, static_cast<std::int16_t>(shortSound)},
                       {4, 4, 1, 0},
                       {0, 0, 0, 0}}});
  writer.addSequence({{{2, 2, 1, 0}, {0, 0, AnimationWriter::hold, 0}}});
  writer.addSequence({{{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, AnimationWriter::loop, 0}}});
  Bytes out;
  writer.build(out);
  return out;
}

Bytes paletteBytes()
{
  std::array<std::uint8_t, 768> rgb{};
  for (std::size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<std::uint8_t>(i * 7);
  return writeColorTable(rgb);
}

bool wanted(const std::vector<std::string>& types, const char* type)
{
  return types.empty() || std::find(types.begin(), types.end(), type) != types.end();
}

}  // namespace

std::vector<std::uint8_t> resourceFile(const std::vector<std::string>& types)
{
  NEResourceWriter writer;
  if (wanted(types, "ASEQ")) {
    writer.add("ASEQ", std::to_string(squareAnimation), squareAnimationBytes());
    writer.add("ASEQ", std::to_string(playingAnimation), playingAnimationBytes());
  }
  if (wanted(types, "WAVE")) {
    writer.add("WAVE", std::to_string(shortSound),
               wavewriter::waveImage(22050, wavewriter::tone(22050, 1000, 2205)));
    writer.add("WAVE", std::to_string(longSound),
               wavewriter::waveImage(11025, wavewriter::tone(11025, 500, 11025)));
  }
  if (wanted(types, "BK16"))
    writer.add(
        "BK16", std::to_string(stageBackground),
        writeBackground(640, 480, std::vector<std::uint16_t>(640 * 480, pixel555(40, 200, 40))));
  if (wanted(types, "NFNT"))
    writer.add("NFNT", std::to_string(pixelFont), nfntwriter::write(nfntwriter::pixelFont()));
  if (wanted(types, "RRGB")) writer.add("RRGB", std::to_string(palette), paletteBytes());
  Bytes file;
  writer.build(file);
  return file;
}

std::vector<std::string> idWords()
{
  std::vector<std::string> words;
  for (int id : {squareAnimation, playingAnimation, stageBackground, palette, shortSound, longSound,
                 pixelFont})
    words.push_back(std::to_string(id));
  return words;
}

SurfaceScript::Content scriptContent(std::initializer_list<const char*> fileWords)
{
  SurfaceScript::Content content;
  content.words = idWords();
  content.words.insert(content.words.end(), fileWords.begin(), fileWords.end());
  content.points = {{{20, 20}}, {{200, 150}}, {{400, 300}}};
  return content;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
  const std::filesystem::path file(path);
  std::error_code error;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

void writeFile(const std::string& path, const std::string& text)
{
  writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

File textFile(std::string path, const std::string& text)
{
  return File{std::move(path), Bytes(text.begin(), text.end())};
}

}  // namespace surfacecontent
