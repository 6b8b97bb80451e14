#include "tests/support/TempDir.h"

#include <fstream>
#include <random>
#include <sstream>

TempDir::TempDir()
{
  std::random_device random;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() / ("omtest-" + std::to_string(random()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir()
{
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempDir::write(const std::string& name, const std::string& bytes) const
{
  std::ofstream out(path_ / name, std::ios::binary);
  out << bytes;
}

void TempDir::write(const std::string& name, const std::vector<unsigned char>& bytes) const
{
  std::ofstream out(path_ / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string TempDir::read(const std::string& name) const
{
  std::ifstream in(path_ / name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}
