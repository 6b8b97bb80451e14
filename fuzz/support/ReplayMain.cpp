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
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  int count = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    const std::filesystem::path path = argv[i];
    if (std::filesystem::is_regular_file(path, error)) {
      ok = replay(path) && ok;
      ++count;
      continue;
    }
    if (!std::filesystem::is_directory(path, error)) continue;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(path, error))
      if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      ok = replay(file) && ok;
      ++count;
    }
  }
  std::printf("%d inputs replayed\n", count);
  return ok ? 0 : 1;
}
