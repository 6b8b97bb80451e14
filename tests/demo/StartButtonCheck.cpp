// Looks for the assessment demo's "Start" button in a screenshot of the program's window (an
// xwd dump of the window alone, at one window pixel per screen pixel) and says whether it is
// there whole, where the splash places it: the button is 160 x 48, a black outline round a
// band of three pixels of one colour round its face of another, at (240, 400) of the stage,
// which fills the 640x480 window. Exit status 0 when it is whole in its place, 1 otherwise.
#include <cstdint>
#include <cstdio>
#include <optional>

#include "tests/support/XwdShot.h"

namespace {

constexpr std::uint32_t kOutline = 0;  // black
constexpr int kWidth = 160, kHeight = 48, kLeft = 240, kTop = 400;

std::uint32_t colourAt(const omtest::XwdShot& shot, int x, int y)
{
  return shot.at(x, y).value_or(0xFFFFFFFF);
}

// Whether the row holds the colour from `from` to `to` (exclusive).
bool run(const omtest::XwdShot& shot, int y, int from, int to, std::uint32_t colour)
{
  for (int x = from; x < to; ++x)
    if (colourAt(shot, x, y) != colour) return false;
  return true;
}

// The band's and the face's colours of a button whose top left corner lies there.
struct Look {
  std::uint32_t band, face;
};

// The button's top: its outline's top row over the band's three rows, the face below.
bool topAt(const omtest::XwdShot& shot, int x, int y, Look& look)
{
  if (!run(shot, y, x, x + kWidth, kOutline)) return false;
  look = {colourAt(shot, x + 1, y + 1), colourAt(shot, x + 4, y + 4)};
  if (look.band == kOutline || look.face == kOutline || look.band == look.face) return false;
  for (int row = 1; row < 4; ++row)
    if (!run(shot, y + row, x + 1, x + kWidth - 1, look.band)) return false;
  return colourAt(shot, x + kWidth - 5, y + 4) == look.face;
}

// The rest below a top: the sides all the way down, the band's lower rows, the outline's
// bottom row.
bool wholeBelow(const omtest::XwdShot& shot, int x, int y, const Look& look)
{
  for (int row = 0; row < kHeight; ++row)
    if (colourAt(shot, x, y + row) != kOutline ||
        colourAt(shot, x + kWidth - 1, y + row) != kOutline)
      return false;
  for (int row = kHeight - 4; row < kHeight - 1; ++row)
    if (!run(shot, y + row, x + 1, x + kWidth - 1, look.band)) return false;
  return run(shot, y + kHeight - 1, x, x + kWidth, kOutline) &&
         colourAt(shot, x + 4, y + kHeight - 5) == look.face;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s SHOT.xwd\n", argv[0]);
    return 2;
  }
  const std::optional<omtest::XwdShot> shot = omtest::readXwdShot(argv[1]);
  if (!shot || !shot->at(0, 0)) {
    std::printf("the screenshot cannot be read\n");
    return 2;
  }
  for (int y = 0; y < shot->height; ++y)
    for (int x = 0; x < shot->width; ++x) {
      Look look{};
      if (!topAt(*shot, x, y, look)) continue;
      const bool whole = wholeBelow(*shot, x, y, look);
      std::printf("the button's top is at %d, %d of the %dx%d window; it is %s\n", x, y,
                  shot->width, shot->height, whole ? "whole" : "cut");
      return whole && x == kLeft && y == kTop ? 0 : 1;
    }
  std::printf("no button in the %dx%d window\n", shot->width, shot->height);
  return 1;
}
