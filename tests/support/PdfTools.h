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

// A colour picture as poppler's tools write it (PPM): red, green, blue, top row first.
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

// Reads a binary PPM file; empty when it is none (pdfimages writes grey or one-bit images as
// PGM or PBM, which no test's page is).
inline RgbPicture readPpm(const std::string& path)
{
  RgbPicture picture;
  const std::string data = readHostFile(path);
  std::istringstream header(data.substr(0, 64));
  std::string magic;
  int maximum = 0;
  header >> magic >> picture.width >> picture.height >> maximum;
  const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
  const std::size_t size = static_cast<std::size_t>(picture.width) * picture.height * 3;
  if (!header || magic != "P6" || maximum != 255 || data.size() < start + size) return {};
  picture.rgb.assign(data.begin() + static_cast<std::ptrdiff_t>(start),
                     data.begin() + static_cast<std::ptrdiff_t>(start + size));
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
    images.push_back(readPpm(file));
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
  return readPpm(out / "page.ppm");
}

}  // namespace omtest
