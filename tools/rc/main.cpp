// omrc: compiles a resource script into a C++ source file, or writes the bytes of one of its
// resources (for rscpack's manifests).
//   omrc [--plugin] [--files <folder>] [--depfile <file>] <script> <output.cpp>
//   omrc --one <type> <name> [--files <folder>] <script> <output.bin>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/rc/ResourceScript.h"

namespace {

int usage()
{
  std::fprintf(stderr,
               "usage: omrc [--plugin] [--files <folder>] [--depfile <file>] <script> <output>\n"
               "       omrc --one <type> <name> [--files <folder>] <script> <output.bin>\n");
  return 2;
}

std::string folderOf(const std::string& path)
{
  const auto cut = path.rfind('/');
  return cut == std::string::npos ? "." : path.substr(0, cut);
}

}  // namespace

int main(int argc, char** argv)
{
  bool plugin = false;
  std::vector<std::string> folders;
  std::string depfile;
  std::vector<std::string> positional;
  std::string oneType, oneName;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--one" && i + 2 < argc) {
      oneType = argv[++i];
      oneName = argv[++i];
    } else if (argument == "--plugin") {
      plugin = true;
    } else if (argument == "--files" && i + 1 < argc) {
      folders.push_back(argv[++i]);
    } else if (argument == "--depfile" && i + 1 < argc) {
      depfile = argv[++i];
    } else if (!argument.empty() && argument[0] == '-') {
      return usage();
    } else {
      positional.push_back(argument);
    }
  }
  if (positional.size() != 2) return usage();
  const std::string& scriptPath = positional[0];
  const std::string& outputPath = positional[1];
  std::ifstream in(scriptPath, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "omrc: cannot read %s\n", scriptPath.c_str());
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  folders.push_back(folderOf(scriptPath));
  omrc::ResourceScript script(folders);
  if (!script.compile(text)) {
    std::fprintf(stderr, "%s: %s\n", scriptPath.c_str(), script.error().c_str());
    return 1;
  }
  if (!oneType.empty()) {
    if (const omrc::Resource* resource = script.find(oneType, oneName)) {
      std::ofstream one(outputPath, std::ios::binary);
      one.write(reinterpret_cast<const char*>(resource->bytes.data()),
                static_cast<std::streamsize>(resource->bytes.size()));
      if (one) return 0;
      std::fprintf(stderr, "omrc: cannot write %s\n", outputPath.c_str());
      return 1;
    }
    std::fprintf(stderr, "omrc: %s has no resource %s %s\n", scriptPath.c_str(), oneType.c_str(),
                 oneName.c_str());
    return 1;
  }
  std::ofstream out(outputPath, std::ios::binary);
  out << omrc::writeResourceSource(script.resources(), plugin, scriptPath);
  if (!out) {
    std::fprintf(stderr, "omrc: cannot write %s\n", outputPath.c_str());
    return 1;
  }
  if (!depfile.empty()) {
    std::ofstream deps(depfile, std::ios::binary);
    deps << outputPath << ":";
    for (const auto& file : script.filesRead())
      deps << " " << file;
    deps << "\n";
  }
  return 0;
}
