// The game in full screen on the real window, with run-under-xvfb.sh: "setup FOLDER" writes a
// work folder (the INI file asking for DirectDraw full screen) and a CD folder (a start script
// and its resource file) below FOLDER; the script runs the game there, takes a screenshot and
// clicks the box; "check SHOT.xwd FOLDER" then judges the screenshot and what the game wrote.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/XwdShot.h"
#include "tools/AnimationWriter.h"
#include "tools/ColorTableWriter.h"
#include "tools/NEResourceWriter.h"

namespace {

constexpr std::uint32_t rgb(int r, int g, int b)
{
  return static_cast<std::uint32_t>(r | g << 8 | b << 16);
}

// The stage: four quadrants under a box in the middle that changes colour on every beat; a
// click on the box ends the game.
constexpr std::uint32_t kQuadrants[4] = {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255),
                                         rgb(255, 255, 255)};
constexpr std::uint32_t kBoxColours[2] = {rgb(255, 255, 0), rgb(0, 255, 255)};
constexpr int kBoxLeft = 280, kBoxTop = 200, kBoxSize = 80;

const char kScript[] =
    "a=RAnimation 0 0 1\r"
    "b=RAnimation 280 200 2\r"
    "set b mouseDown onClick\r"
    "say built\r"
    "wait\r"
    "procedure onClick\r"
    "[\r"
    "  say clicked\r"
    "  quit\r"
    "]\r";

AnimationWriter::Bytes animation(const std::vector<AnimationWriter::Bytes>& images, int size[2],
                                 bool loops)
{
  AnimationWriter writer;
  AnimationWriter::Sequence sequence;
  for (const AnimationWriter::Bytes& pixels : images) {
    const int image =
        writer.addImage(AnimationWriter::Image::fromPixels(size[0], size[1], pixels, -1));
    sequence.entries.push_back({0, 0, static_cast<std::int16_t>(image), 0});
  }
  sequence.entries.push_back({0, 0, loops ? AnimationWriter::loop : AnimationWriter::hold, 0});
  writer.addSequence(sequence);
  AnimationWriter::Bytes out;
  writer.build(out);
  return out;
}

bool write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool write(const std::filesystem::path& path, const std::string& text)
{
  return write(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

int setup(const std::filesystem::path& folder)
{
  AnimationWriter::Bytes quadrants(640 * 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      quadrants[static_cast<std::size_t>(y) * 640 + x] =
          static_cast<std::uint8_t>(1 + (x >= 320) + 2 * (y >= 240));
  int screenSize[2] = {640, 480}, boxSize[2] = {kBoxSize, kBoxSize};
  std::array<std::uint8_t, 768> table{};
  const std::uint32_t colours[6] = {kQuadrants[0], kQuadrants[1],  kQuadrants[2],
                                    kQuadrants[3], kBoxColours[0], kBoxColours[1]};
  for (std::size_t i = 0; i < 6; ++i)
    for (std::size_t c = 0; c < 3; ++c)
      table[3 * (i + 1) + c] = static_cast<std::uint8_t>(colours[i] >> (8 * c));

  NEResourceWriter writer;
  writer.add("ASEQ", "1", animation({quadrants}, screenSize, false));
  writer.add("ASEQ", "2",
             animation({AnimationWriter::Bytes(kBoxSize * kBoxSize, 5),
                        AnimationWriter::Bytes(kBoxSize * kBoxSize, 6)},
                       boxSize, true));
  for (const char* id : {"1", "2"})
    writer.add("RRGB", id, writeColorTable(table));
  NEResourceWriter::Bytes file;
  if (!writer.build(file)) {
    std::fprintf(stderr, "the resource file: %s\n", writer.error().c_str());
    return 2;
  }
  const bool written = write(folder / "cd/RSC/stage.rsc", file) &&
                       write(folder / "cd/RSC/resource.map",
                             "1\nstage.rsc\nASEQ 1\nASEQ 2\nRRGB 1\nRRGB 2\nENDFILE\n") &&
                       write(folder / "cd/scripts/Startup.mps", kScript) &&
                       write(folder / "work/korvanix.INI",
                             "[Velmora Trasko Adventures - CD]\nCDDrive=D:\\\nUseDirectDraw=1\n"
                             "DisplayFullScreen=1\n");
  return written ? 0 : 2;
}

// ---- judging ----

int failures = 0;

void expect(bool ok, const std::string& what)
{
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) ++failures;
}

std::string hex(std::uint32_t c)
{
  char text[16];
  std::snprintf(text, sizeof text, "%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return text;
}

// The display is 1280x1024: the game's 640x480 screen shows at twice its size, 1280x960, with
// bars of 32 rows above and below.
void judgeShot(const omtest::XwdShot& shot)
{
  constexpr int kScale = 2, kTop = 32;
  struct Point {
    std::string what;
    int x, y;
    std::vector<std::uint32_t> colours;
  };
  const std::uint32_t black = rgb(0, 0, 0);
  std::vector<Point> points = {
      {"the bar above", 640, kTop - 2, {black}},
      {"the bar below", 640, kTop + 960 + 1, {black}},
      {"the picture's top left corner", 1, kTop + 1, {kQuadrants[0]}},
      {"the picture's bottom right corner", 1278, kTop + 958, {kQuadrants[3]}},
  };
  const char* names[4] = {"top left", "top right", "bottom left", "bottom right"};
  for (int q = 0; q < 4; ++q)
    points.push_back({names[q],
                      kScale * (160 + 320 * (q % 2)),
                      kTop + kScale * (120 + 240 * (q / 2)),
                      {kQuadrants[q]}});
  points.push_back({"the box",
                    kScale * (kBoxLeft + kBoxSize / 2),
                    kTop + kScale * (kBoxTop + kBoxSize / 2),
                    {kBoxColours[0], kBoxColours[1]}});
  points.push_back({"just left of the box",
                    kScale * kBoxLeft - 2,
                    kTop + kScale * (kBoxTop + 4),
                    {kQuadrants[0]}});
  expect(shot.width == 1280 && shot.height == 1024, "the screenshot is of the 1280x1024 display (" +
                                                        std::to_string(shot.width) + "x" +
                                                        std::to_string(shot.height) + ")");
  for (const Point& p : points) {
    const auto got = shot.at(p.x, p.y);
    bool ok = false;
    std::string wanted;
    for (std::uint32_t c : p.colours) {
      ok = ok || (got && *got == c);
      wanted += (wanted.empty() ? "" : " or ") + hex(c);
    }
    expect(ok, "screenshot: " + p.what + " at " + std::to_string(p.x) + "," + std::to_string(p.y) +
                   " is " + wanted + (got ? " (got " + hex(*got) + ")" : " (unreadable)"));
  }
}

std::string readText(const std::filesystem::path& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int check(const char* shotPath, const std::filesystem::path& folder)
{
  const auto shot = omtest::readXwdShot(shotPath);
  expect(shot.has_value(), "the screenshot is a readable X window dump");
  if (shot) judgeShot(*shot);
  const std::string log = readText(folder / "work/debug.txt");
  expect(log == "built\nclicked\n",
         "the script built its stage and the click through the scale reached the box (log: \"" +
             log + "\")");
  expect(readText(folder / "work/KORVANIX.DAT").rfind("Version\n2\n", 0) == 0,
         "the game saved its data file");
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc == 3 && std::strcmp(argv[1], "setup") == 0) return setup(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "check") == 0) return check(argv[2], argv[3]);
  std::fprintf(stderr, "usage: game_fullscreen_probe setup FOLDER | check SHOT.xwd FOLDER\n");
  return 2;
}
