#include "tools/ResourceManifest.h"

#include <algorithm>
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
      std::string option;
      while (words >> option && option != "swapped") {
        int factor = 0;
        if (option == "caseless") {
          font = nfntwriter::caselessFont(font);
        } else if (option == "scale" && words >> factor && factor >= 1 && factor <= 8) {
          font = nfntwriter::scaledFont(font, factor);
        } else {
          error = "expected: !nfnt pixel [scale 1-8] [caseless] [swapped]";
          return false;
        }
      }
      bytes = nfntwriter::write(font, option != "swapped");
      return true;
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
  if (kind == "!aseq") {
    std::string ending, file;
    words >> ending;
    std::vector<std::vector<std::uint8_t>> frames;
    while (words >> file) {
      frames.emplace_back();
      if (!readFile(std::filesystem::path(folder) / file, frames.back())) {
        error = (std::filesystem::path(folder) / file).string() + " cannot be read";
        return false;
      }
    }
    if (!animationFromPngs(ending, frames, bytes, error)) {
      error = "!aseq once|loop|hold FRAME.png...: " + error;
      return false;
    }
    return true;
  }
  error = source + ": not a content generator (!wave, !nfnt, !aseq)";
  return false;
}

bool readManifestLines(const std::string& manifestPath, std::vector<ManifestLine>& lines,
                       std::string& error)
{
  std::ifstream manifest(manifestPath);
  if (!manifest) {
    error = manifestPath + ": cannot be read";
    return false;
  }
  std::string line;
  std::string faults;
  for (int number = 1; std::getline(manifest, line); ++number) {
    line = trimmed(line);
    // "#12" is a numbered type; any other "#" begins a comment.
    const bool numberedType =
        line.size() > 1 && line[0] == '#' && std::isdigit(std::uint8_t(line[1]));
    if (line.empty() || (line[0] == '#' && !numberedType)) continue;
    std::istringstream words(line);
    ManifestLine entry;
    entry.number = number;
    words >> entry.type >> entry.id;
    std::getline(words, entry.source);
    entry.source = trimmed(entry.source);
    if (entry.type.empty() || entry.id.empty() || entry.source.empty()) {
      if (!faults.empty()) faults += '\n';
      faults += manifestPath + ":" + std::to_string(number) +
                ": expected: type, id or name, source file";
      continue;
    }
    lines.push_back(std::move(entry));
  }
  error = faults;
  return faults.empty();
}

bool readResourceManifest(const std::string& manifestPath, NEResourceWriter& writer,
                          std::string& error)
{
  std::vector<ManifestLine> lines;
  std::string faults;
  readManifestLines(manifestPath, lines, faults);
  const std::filesystem::path folder = std::filesystem::path(manifestPath).parent_path();
  auto fault = [&](int number, const std::string& what) {
    if (!faults.empty()) faults += '\n';
    faults += manifestPath + ":" + std::to_string(number) + ": " + what;
  };
  for (ManifestLine& line : lines) {
    const std::string& source = line.source;
    NEResourceWriter::Bytes data;
    if (source[0] == '!') {
      std::string why;
      if (!makeGeneratedContent(source, folder.string(), data, why)) {
        fault(line.number, why);
        continue;
      }
    } else if (!readFile(folder / source, data)) {
      fault(line.number, (folder / source).string() + " cannot be read");
      continue;
    }
    if (source[0] != '!' && isPngSource(source) && isImageSourceType(line.type)) {
      NEResourceWriter::Bytes converted;
      std::string why;
      if (!convertPngSource(line.type, data, converted, why)) {
        fault(line.number, source + ": " + why);
        continue;
      }
      data = std::move(converted);
    }
    if (!writer.add(line.type, line.id, std::move(data))) fault(line.number, writer.error());
  }
  error = faults;
  return faults.empty();
}

bool writeResourceMap(const std::vector<std::pair<std::string, std::string>>& files,
                      std::string& map, std::string& error)
{
  std::string blocks;
  std::size_t capacity = 0;
  std::string faults;
  for (const auto& [name, manifestPath] : files) {
    std::vector<ManifestLine> lines;
    std::string why;
    if (!readManifestLines(manifestPath, lines, why)) {
      faults += (faults.empty() ? "" : "\n") + why;
      continue;
    }
    if (name.empty() || name.find_first_of(" \t\r\n") != std::string::npos) {
      faults += (faults.empty() ? "" : "\n") + manifestPath + ": \"" + name +
                "\" cannot name a resource file in a map";
      continue;
    }
    blocks += name + "\r\n";
    for (const ManifestLine& line : lines) {
      // The map holds type tags of one to four characters and numbered ids only.
      const bool numbered = !line.id.empty() && line.id.size() <= 5 &&
                            line.id.find_first_not_of("0123456789") == std::string::npos &&
                            std::stoi(line.id) >= 1 && std::stoi(line.id) <= 32767;
      if (line.type.empty() || line.type.size() > 4 || line.type[0] == '#' || !numbered) {
        faults += (faults.empty() ? "" : "\n") + manifestPath + ":" +
                  std::to_string(line.number) + ": " + line.type + " " + line.id +
                  " cannot be listed in a resource map (a type of one to four characters and a number)";
        continue;
      }
      blocks += line.type + " " + line.id + "\r\n";
    }
    blocks += "ENDFILE\r\n";
    capacity = std::max(capacity, lines.size());
  }
  error = faults;
  if (!faults.empty()) return false;
  map = std::to_string(capacity) + "\r\n" + blocks;
  return true;
}
