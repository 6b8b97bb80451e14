#include "tools/ResourceManifest.h"

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/ImageSources.h"
#include "tools/NEResourceWriter.h"
#include "tools/NFNTWriter.h"
#include "tools/WaveWriter.h"

namespace {

bool readFile(const std::filesystem::path& path, NEResourceWriter::Bytes& bytes)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string trimmed(const std::string& text)
{
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool isPngSource(const std::string& source)
{
  return source.size() > 4 && (source.ends_with(".png") || source.ends_with(".PNG"));
}

}  // namespace

bool makeGeneratedContent(const std::string& source, const std::string& folder,
                          std::vector<std::uint8_t>& bytes, std::string& error)
{
  std::istringstream words(source);
  std::string kind;
  words >> kind;
  if (kind == "!wave") {
    long rate = 0;
    words >> rate;
    std::string rest;
    std::getline(words, rest);
    wavewriter::Bytes samples;
    if (!words.fail() && rate > 0 && rate <= 192000 &&
        wavewriter::describedSamples(rest, std::uint32_t(rate), samples, error)) {
      bytes = wavewriter::waveImage(std::uint32_t(rate), samples);
      return true;
    }
    if (error.empty()) error = "expected: !wave RATE tone|silence|clicks ...";
    return false;
  }
  if (kind == "!nfnt") {
    std::string style;
    words >> style;
    nfntwriter::Font font;
    if (style == "pixel") {
      font = nfntwriter::pixelFont();
    } else if (style == "ttf") {
      int pixels = 0;
      std::string file;
      words >> pixels >> file;
      if (words.fail() || pixels <= 0 || pixels > 200) {
        error = "expected: !nfnt ttf PIXELS FONTFILE";
        return false;
      }
      const std::filesystem::path path = std::filesystem::path(file).is_absolute()
                                             ? std::filesystem::path(file)
                                             : std::filesystem::path(folder) / file;
      if (!nfntwriter::trueTypeFont(path.string(), pixels, font, error)) return false;
    } else {
      error = "expected: !nfnt pixel or !nfnt ttf PIXELS FONTFILE";
      return false;
    }
    std::string order;
    words >> order;
    bytes = nfntwriter::write(font, order != "swapped");
    return true;
  }
  error = source + ": not a content generator (!wave, !nfnt)";
  return false;
}

bool readResourceManifest(const std::string& manifestPath, NEResourceWriter& writer,
                          std::string& error)
{
  std::ifstream manifest(manifestPath);
  if (!manifest) {
    error = manifestPath + ": cannot be read";
    return false;
  }
  const std::filesystem::path folder = std::filesystem::path(manifestPath).parent_path();
  std::string line;
  std::string faults;
  auto fault = [&](int number, const std::string& what) {
    if (!faults.empty()) faults += '\n';
    faults += manifestPath + ":" + std::to_string(number) + ": " + what;
  };
  for (int number = 1; std::getline(manifest, line); ++number) {
    line = trimmed(line);
    // "#12" is a numbered type; any other "#" begins a comment.
    const bool numberedType =
        line.size() > 1 && line[0] == '#' && std::isdigit(std::uint8_t(line[1]));
    if (line.empty() || (line[0] == '#' && !numberedType)) continue;
    std::istringstream words(line);
    std::string type, id;
    words >> type >> id;
    std::string source;
    std::getline(words, source);
    source = trimmed(source);
    if (type.empty() || id.empty() || source.empty()) {
      fault(number, "expected: type, id or name, source file");
      continue;
    }
    NEResourceWriter::Bytes data;
    if (source[0] == '!') {
      std::string why;
      if (!makeGeneratedContent(source, folder.string(), data, why)) {
        fault(number, why);
        continue;
      }
    } else if (!readFile(folder / source, data)) {
      fault(number, (folder / source).string() + " cannot be read");
      continue;
    }
    if (isPngSource(source) && isImageSourceType(type)) {
      NEResourceWriter::Bytes converted;
      std::string why;
      if (!convertPngSource(type, data, converted, why)) {
        fault(number, source + ": " + why);
        continue;
      }
      data = std::move(converted);
    }
    if (!writer.add(type, id, std::move(data))) fault(number, writer.error());
  }
  error = faults;
  return faults.empty();
}
