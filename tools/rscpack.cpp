// rscpack: packs the resources listed in a manifest into an NE resource file (".rsc").
//   rscpack [--shift N] [--name-table] --output FILE.rsc MANIFEST
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/NEResourceWriter.h"
#include "tools/ResourceManifest.h"

namespace {

int usage()
{
  std::fputs("usage: rscpack [--shift N] [--name-table] --output FILE.rsc MANIFEST\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv)
{
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
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "rscpack: %s cannot be written\n", output.c_str());
    std::remove(output.c_str());
    return 1;
  }
  return 0;
}
