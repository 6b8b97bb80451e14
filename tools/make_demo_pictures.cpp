// Draws the demo's pictures into a folder as PNG files for the packer: the two screens
// ("screen1.png", "screen2.png", 640x480), the push buttons' normal and pressed images with
// their labels ("go-normal.png", "go-pressed.png", "back-normal.png", "back-pressed.png",
// 160x48), the ball's frames ("ball-0.png" ... "ball-7.png", 64x64) and the cursors
// ("cursor-1.png", "cursor-4062.png", "cursor-4064.png", "cursor-4065.png", 32x32). Every
// picture but the screens has a palette whose index 0 is transparent.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tools/NFNTWriter.h"
#include "tools/PngFile.h"

namespace {

constexpr int kTransparent = 0;

struct Colour {
  int r, g, b;
};

Colour mix(Colour a, Colour b, double t)
{
  t = std::clamp(t, 0.0, 1.0);
  return {int(std::lround(a.r + (b.r - a.r) * t)), int(std::lround(a.g + (b.g - a.g) * t)),
          int(std::lround(a.b + (b.b - a.b) * t))};
}

// A palette picture that starts all transparent.
class Picture {
 public:
  Picture(int width, int height)
  {
    image_.indexed = true;
    image_.width = width;
    image_.height = height;
    image_.indices.assign(std::size_t(width) * std::size_t(height), kTransparent);
    image_.transparentIndex = kTransparent;
  }

  void setColour(int index, Colour c)
  {
    image_.palette[std::size_t(3 * index)] = std::uint8_t(c.r);
    image_.palette[std::size_t(3 * index + 1)] = std::uint8_t(c.g);
    image_.palette[std::size_t(3 * index + 2)] = std::uint8_t(c.b);
  }
  void set(int x, int y, int index) { image_.set(x, y, index); }
  int at(int x, int y) const { return image_.at(x, y, kTransparent); }
  int width() const { return image_.width; }
  int height() const { return image_.height; }

  // Every opaque pixel next to a transparent one (or the edge) takes the index.
  void outline(int index)
  {
    std::vector<std::pair<int, int>> edge;
    for (int y = 0; y < height(); ++y)
      for (int x = 0; x < width(); ++x)
        if (at(x, y) != kTransparent && (at(x - 1, y) == kTransparent ||
                                         at(x + 1, y) == kTransparent ||
                                         at(x, y - 1) == kTransparent || at(x, y + 1) == kTransparent))
          edge.emplace_back(x, y);
    for (const auto& [x, y] : edge)
      set(x, y, index);
  }

  bool write(const std::string& path) const
  {
    if (pngfile::writeIndexedPng(path, image_)) return true;
    std::fprintf(stderr, "make_demo_pictures: %s cannot be written\n", path.c_str());
    return false;
  }

 private:
  pngfile::Image image_;
};

// An RGB picture.
class Screen {
 public:
  Screen(int width, int height)
      : width_(width), height_(height), rgb_(std::size_t(width) * std::size_t(height) * 3, 0)
  {
  }
  void set(int x, int y, Colour c)
  {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const std::size_t at = (std::size_t(y) * std::size_t(width_) + std::size_t(x)) * 3;
    rgb_[at] = std::uint8_t(c.r);
    rgb_[at + 1] = std::uint8_t(c.g);
    rgb_[at + 2] = std::uint8_t(c.b);
  }
  void disc(int cx, int cy, int radius, Colour c)
  {
    for (int y = cy - radius; y <= cy + radius; ++y)
      for (int x = cx - radius; x <= cx + radius; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) set(x, y, c);
  }
  void box(int left, int top, int right, int bottom, Colour c)
  {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        set(x, y, c);
  }
  bool write(const std::string& path) const
  {
    if (pngfile::writeRgbPng(path, width_, height_, rgb_)) return true;
    std::fprintf(stderr, "make_demo_pictures: %s cannot be written\n", path.c_str());
    return false;
  }

 private:
  int width_, height_;
  pngfile::Bytes rgb_;
};

// Screen 1: a sky over green hills, with a sun.
Screen screenOne()
{
  Screen s(640, 480);
  for (int y = 0; y < 480; ++y) {
    const Colour c = y < 320 ? mix({70, 140, 220}, {200, 230, 255}, y / 320.0)
                             : mix({70, 170, 70}, {30, 100, 30}, (y - 320) / 160.0);
    for (int x = 0; x < 640; ++x)
      s.set(x, y, c);
  }
  s.disc(540, 90, 50, {255, 220, 60});
  s.disc(540, 90, 40, {255, 240, 120});
  // Hills: the upper halves of wide ellipses standing on the horizon.
  const struct {
    int cx, rx, ry;
    Colour c;
  } hills[] = {{120, 220, 90, {90, 180, 80}}, {460, 260, 70, {60, 150, 60}}};
  for (const auto& h : hills)
    for (int y = 320 - h.ry; y < 320; ++y)
      for (int x = h.cx - h.rx; x <= h.cx + h.rx; ++x) {
        const double dx = double(x - h.cx) / h.rx, dy = double(y - 320) / h.ry;
        if (dx * dx + dy * dy <= 1) s.set(x, y, h.c);
      }
  return s;
}

// Screen 2: dusk over water, with a moon and a few stars.
Screen screenTwo()
{
  Screen s(640, 480);
  const auto sky = [](int y) { return mix({30, 20, 80}, {240, 130, 70}, y / 360.0); };
  for (int y = 0; y < 480; ++y) {
    Colour c = y < 360 ? sky(y) : mix({40, 60, 140}, {10, 20, 60}, (y - 360) / 120.0);
    for (int x = 0; x < 640; ++x)
      s.set(x, y, c);
    if (y >= 360 && (y / 6) % 3 == 0)
      for (int x = (y * 37) % 80; x < 640; x += 80)
        s.box(x, y, x + 30, y + 1, {120, 140, 200});
  }
  s.disc(110, 100, 40, {240, 240, 220});
  // The sky takes a bite out of it.
  for (int y = 88 - 34; y <= 88 + 34; ++y)
    for (int x = 128 - 34; x <= 128 + 34; ++x)
      if ((x - 128) * (x - 128) + (y - 88) * (y - 88) <= 34 * 34) s.set(x, y, sky(y));
  for (int i = 0; i < 40; ++i)
    s.set((i * 157 + 31) % 640, (i * 89 + 13) % 200, {255, 255, 255});
  return s;
}

// A push button: a rounded box shaded top to bottom, its label in the pixel font's capitals
// four times their size; pressed, the shading turns over and the label moves down and right.
// Both images have one palette, as the frames of one animation must.
Picture button(const std::string& label, bool pressed)
{
  Picture p(160, 48);
  constexpr int kOutline = 1, kLabel = 2, kShades = 3, kShadeCount = 48;
  p.setColour(kOutline, {20, 30, 60});
  p.setColour(kLabel, {255, 255, 255});
  const Colour light{120, 180, 250}, dark{30, 80, 170};
  for (int i = 0; i < kShadeCount; ++i) {
    p.setColour(kShades + i, mix(light, dark, i / double(kShadeCount - 1)));
    p.setColour(kShades + kShadeCount + i, mix(dark, light, i / double(kShadeCount - 1)));
  }
  const int shades = pressed ? kShades + kShadeCount : kShades;
  constexpr int kRadius = 10;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 160; ++x) {
      const int cx = std::clamp(x, kRadius, 159 - kRadius), cy = std::clamp(y, kRadius, 47 - kRadius);
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= kRadius * kRadius)
        p.set(x, y, shades + y * kShadeCount / 48);
    }
  p.outline(kOutline);
  const nfntwriter::Font font = nfntwriter::scaledFont(nfntwriter::pixelFont(), 4);
  int width = 0;
  for (const char c : label)
    width += font.glyphs[std::size_t(c)].advance;
  int penX = (160 - width) / 2 + (pressed ? 2 : 0);
  const int top = (48 - font.ascent) / 2 + (pressed ? 2 : 0);
  for (const char c : label) {
    const nfntwriter::Glyph& g = font.glyphs[std::size_t(c)];
    for (int row = 0; row < font.ascent; ++row)
      for (int col = 0; col < g.width; ++col)
        if (g.rows[std::size_t(row)][std::size_t(col)]) p.set(penX + g.offset + col, top + row, kLabel);
    penX += g.advance;
  }
  return p;
}

// A beach ball of four colours, lit from the upper left, turned by 22.5 degrees a frame: eight
// frames make half a turn, after which the pattern repeats.
Picture ball(int frame)
{
  Picture p(64, 64);
  constexpr int kOutline = 1, kHighlight = 2, kShades = 3, kLevels = 32;
  p.setColour(kOutline, {30, 30, 30});
  p.setColour(kHighlight, {255, 255, 255});
  const Colour colours[4] = {{220, 40, 40}, {250, 210, 40}, {40, 170, 70}, {40, 90, 220}};
  for (int c = 0; c < 4; ++c)
    for (int l = 0; l < kLevels; ++l)
      p.setColour(kShades + c * kLevels + l, mix({0, 0, 0}, colours[c], 0.3 + 0.7 * l / (kLevels - 1)));
  const double light[3] = {-0.45, -0.55, 0.70};
  constexpr double kRadius = 29.5;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const double nx = (x + 0.5 - 32) / kRadius, ny = (y + 0.5 - 32) / kRadius;
      const double rr = nx * nx + ny * ny;
      if (rr > 1) continue;
      const double nz = std::sqrt(1 - rr);
      const double lit = std::max(0.0, nx * light[0] + ny * light[1] + nz * light[2]);
      double angle = std::atan2(ny, nx) * 180 / M_PI + 360 + frame * 22.5;
      const int sector = int(angle / 45) % 4;
      if (lit > 0.97) {
        p.set(x, y, kHighlight);
      } else {
        p.set(x, y, kShades + sector * kLevels + std::min(kLevels - 1, int(lit * kLevels)));
      }
    }
  p.outline(kOutline);
  return p;
}

// Whether a pixel's centre lies inside a polygon (even-odd rule).
bool inside(const std::vector<std::pair<double, double>>& polygon, int x, int y)
{
  const double px = x + 0.5, py = y + 0.5;
  bool in = false;
  for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const auto [xi, yi] = polygon[i];
    const auto [xj, yj] = polygon[j];
    if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) in = !in;
  }
  return in;
}

// A cursor: the shapes filled, outlined in black; the hot spot's pixel always drawn.
Picture cursor(const std::vector<std::vector<std::pair<double, double>>>& shapes, Colour fill,
               int hotX, int hotY)
{
  Picture p(32, 32);
  p.setColour(1, {0, 0, 0});
  p.setColour(2, fill);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      for (const auto& shape : shapes)
        if (inside(shape, x, y)) p.set(x, y, 2);
  p.outline(1);
  p.set(hotX, hotY, 1);
  return p;
}

std::vector<std::pair<double, double>> arrowAt(double x, double y)
{
  const std::vector<std::pair<double, double>> arrow = {
      {0, 0}, {0, 17}, {4.5, 13}, {7.5, 19.5}, {10.5, 18.5}, {7.5, 12}, {12.5, 12}};
  std::vector<std::pair<double, double>> moved;
  for (const auto& [px, py] : arrow)
    moved.emplace_back(px + x, py + y);
  return moved;
}

std::vector<std::pair<double, double>> rectangle(double left, double top, double right,
                                                 double bottom)
{
  return {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_pictures <folder>\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  bool written = screenOne().write(folder + "screen1.png") &&
                 screenTwo().write(folder + "screen2.png");
  for (const auto& [name, label] : {std::pair{"go", "GO"}, std::pair{"back", "BACK"}})
    written = written && button(label, false).write(folder + name + "-normal.png") &&
              button(label, true).write(folder + name + "-pressed.png");
  for (int frame = 0; frame < 8; ++frame)
    written = written && ball(frame).write(folder + "ball-" + std::to_string(frame) + ".png");
  // The pointer; the same pointer in yellow for what can be clicked; a pointing finger; a
  // closed hand.
  const Colour white{255, 255, 255}, yellow{255, 230, 60}, skin{250, 210, 170};
  written = written && cursor({arrowAt(0, 0)}, white, 0, 0).write(folder + "cursor-1.png") &&
            cursor({arrowAt(1, 1)}, yellow, 1, 1).write(folder + "cursor-4062.png") &&
            cursor({rectangle(5, 4, 10, 16), rectangle(3, 13, 17, 26)}, skin, 7, 5)
                .write(folder + "cursor-4064.png") &&
            cursor({rectangle(2, 8, 15, 22), rectangle(3, 6, 14, 10)}, skin, 7, 11)
                .write(folder + "cursor-4065.png");
  return written ? 0 : 1;
}
