// Resource lookup and resource reads, each next to a plain read() of the same bytes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "framework/OMIStreamDLL16.h"
#include "framework/OMNEFile.h"
#include "framework/OMResFile.h"
#include "tools/NEResourceWriter.h"

namespace {

constexpr int filesInIndex = 4;
constexpr int resourcesPerFile = 2500;  // 10,000 in all; one table holds at most ~5,400
constexpr std::size_t bigSize = 4 * 1024 * 1024;

struct Content {
  std::filesystem::path folder;
  std::vector<std::string> files;
  std::string bigFile;
  std::int32_t bigOffset = 0;

  Content()
  {
    folder = std::filesystem::temp_directory_path() / ("om_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    for (int f = 0; f < filesInIndex; ++f) {
      NEResourceWriter writer;
      writer.setAlignShift(4);
      for (int i = 0; i < resourcesPerFile; ++i) {
        const int id = 1 + f * resourcesPerFile + i;
        writer.add("ASEQ", std::to_string(id), NEResourceWriter::Bytes(16, std::uint8_t(id)));
      }
      files.push_back(write("index" + std::to_string(f) + ".rsc", writer));
      openResFile(files.back().c_str(), 1);
    }
    NEResourceWriter big;
    big.setAlignShift(9);
    big.add("BK16", "1", NEResourceWriter::Bytes(bigSize, 0x5A));
    bigFile = write("big.rsc", big);
    OMIStreamDLL16 probe(1, "BK16", bigFile.c_str(), -1, nullptr);
    bigOffset = probe.dataOffset();
  }
  ~Content()
  {
    closeAllResFiles();
    OMNEFile::current().giveUp();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::string write(const std::string& name, NEResourceWriter& writer)
  {
    NEResourceWriter::Bytes bytes;
    writer.build(bytes);
    const std::string path = (folder / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }
};

Content& content()
{
  static Content made;
  return made;
}

void BM_LookupInIndexOf10000(benchmark::State& state)
{
  content();
  std::mt19937 random(7);
  std::uniform_int_distribution<int> ids(1, filesInIndex * resourcesPerFile);
  for (auto _ : state)
    benchmark::DoNotOptimize(findResourceFile(ids(random), "ASEQ"));
}
BENCHMARK(BM_LookupInIndexOf10000);

void BM_OpenAndReadSmallResource(benchmark::State& state)
{
  content();
  std::mt19937 random(7);
  std::uniform_int_distribution<int> ids(1, resourcesPerFile);  // all in the first file
  for (auto _ : state) {
    auto stream = openResourceStream(ids(random), "ASEQ", -1);
    benchmark::DoNotOptimize(stream->load(0));
  }
}
BENCHMARK(BM_OpenAndReadSmallResource);

void BM_PlainReadSmall(benchmark::State& state)
{
  const int handle = ::open(content().files[0].c_str(), O_RDONLY);
  char buffer[16];
  std::mt19937 random(7);
  std::uniform_int_distribution<int> offsets(0, 60000);
  for (auto _ : state)
    benchmark::DoNotOptimize(::pread(handle, buffer, sizeof buffer, offsets(random)));
  ::close(handle);
}
BENCHMARK(BM_PlainReadSmall);

void BM_Read4MBResource(benchmark::State& state)
{
  const std::string& file = content().bigFile;
  for (auto _ : state) {
    OMIStreamDLL16 stream(1, "BK16", file.c_str(), -1, nullptr);
    benchmark::DoNotOptimize(stream.load(0));
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bigSize));
}
BENCHMARK(BM_Read4MBResource)->Unit(benchmark::kMillisecond);

void BM_PlainRead4MB(benchmark::State& state)
{
  std::vector<char> buffer(bigSize);
  for (auto _ : state) {
    const int handle = ::open(content().bigFile.c_str(), O_RDONLY);
    benchmark::DoNotOptimize(::pread(handle, buffer.data(), bigSize, content().bigOffset));
    ::close(handle);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bigSize));
}
BENCHMARK(BM_PlainRead4MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
