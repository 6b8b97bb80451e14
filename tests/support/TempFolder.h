#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace omtest {

// The whole contents of a host file (empty when it cannot be read).
inline std::string readHostFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

}  // namespace omtest

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder()
  {
    std::string pattern = (std::filesystem::temp_directory_path() / "omtest-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder()
  {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  // Writes a file (making its folders) and returns its host path.
  std::string write(const std::string& relative, const std::string& contents) const
  {
    const std::filesystem::path file = path_ + "/" + relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << contents;
    return file.string();
  }
  std::string write(const std::string& relative, const std::vector<unsigned char>& bytes) const
  {
    return write(relative, std::string(bytes.begin(), bytes.end()));
  }
  // The host path of a file in the folder.
  std::string file(const std::string& relative) const { return *this / relative; }
  std::string read(const std::string& relative) const
  {
    return omtest::readHostFile(*this / relative);
  }
  std::string makeFolder(const std::string& relative) const
  {
    std::filesystem::create_directories(path_ + "/" + relative);
    return path_ + "/" + relative;
  }

 private:
  std::string path_;
};

// Sets an environment variable for the lifetime of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name)
  {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv()
  {
    if (old_)
      ::setenv(name_.c_str(), old_->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Changes the current folder for the lifetime of the object.
class ScopedCurrentFolder {
 public:
  explicit ScopedCurrentFolder(const std::string& path) : old_(std::filesystem::current_path())
  {
    std::filesystem::current_path(path);
  }
  ~ScopedCurrentFolder()
  {
    std::error_code error;
    std::filesystem::current_path(old_, error);
  }
  ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
  ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

 private:
  std::filesystem::path old_;
};
