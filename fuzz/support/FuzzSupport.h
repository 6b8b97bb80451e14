#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// What every target needs: a private working folder (the current folder, the Windows folder
// and the registry file lie in it, so a run never touches the user's own), removed at exit.
namespace omfuzz {

inline const std::string& workFolder()
{
  // Never freed: the exit handler that removes the folder runs after static destructors.
  static const std::string* const folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "omfuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    ::setenv("OM_HOST", "headless", 1);
    ::setenv("OM_WINDOWS_DIR", (pattern + "/WINDOWS").c_str(), 1);
    ::setenv("OM_REGISTRY", (pattern + "/registry.txt").c_str(), 1);
    std::filesystem::current_path(pattern);
    auto* made = new std::string(pattern);
    std::atexit([] {
      std::error_code error;
      std::filesystem::remove_all(workFolder(), error);
    });
    return made;
  }();
  return *folder;
}

// Writes the input as a file of the working folder; answers its host path.
inline std::string writeInput(const std::string& name, const std::uint8_t* data, std::size_t size)
{
  const std::string path = workFolder() + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

// Stops the run with a message: an invariant does not hold.
[[noreturn]] inline void broken(const char* what)
{
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace omfuzz
