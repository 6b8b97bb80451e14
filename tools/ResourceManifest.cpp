#include "tools/ResourceManifest.h"

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/ImageSources.h"
#include "tools/NEResourceWriter.h"

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
    if (!readFile(folder / source, data)) {
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
