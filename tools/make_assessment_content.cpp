// Draws the assessment demo's pictures into a folder for the packer. Everything shares one
// palette (the program shows 8-bit pictures with the palette of the screen it set): a 6x6x6
// colour cube from index 10, so palette index 220 (the problem sign) is yellow and 89 (the
// sign-in rows) a dark red; index 0 is transparent in every animation.
// Screens: "splash.png", "signin.png", "ride.png", "confirm.png" (640x480). Animations: one
// "ID.aseq" per resource id (the race's and the ride's parts, buttons, problems, answers).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/AnimationWriter.h"
#include "tools/NFNTWriter.h"
#include "tools/PngFile.h"

namespace {

constexpr int kTransparent = 0;

int level(int v)
{
  return std::clamp((v + 25) / 51, 0, 5);
}

// The cube entry nearest to a colour.
int colour(int r, int g, int b)
{
  return 10 + 36 * level(r) + 6 * level(g) + level(b);
}

const int black = colour(0, 0, 0), white = colour(255, 255, 255), yellow = colour(255, 255, 0),
          red = colour(204, 0, 0), grey = colour(153, 153, 153), darkGrey = colour(51, 51, 51),
          blue = colour(0, 102, 204), green = colour(0, 153, 0), orange = colour(255, 153, 0);

std::array<std::uint8_t, 768> palette()
{
  std::array<std::uint8_t, 768> p{};
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        const std::size_t at = std::size_t(3 * (10 + 36 * r + 6 * g + b));
        p[at] = std::uint8_t(51 * r);
        p[at + 1] = std::uint8_t(51 * g);
        p[at + 2] = std::uint8_t(51 * b);
      }
  for (int i = 226; i < 246; ++i)
    for (int c = 0; c < 3; ++c)
      p[std::size_t(3 * i + c)] = std::uint8_t((i - 225) * 12);
  return p;
}

// A palette picture that starts filled with one index.
class Picture {
 public:
  Picture(int width, int height, int fill = kTransparent)
  {
    image_.indexed = true;
    image_.width = width;
    image_.height = height;
    image_.indices.assign(std::size_t(width) * std::size_t(height), std::uint8_t(fill));
    image_.palette = palette();
    image_.transparentIndex = fill == kTransparent ? kTransparent : -1;
  }

  int width() const { return image_.width; }
  int height() const { return image_.height; }
  void set(int x, int y, int index) { image_.set(x, y, index); }
  int at(int x, int y) const { return image_.at(x, y, kTransparent); }
  void box(int left, int top, int right, int bottom, int index)
  {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        set(x, y, index);
  }
  void disc(int cx, int cy, int radius, int index)
  {
    for (int y = cy - radius; y <= cy + radius; ++y)
      for (int x = cx - radius; x <= cx + radius; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) set(x, y, index);
  }
  // Every opaque pixel next to a transparent one (or the edge) takes the index.
  void outline(int index)
  {
    std::vector<std::pair<int, int>> edge;
    for (int y = 0; y < height(); ++y)
      for (int x = 0; x < width(); ++x)
        if (at(x, y) != kTransparent &&
            (at(x - 1, y) == kTransparent || at(x + 1, y) == kTransparent ||
             at(x, y - 1) == kTransparent || at(x, y + 1) == kTransparent))
          edge.emplace_back(x, y);
    for (const auto& [x, y] : edge)
      set(x, y, index);
  }
  // Text in the pixel font's capitals, each font pixel a block of `scale` pixels.
  void text(const std::string& words, int x, int y, int scale, int index)
  {
    static const nfntwriter::Font font = nfntwriter::caselessFont(nfntwriter::pixelFont());
    for (const char c : words) {
      const nfntwriter::Glyph& g = font.glyphs[std::size_t(c) & 127];
      for (std::size_t row = 0; row < g.rows.size(); ++row)
        for (std::size_t col = 0; col < g.rows[row].size(); ++col)
          if (g.rows[row][col])
            box(x + (g.offset + int(col)) * scale, y + int(row) * scale,
                x + (g.offset + int(col) + 1) * scale, y + (int(row) + 1) * scale, index);
      x += g.advance * scale;
    }
  }
  static int textWidth(const std::string& words, int scale)
  {
    static const nfntwriter::Font font = nfntwriter::caselessFont(nfntwriter::pixelFont());
    int width = 0;
    for (const char c : words)
      width += font.glyphs[std::size_t(c) & 127].advance * scale;
    return width;
  }
  void centredText(const std::string& words, int cy, int scale, int index)
  {
    text(words, (width() - textWidth(words, scale)) / 2, cy - 5 * scale / 2, scale, index);
  }
  AnimationWriter::Image pixels() const
  {
    return AnimationWriter::Image::fromPixels(width(), height(), image_.indices, kTransparent);
  }
  bool write(const std::string& path) const { return pngfile::writeIndexedPng(path, image_); }

 private:
  pngfile::Image image_;
};

struct Placement {
  int x = 0, y = 0, z = 0;
};

class Output {
 public:
  explicit Output(std::string folder) : folder_(std::move(folder)) {}

  void screen(const std::string& name, const Picture& picture)
  {
    if (!picture.write(folder_ + name + ".png")) fail(name + ".png");
  }
  // An animation of the frames (one image each, in order) at 8 frames a second, placed where
  // the program shows it when it is given no place: "once" stops at the end, "loop" plays
  // round, "hold" holds each frame (a push button's images).
  void animation(int id, const std::vector<Picture>& frames, const char* ending = "once",
                 Placement at = {}, const std::string& name = "")
  {
    AnimationWriter writer = placedWriter(at);
    AnimationWriter::Sequence sequence;
    for (const Picture& frame : frames) {
      sequence.entries.push_back({0, 0, std::int16_t(writer.addImage(frame.pixels())), 0});
      if (std::string(ending) == "hold")
        sequence.entries.push_back({0, 0, AnimationWriter::hold, 0});
    }
    if (std::string(ending) == "loop") sequence.entries.push_back({0, 0, AnimationWriter::loop, 0});
    writer.addSequence(sequence);
    save(name.empty() ? std::to_string(id) : name, writer);
  }
  bool ok() const { return ok_; }

 private:
  static AnimationWriter placedWriter(Placement at)
  {
    AnimationWriter writer;
    writer.setFrameRate(8);
    writer.setPlacement(at.x, at.y, at.z);
    return writer;
  }
  void save(const std::string& name, AnimationWriter& writer)
  {
    std::vector<std::uint8_t> bytes;
    if (!writer.build(bytes)) return fail(name + ": " + writer.error());
    std::ofstream out(folder_ + name + ".aseq", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) fail(name + ".aseq");
  }
  void fail(const std::string& what)
  {
    std::fprintf(stderr, "make_assessment_content: %s cannot be written\n", what.c_str());
    ok_ = false;
  }
  std::string folder_;
  bool ok_ = true;
};

// ---- Screens ----

Picture splash()
{
  Picture p(640, 480, black);
  for (int y = 0; y < 480; ++y)
    p.box(0, y, 640, y + 1, y < 300 ? colour(0, 51 * (1 + y / 75), 204) : colour(0, 102, 0));
  // The road into the distance.
  for (int y = 300; y < 480; ++y) {
    const int half = 10 + (y - 300) * 2;
    p.box(320 - half, y, 320 + half, y + 1, darkGrey);
    if ((y / 12) % 2 == 0) p.box(318, y, 322, y + 1, white);
  }
  p.centredText("MATH RACER", 120, 10, yellow);
  p.centredText("A SHORT RACE, THEN A RIDE", 200, 3, white);
  return p;
}

Picture signInScreen()
{
  Picture p(640, 480, colour(51, 0, 102));
  p.centredText("WHO IS PLAYING?", 80, 6, yellow);
  // A frame around the list (200, 160) - (440, 305).
  p.box(192, 152, 448, 313, white);
  p.box(196, 156, 444, 309, colour(0, 0, 51));
  p.centredText("TYPE YOUR NAME AND PRESS ENTER", 360, 3, white);
  return p;
}

Picture rideScreen()
{
  Picture p(640, 480, colour(0, 51, 102));
  p.box(0, 272, 640, 480, colour(51, 102, 51));
  // The problem's frame on the left, the answer's on the right (the hot spots' rectangles).
  p.box(20, 300, 140, 420, colour(102, 102, 153));
  p.box(360, 300, 460, 400, colour(102, 153, 102));
  return p;
}

Picture confirmScreen()
{
  Picture p(640, 480, colour(0, 51, 51));
  p.centredText("WELL DONE!", 60, 8, yellow);
  for (int level = 1; level <= 3; ++level)
    p.text(std::to_string(level), 200 + 120 * (level - 1) + 20, 150, 5, white);
  p.text("COUNTING", 30, 210, 3, white);
  p.text("SHAPES", 40, 290, 3, white);
  for (int row = 0; row < 2; ++row)
    p.box(180, 200 + 80 * row + 50, 560, 200 + 80 * row + 52, grey);
  return p;
}

// ---- Small parts ----

// A push button's two images: raised and pressed.
std::vector<Picture> button(const std::string& label, int face)
{
  std::vector<Picture> frames;
  for (int pressed = 0; pressed < 2; ++pressed) {
    Picture p(160, 48);
    p.box(0, 0, 160, 48, pressed ? darkGrey : face);
    p.box(4, 4, 156, 44, pressed ? face : colour(255, 255, 153));
    p.text(label, (160 - Picture::textWidth(label, 4)) / 2 + 2 * pressed, 14 + 2 * pressed, 4,
           black);
    p.outline(black);
    frames.push_back(p);
  }
  return frames;
}

Picture one(int width, int height, int index)
{
  Picture p(width, height);
  p.box(0, 0, width, height, index);
  p.outline(black);
  return p;
}

// The horn: idle, lit, pressed, pressed while lit.
std::vector<Picture> horn()
{
  std::vector<Picture> frames;
  const int faces[] = {grey, yellow, darkGrey, orange};
  for (int i = 0; i < 4; ++i) {
    Picture p(120, 80);
    p.disc(40, 40, 36, faces[i]);
    p.box(40, 24, 116, 56, faces[i]);
    p.text("HONK", 28, 32, 3, i == 2 ? white : black);
    p.outline(black);
    frames.push_back(p);
  }
  return frames;
}

// The horn going quiet: it darkens and sinks, frame by frame.
std::vector<Picture> stalledHorn()
{
  std::vector<Picture> frames;
  for (int f = 1; f <= 13; ++f) {
    Picture p(120, 80);
    p.disc(40, 40 + f, 36 - f, colour(204 - 12 * f, 51, 51));
    p.outline(black);
    frames.push_back(p);
  }
  return frames;
}

// The fuel gauge: frame n shows 6 - n units.
std::vector<Picture> fuelGauge()
{
  std::vector<Picture> frames;
  for (int f = 1; f <= 6; ++f) {
    Picture p(40, 120, darkGrey);
    for (int unit = 0; unit < 6 - f; ++unit)
      p.box(6, 96 - 22 * unit, 34, 114 - 22 * unit, unit == 0 ? red : green);
    frames.push_back(p);
  }
  return frames;
}

Picture star(int size, int index)
{
  Picture p(size, size);
  const double c = (size - 1) / 2.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double dx = x - c, dy = y - c, r = std::hypot(dx, dy);
      const double angle = std::atan2(dy, dx) * 5;
      if (r <= c * (0.55 + 0.45 * std::cos(angle))) p.set(x, y, index);
    }
  p.outline(black);
  return p;
}

// Dice faces of 1 to 10 dots in a box of that size.
Picture dots(int count, int size, int index)
{
  Picture p(size, size, kTransparent);
  p.box(0, 0, size, size, white);
  const int columns = count > 6 ? 4 : 3, rows = (count + columns - 1) / columns;
  const int step = size / (columns + 1), radius = std::max(2, step / 3);
  for (int i = 0; i < count; ++i)
    p.disc(step * (1 + i % columns), size * (1 + i / columns) / (rows + 1), radius, index);
  p.outline(black);
  return p;
}

// The counting strip: row n is frame n; rows 1 to 5 small pictures counted on the sign, rows 6
// to 12 single pictures with their counts (5, 6, 4, 4, 3, 4, 4) drawn in.
std::vector<Picture> countingStrip()
{
  std::vector<Picture> frames = {one(4, 4, black)};
  frames.push_back(star(26, yellow));
  Picture apple(26, 26);
  apple.disc(13, 14, 11, red);
  apple.box(12, 0, 14, 5, green);
  apple.outline(black);
  frames.push_back(apple);
  Picture ball(26, 26);
  ball.disc(13, 13, 12, blue);
  ball.outline(black);
  frames.push_back(ball);
  frames.push_back(one(24, 24, green));
  Picture tri(26, 26);
  for (int y = 0; y < 26; ++y)
    tri.box(13 - y / 2, y, 13 + y / 2 + 1, y + 1, orange);
  tri.outline(black);
  frames.push_back(tri);
  for (const int count : {5, 6, 4, 4, 3, 4, 4})
    frames.push_back(dots(count, 100, red));
  return frames;
}

// A shape or digit picture for the ride's problems and answers.
Picture shape(int kind, int size)
{
  Picture p(size, size);
  const int inks[] = {
      red, blue, green, orange, colour(153, 0, 153), yellow, white, colour(0, 204, 204)};
  const int ink = inks[kind % 8];
  const int h = size / 2;
  switch (kind % 4) {
    case 0:
      p.disc(h, h, h - 4, ink);
      break;
    case 1:
      p.box(6, 6, size - 6, size - 6, ink);
      break;
    case 2:
      for (int y = 4; y < size - 4; ++y)
        p.box(h - (y - 4) / 2, y, h + (y - 4) / 2 + 1, y + 1, ink);
      break;
    default:
      for (int y = 4; y < size - 4; ++y) {
        const int w = h - 4 - std::abs(y - h);
        p.box(h - w, y, h + w + 1, y + 1, ink);
      }
  }
  p.outline(black);
  return p;
}

Picture digitPicture(int n, int size, int ink)
{
  Picture p(size, size);
  p.box(0, 0, size, size, white);
  const std::string digits = std::to_string(n);
  const int scale = size / 8;
  p.text(digits, (size - Picture::textWidth(digits, scale)) / 2, (size - 5 * scale) / 2, scale,
         ink);
  p.outline(black);
  return p;
}

// ---- The race ----

// The road of the race, 16 frames: the stripes move towards the viewer.
std::vector<Picture> raceRoad()
{
  std::vector<Picture> frames;
  constexpr int horizon = 70;
  for (int f = 0; f < 16; ++f) {
    Picture p(570, 272, colour(102, 204, 255));
    for (int y = horizon; y < 272; ++y) {
      const int d = y - horizon;
      const double depth = 2000.0 / (d + 8);
      const bool band = int(depth + f * 2) % 8 < 4;
      p.box(0, y, 570, y + 1, band ? colour(0, 153, 0) : colour(0, 102, 0));
      const int half = 8 + d * 11 / 8;
      p.box(305 - half, y, 305 + half, y + 1, darkGrey);
      p.box(305 - half - 2 - d / 30, y, 305 - half, y + 1, band ? red : white);
      p.box(305 + half, y, 305 + half + 2 + d / 30, y + 1, band ? red : white);
      if (band) p.box(304 - d / 40, y, 306 + d / 40, y + 1, white);
    }
    p.disc(480, 30, 18, yellow);
    // The race draws the road at the stage's corner; the scene starts 40 pixels in.
    p.box(0, 0, 40, 272, kTransparent);
    frames.push_back(p);
  }
  return frames;
}

// The dark rounded corners of the scene, each as large as the race leaves it: the scene
// ends at (570, 272).
Picture corner(int which)
{
  const int width = which == 1 ? 61 : 68, height = which == 3 ? 69 : 71;
  Picture p(width, height);
  const int cx = which % 2 ? 0 : width - 1, cy = which < 2 ? height - 1 : 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > width * width) p.set(x, y, black);
  return p;
}

// A post that comes from the horizon up to the road's edge, frame by frame, drawn where it
// stands in the scene.
std::vector<Picture> signPost(int frames, int ink)
{
  std::vector<Picture> out;
  for (int f = 1; f <= frames; ++f) {
    Picture p(570, 272);
    const int y = 70 + f * 190 / frames, h = 4 + f * 60 / frames;
    const int x = 310 + (y - 70) * 11 / 8 + 20;
    p.box(x, y - h, x + std::max(2, h / 10), y, grey);
    p.box(x - h / 3, y - h, x + h / 3, y - h + h / 3, ink);
    out.push_back(p);
  }
  return out;
}

// The chequered flag of the finish, waving.
std::vector<Picture> finishFlag()
{
  std::vector<Picture> frames;
  for (int f = 0; f < 14; ++f) {
    Picture p(80, 50);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 70; ++x) {
        const int wave = int(4 * std::sin((x + 6 * f) / 9.0));
        p.set(x + 6, y + 5 + wave, ((x / 10 + y / 10) % 2) ? white : black);
      }
    p.box(0, 0, 5, 50, grey);
    frames.push_back(p);
  }
  return frames;
}

std::vector<Picture> debris()
{
  std::vector<Picture> frames;
  for (int f = 0; f < 6; ++f) {
    Picture p(14, 14);
    for (int y = 0; y < 14; ++y)
      p.box(f % 3 * 2, y, 14 - (y * (f + 1)) % 7, y + 1, f % 2 ? yellow : orange);
    p.outline(black);
    frames.push_back(p);
  }
  return frames;
}

// A letter, digit or sign of the answer signs, growing over 23 frames.
std::vector<Picture> signGlyph(char c)
{
  static const nfntwriter::Font font = nfntwriter::caselessFont(nfntwriter::pixelFont());
  const nfntwriter::Glyph& g = font.glyphs[std::size_t(c) & 127];
  std::vector<Picture> frames;
  for (int f = 1; f <= 23; ++f) {
    const int h = 6 + 3 * f, w = std::max(3, h * 3 / 5);
    Picture p(w + 2, h + 2);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::size_t row = std::size_t(y * 5 / h), col = std::size_t(x * 3 / w);
        if (g.present && row < g.rows.size() && col < g.rows[row].size() && g.rows[row][col])
          p.set(x + 1, y + 1, white);
      }
    p.outline(black);
    frames.push_back(p);
  }
  return frames;
}

void drawRace(Output& out)
{
  out.animation(13400, raceRoad());
  // The ride shows the horn and the corners where the race does.
  out.animation(13100, horn(), "once", {161, 346, 150});
  const Placement corners[] = {{40, 0, 20}, {509, 0, 20}, {40, 201, 20}, {502, 203, 20}};
  for (int i = 0; i < 4; ++i)
    out.animation(13101 + i, {corner(i)}, "once", corners[i]);
  out.animation(13137, fuelGauge());
  out.animation(13257, stalledHorn());
  out.animation(13288, {star(32, yellow)});
  out.animation(13315, countingStrip());
  out.animation(13142, signPost(32, blue));
  out.animation(13228, signPost(32, green));
  out.animation(13350, signPost(18, white));
  out.animation(13143, debris());
  out.animation(13141, finishFlag());
  for (char c = 'a'; c <= 'z'; ++c)
    out.animation(6580 + (c - 'a'), signGlyph(c));
  for (char c = '0'; c <= '9'; ++c)
    out.animation(6550 + (c - '0'), signGlyph(c));
  out.animation(6704, signGlyph('+'));
  out.animation(6707, signGlyph('?'));
}

// ---- The ride and the confirmation ----

// The ride's scenery, 16 frames: hills passing by.
std::vector<Picture> rideScenery()
{
  std::vector<Picture> frames;
  for (int f = 0; f < 16; ++f) {
    Picture p(570, 272, colour(153, 204, 255));
    for (int x = 0; x < 570; ++x) {
      const int top = 150 + int(30 * std::sin((x + f * 8) / 40.0));
      p.box(x, top, x + 1, 272, colour(51, 153, 51));
      if ((x + f * 16) % 64 < 6) p.box(x, 200, x + 1, 272, colour(102, 51, 0));
    }
    frames.push_back(p);
  }
  return frames;
}

// A small train car, bobbing; shift moves it along for the arrival and leaving.
std::vector<Picture> vehicle(int frames, int from, int to, int ink)
{
  std::vector<Picture> out;
  for (int f = 0; f < frames; ++f) {
    Picture p(570, 272);
    const int x = from + (to - from) * f / std::max(1, frames - 1), bob = f % 2;
    p.box(x, 190 + bob, x + 120, 240 + bob, ink);
    p.box(x + 10, 160 + bob, x + 50, 190 + bob, colour(255, 204, 153));
    p.disc(x + 25, 245, 10, black);
    p.disc(x + 95, 245, 10, black);
    out.push_back(p);
  }
  return out;
}

std::vector<Picture> sparkle(int size)
{
  std::vector<Picture> frames;
  for (int f = 0; f < 4; ++f)
    frames.push_back(star(size - 4 * f, f % 2 ? white : yellow));
  return frames;
}

// The help character: a round face.
Picture face()
{
  Picture p(100, 120);
  p.disc(50, 50, 44, colour(255, 204, 153));
  p.disc(34, 38, 6, black);
  p.disc(66, 38, 6, black);
  p.box(36, 70, 64, 74, red);
  p.box(30, 96, 70, 120, blue);
  p.outline(black);
  return p;
}

// The ride's parts, each placed where the ride shows it.
void drawRide(Output& out)
{
  out.animation(13400, rideScenery(), "once", {40, 0, 10}, "ride-13400");
  const Placement vehicleAt{40, 0, 120};
  out.animation(2001, vehicle(8, -120, 200, red), "once", vehicleAt);
  out.animation(2002, vehicle(4, 200, 200, red), "loop", vehicleAt);
  out.animation(2003, vehicle(8, 200, 530, red), "once", vehicleAt);
  out.animation(2004, button("EXIT", red), "hold", {470, 380, 150});
  Picture leave(360, 180, colour(255, 255, 204));
  leave.centredText("LEAVE THE RIDE?", 50, 3, black);
  out.animation(2005, {leave}, "once", {140, 150, 220});
  out.animation(2006, button("YES", green), "hold", {160, 260, 221});
  out.animation(2007, button("NO", red), "hold", {320, 260, 221});
  out.animation(2008, finishFlag(), "once", {280, 100, 130});
  out.animation(2009, sparkle(64), "loop", {560, 20, 30});
  out.animation(2010, {star(48, yellow), star(56, orange), star(64, yellow)}, "once",
                {378, 308, 145});
  out.animation(2011, button("KEEP", green), "hold", {140, 370, 40});
  out.animation(2012, button("DELETE", red), "hold", {340, 370, 40});
  out.animation(2013, {star(40, colour(255, 204, 0))}, "once", {0, 0, 50});
  Picture bye(400, 120, colour(204, 255, 204));
  bye.centredText("SEE YOU SOON!", 60, 4, black);
  out.animation(2014, {bye}, "once", {120, 180, 100});
  out.animation(2020, {face()}, "once", {200, 300, 200});
  // Eight problems (1100 + k) and four answers each (1200 + 4k + a, the right one first): dots
  // and their number for the counting area, a shape and its twin for the shapes area.
  for (int k = 0; k < 8; ++k) {
    const bool shapes = k % 2;
    out.animation(1100 + k, {shapes ? shape(k, 100) : dots(k / 2 + 2, 100, blue)}, "once",
                  {30, 310, 100});
    for (int a = 0; a < 4; ++a)
      out.animation(1200 + 4 * k + a,
                    {shapes ? shape(k + a, 80) : digitPicture(k / 2 + 2 + a, 80, blue)}, "once",
                    {370, 310, 140});
  }
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_assessment_content <folder>\n");
    return 2;
  }
  Output out(std::string(argv[1]) + "/");
  out.screen("splash", splash());
  out.screen("signin", signInScreen());
  out.screen("ride", rideScreen());
  out.screen("confirm", confirmScreen());
  out.animation(1000, button("START", blue), "hold");
  drawRace(out);
  drawRide(out);
  return out.ok() ? 0 : 1;
}
