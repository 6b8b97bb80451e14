// rscpack: packs the resources listed in a manifest into an NE resource file (".rsc").
//   rscpack [--shift N] [--name-table] --output FILE.rsc MANIFEST
// or writes one piece of generated content (see ResourceManifest.h) as a file:
//   rscpack --generate FILE "!wave 22050 tone 440 500"
// or writes the resource map of resource files packed from manifests (to standard output
// without --output):
//   rscpack --map [--output resource.map] NAME.rsc MANIFEST [NAME.rsc MANIFEST]...
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/NEResourceWriter.h"
#include "tools/ResourceManifest.h"

namespace {

int usage()
{
  std::fputs(
      "usage: rscpack [--shift N] [--name-table] --output FILE.rsc MANIFEST\n"
      "       rscpack --generate FILE SOURCE\n"
      "       rscpack --map [--output FILE.map] NAME.rsc MANIFEST [NAME.rsc MANIFEST]...\n",
      stderr);
  return 2;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (out) return true;
  std::fprintf(stderr, "rscpack: %s cannot be written\n", path.c_str());
  std::remove(path.c_str());
  return false;
}

// The map of the files named on the command line, after "--map".
int writeMap(int argc, char** argv)
{
  std::string output;
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--output") == 0 && i + 1 < argc && output.empty()) {
      output = argv[++i];
    } else if (i + 1 < argc) {
      files.emplace_back(argv[i], argv[i + 1]);
      ++i;
    } else {
      return usage();
    }
  }
  if (files.empty()) return usage();
  std::string map, error;
  if (!writeResourceMap(files, map, error)) {
    std::fprintf(stderr, "rscpack: %s\n", error.c_str());
    return 1;
  }
  if (!output.empty()) return writeFile(output, std::vector<std::uint8_t>(map.begin(), map.end())) ? 0 : 1;
  std::fwrite(map.data(), 1, map.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc >= 2 && std::strcmp(argv[1], "--map") == 0) return writeMap(argc, argv);
  if (argc == 4 && std::strcmp(argv[1], "--generate") == 0) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!makeGeneratedContent(argv[3], ".", bytes, error)) {
      std::fprintf(stderr, "rscpack: %s\n", error.c_str());
      return 1;
    }
    return writeFile(argv[2], bytes) ? 0 : 1;
  }
  NEResourceWriter writer;
  std::string output, manifest;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--shift" && i + 1 < argc) {
      char* end = nullptr;
      const long shift = std::strtol(argv[++i], &end, 10);
      if (*end || !writer.setAlignShift(int(shift))) {
        std::fprintf(stderr, "rscpack: %s\n", writer.error().c_str());
        return 2;
      }
    } else if (argument == "--name-table") {
      writer.setNameTable(true);
    } else if (argument == "--output" && i + 1 < argc) {
      output = argv[++i];
    } else if (manifest.empty() && argument[0] != '-') {
      manifest = argument;
    } else {
      return usage();
    }
  }
  if (output.empty() || manifest.empty()) return usage();

  std::string error;
  NEResourceWriter::Bytes file;
  if (!readResourceManifest(manifest, writer, error)) {
    std::fprintf(stderr, "rscpack: %s\n", error.c_str());
    return 1;
  }
  if (!writer.build(file)) {
    std::fprintf(stderr, "rscpack: %s: %s\n", manifest.c_str(), writer.error().c_str());
    return 1;
  }
  return writeFile(output, file) ? 0 : 1;
}
