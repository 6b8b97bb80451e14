#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

extern char** environ;

// Printed PDF files read back through poppler's tools: pdfinfo for the pages and the title,
// pdfimages for the embedded images and pdftoppm for the sheet as a reader sees it.
namespace omtest {

// A picture as poppler's tools write it (PPM, PGM or PBM), widened to red, green, blue.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  // The pixel as a COLORREF (red in the low byte).
  std::uint32_t colour(int x, int y) const
  {
    const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    return p[0] | p[1] << 8 | p[2] << 16;
  }
};

struct PdfInfo {
  int pages = 0;
  std::string title;
  // Each page's size in points.
  std::vector<std::pair<double, double>> sizes;
};

// Runs a tool and answers what it wrote to its output, or nothing when it failed.
inline bool runTool(std::vector<std::string> arguments, std::string* output = nullptr)
{
  std::vector<char*> argv;
  for (std::string& argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  pid_t child = 0;
  const bool started =
      ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  std::string text;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<std::size_t>(got));
  ::close(pipeEnds[0]);
  int status = 0;
  if (!started || ::waitpid(child, &status, 0) != child) return false;
  if (output != nullptr) *output = text;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline PdfInfo readPdfInfo(const std::string& path)
{
  PdfInfo info;
  std::string text;
  if (!runTool({"pdfinfo", "-f", "1", "-l", "9999", path}, &text)) return info;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = line.substr(0, colon);
    const std::size_t start = line.find_first_not_of(' ', colon + 1);
    const std::string value = start == std::string::npos ? "" : line.substr(start);
    double width = 0, height = 0;
    if (key == "Title") {
      info.title = value;
    } else if (key == "Pages") {
      info.pages = std::stoi(value);
    } else if (key.rfind("Page ", 0) == 0 && key.find(" size") != std::string::npos &&
               std::sscanf(value.c_str(), "%lf x %lf", &width, &height) == 2) {
      info.sizes.emplace_back(width, height);
    }
  }
  return info;
}

// Reads a binary PPM, PGM or PBM file; empty when it is none.
inline RgbPicture readPnm(const std::string& path)
{
  RgbPicture picture;
  const std::string data = readHostFile(path);
  std::istringstream header(data.substr(0, 64));
  std::string magic;
  int maximum = 1;
  header >> magic >> picture.width >> picture.height;
  if (magic != "P4") header >> maximum;
  const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
  const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
  const std::size_t bitRow = (static_cast<std::size_t>(picture.width) + 7) / 8;
  const std::size_t need = magic == "P6"   ? count * 3
                           : magic == "P5" ? count
                           : magic == "P4" ? bitRow * picture.height
                                           : 0;
  if (!header || maximum != (magic == "P4" ? 1 : 255) || need == 0 || data.size() < start + need) {
    return {};
  }
  picture.rgb.resize(count * 3);
  const auto* in = reinterpret_cast<const std::uint8_t*>(data.data() + start);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t grey = 0;
    if (magic == "P6") {
      std::copy_n(in + 3 * i, 3, picture.rgb.begin() + static_cast<std::ptrdiff_t>(3 * i));
      continue;
    }
    if (magic == "P5") {
      grey = in[i];
    } else {
      const std::size_t x = i % picture.width, y = i / picture.width;
      grey = (in[y * bitRow + x / 8] >> (7 - x % 8) & 1) ? 0 : 255;
    }
    std::fill_n(picture.rgb.begin() + static_cast<std::ptrdiff_t>(3 * i), 3, grey);
  }
  return picture;
}

// The images the file holds, in their order, each at its own size.
inline std::vector<RgbPicture> readPdfImages(const std::string& path)
{
  TempFolder out;
  std::vector<RgbPicture> images;
  if (!runTool({"pdfimages", path, out / "image"})) return images;
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(out.path()))
    files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  for (const std::string& file : files)
    images.push_back(readPnm(file));
  return images;
}

// One page as a reader shows it at `dotsPerInch`.
inline RgbPicture renderPdfPage(const std::string& path, int page, int dotsPerInch)
{
  TempFolder out;
  const std::string number = std::to_string(page);
  if (!runTool({"pdftoppm", "-r", std::to_string(dotsPerInch), "-f", number, "-l", number,
                "-singlefile", path, out / "page"})) {
    return {};
  }
  return readPnm(out / "page.ppm");
}

}  // namespace omtest
