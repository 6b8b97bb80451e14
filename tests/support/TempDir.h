#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it when
// the test ends.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The host path of a file in the folder.
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  void write(const std::string& name, const std::string& bytes) const;
  void write(const std::string& name, const std::vector<unsigned char>& bytes) const;
  std::string read(const std::string& name) const;

 private:
  std::filesystem::path path_;
};
