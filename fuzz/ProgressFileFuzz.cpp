// Puts arbitrary bytes in the Windows folder as "tovik.dat", loads them into a data file's
// variables and writes them back whole: the header and every whole record the bytes hold come
// back byte for byte but the user count and the name, the records they lack as zeros.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "assessment/src/ProgressFile.h"
#include "assessment/src/RDatFile.h"
#include "fuzz/support/FuzzSupport.h"
#include "platform/host/HostClock.h"

namespace {

// The Windows folder of the run's working folder, on the manual clock.
const std::string& windowsFolder()
{
  static const std::string folder = [] {
    const std::string path = omfuzz::workFolder() + "/WINDOWS";
    std::filesystem::create_directories(path);
    omhost::useManualClock(0);
    return path;
  }();
  return folder;
}

std::string readAll(const std::string& path)
{
  std::string bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
      bytes.append(block, got);
    std::fclose(file);
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string path = windowsFolder() + "/tovik.dat";
  // An empty input may come without bytes at all.
  const std::string given = size ? std::string(reinterpret_cast<const char*>(data), size) : "";
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(given.data(), 1, given.size(), file);
    std::fclose(file);
  }
  ProgressFile::instance().reset();
  const std::size_t header = ProgressFile::headerSize, record = ProgressFile::recordSize;
  const std::size_t records =
      size < header ? 0 : std::min<std::size_t>((size - header) / record, ProgressFile::recordCount);
  {
    RDatFile file(200, "");
    file.loadMRData();
    const std::string name = file.get("uName");
    if (records > 0 && name.size() > 13) __builtin_trap();
    file.writeMRData();
  }
  const std::string written = readAll(path);
  if (written.size() != ProgressFile::fileSize) __builtin_trap();
  for (std::size_t i = 0; i < written.size(); ++i) {
    // The user count comes from a variable that nothing set; the name is cut at its NUL.
    const bool inName = i >= header + 164 && i < header + 178;
    if (i == 3 || inName) continue;
    if (i < header) {
      if (size >= header && written[i] != given[i]) __builtin_trap();
    } else if (i < header + records * record) {
      if (written[i] != given[i]) __builtin_trap();
    } else if (written[i] != '\0') {
      __builtin_trap();
    }
  }
  return 0;
}
