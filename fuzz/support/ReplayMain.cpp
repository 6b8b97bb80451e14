// Runs a fuzz target's entry point over every file of the folders (or files) it is given, as
// the ordinary suite replays the inputs that once made a target fail. A missing folder counts
// as empty; a crash or a sanitizer report fails the run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool replay(const std::filesystem::path& file)
{
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv)
{
  // Every input is found first: a target may change the current folder.
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(argv[i], error);
    if (std::filesystem::is_regular_file(path, error)) {
      files.push_back(path);
      continue;
    }
    if (!std::filesystem::is_directory(path, error)) continue;
    std::vector<std::filesystem::path> inFolder;
    for (const auto& entry : std::filesystem::directory_iterator(path, error))
      if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
        inFolder.push_back(entry.path());
    std::sort(inFolder.begin(), inFolder.end());
    files.insert(files.end(), inFolder.begin(), inFolder.end());
  }
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  bool ok = true;
  for (const auto& file : files)
    ok = replay(file) && ok;
  std::printf("%zu inputs replayed\n", files.size());
  return ok ? 0 : 1;
}
