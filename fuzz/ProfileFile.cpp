// An INI file as the programs read it: its sections and keys listed, every key read into
// buffers of several sizes, none written past; a value written reads back.
#include <windows.h>

#include <string>
#include <vector>

#include "fuzz/support/FuzzSupport.h"

namespace {

constexpr DWORD kSizes[] = {1, 2, 3, 8, 64, 4096};
constexpr char kGuard = '\x5A';

// Reads into a buffer of that size with a guard behind it; the guard must stay whole.
std::string read(const char* section, const char* key, DWORD size, const char* file)
{
  std::string buffer(size + 16, kGuard);
  const DWORD length = GetPrivateProfileStringA(section, key, "default", buffer.data(), size, file);
  if (buffer.substr(size) != std::string(16, kGuard)) omfuzz::broken("a read ran past the buffer");
  if (length >= size && size > 0) omfuzz::broken("a read answered more than the buffer holds");
  return buffer.substr(0, length);
}

std::vector<std::string> names(const std::string& list)
{
  std::vector<std::string> out;
  for (std::size_t start = 0; start < list.size() && out.size() < 32;) {
    const auto end = list.find('\0', start);
    out.push_back(list.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string path = omfuzz::writeInput("fuzz.ini", data, size);
  const char* file = path.c_str();
  for (const DWORD bufferSize : kSizes)
    read(nullptr, nullptr, bufferSize, file);
  for (const auto& section : names(read(nullptr, nullptr, 4096, file))) {
    for (const DWORD bufferSize : kSizes)
      read(section.c_str(), nullptr, bufferSize, file);
    for (const auto& key : names(read(section.c_str(), nullptr, 4096, file))) {
      for (const DWORD bufferSize : kSizes)
        read(section.c_str(), key.c_str(), bufferSize, file);
      GetPrivateProfileIntA(section.c_str(), key.c_str(), 7, file);
    }
  }
  if (WritePrivateProfileStringA("Fuzz Section", "Written", "value 1", file) &&
      read("Fuzz Section", "Written", 64, file) != "value 1")
    omfuzz::broken("a written value does not read back");
  return 0;
}
