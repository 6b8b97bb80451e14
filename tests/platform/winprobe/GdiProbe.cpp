// Records what a Windows GDI draws, for the pixel tables of GdiFidelityTest. Not part of the
// build: make it with mingw-w64 and run it under Windows or Wine (see make-tables.sh).
//   GdiProbe lines | shapes | pens | ellipses
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Canvas {
  int width, height;
  HDC dc;
  HBITMAP bitmap, old;
  unsigned* bits;
  Canvas(int w, int h) : width(w), height(h)
  {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* p = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<unsigned*>(p);
    old = static_cast<HBITMAP>(SelectObject(dc, bitmap));
  }
  ~Canvas()
  {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  void clear() { std::memset(bits, 0, sizeof(unsigned) * width * height); }
  bool set(int x, int y) const { return (bits[y * width + x] & 0xFFFFFF) != 0; }
  // Every row that holds a drawn pixel: "y:x0-x1,x0-x1" with inclusive runs.
  std::string spans() const
  {
    std::string out;
    for (int y = 0; y < height; ++y) {
      std::string row;
      for (int x = 0; x < width; ++x) {
        if (!set(x, y) || (x > 0 && set(x - 1, y))) continue;
        int end = x;
        while (end + 1 < width && set(end + 1, y))
          ++end;
        row += (row.empty() ? "" : ",") + std::to_string(x - 16) + "-" + std::to_string(end - 16);
      }
      if (!row.empty()) out += " " + std::to_string(y - 16) + ":" + row;
    }
    return out.empty() ? " -" : out;
  }
};

// The pixels of a line drawn with the one-pixel pen: one per step along the major axis, each
// step's minor coordinate moving ("1") or not ("0"); "irregular" when they are not like that.
std::string linePixels(Canvas& c, POINT from, POINT to)
{
  c.clear();
  MoveToEx(c.dc, from.x, from.y, nullptr);
  LineTo(c.dc, to.x, to.y);
  const int dx = to.x - from.x, dy = to.y - from.y;
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const int steps = xMajor ? std::abs(dx) : std::abs(dy);
  const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
  int count = 0;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      count += c.set(x, y);
  if (count != steps) return "irregular";
  std::string moves;
  int minor = xMajor ? from.y : from.x;
  for (int i = 0; i < steps; ++i) {
    int found = -1;
    for (int m = 0; m < 64; ++m) {
      const int x = xMajor ? from.x + sx * i : m, y = xMajor ? m : from.y + sy * i;
      if (c.set(x, y)) found = m;
    }
    if (found < 0 || (i == 0 && found != minor)) return "irregular";
    if (i > 0) moves += found != minor ? '1' : '0';
    minor = found;
  }
  return moves;
}

// The moves as hexadecimal digits, four a digit, the first move the high bit; "." for none.
std::string hex(const std::string& moves)
{
  if (moves == "irregular") return moves;
  std::string out;
  for (std::size_t i = 0; i < moves.size(); i += 4) {
    int digit = 0;
    for (std::size_t j = i; j < i + 4; ++j)
      digit = digit * 2 + (j < moves.size() && moves[j] == '1');
    out += "0123456789abcdef"[digit];
  }
  return out.empty() ? "." : out;
}

// From the centre of a 64x64 bitmap to every border pixel and back: one line per border pixel,
// "x y out back".
void lines()
{
  Canvas c(64, 64);
  SelectObject(c.dc, GetStockObject(WHITE_PEN));
  std::vector<POINT> border;
  for (int x = 0; x < 64; ++x)
    border.push_back({x, 0});
  for (int y = 1; y < 64; ++y)
    border.push_back({63, y});
  for (int x = 62; x >= 0; --x)
    border.push_back({x, 63});
  for (int y = 62; y > 0; --y)
    border.push_back({0, y});
  const POINT centre{32, 32};
  for (const POINT& b : border)
    std::printf("%d %d %s %s\n", int(b.x), int(b.y), hex(linePixels(c, centre, b)).c_str(),
                hex(linePixels(c, b, centre)).c_str());
}

// Rectangle with a white pen and a grey brush, and FillRect with a white brush, on every box
// from (0,0) to (r,b), r and b from -3 to 3: what each draws, as spans about the origin.
void shapes()
{
  Canvas c(32, 32);
  HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  SelectObject(c.dc, GetStockObject(WHITE_PEN));
  SelectObject(c.dc, grey);
  for (int b = -3; b <= 3; ++b)
    for (int r = -3; r <= 3; ++r) {
      c.clear();
      Rectangle(c.dc, 16, 16, 16 + r, 16 + b);
      std::printf("Rectangle %d %d%s\n", r, b, c.spans().c_str());
      c.clear();
      RECT box{16, 16, 16 + r, 16 + b};
      FillRect(c.dc, &box, white);
      std::printf("FillRect %d %d%s\n", r, b, c.spans().c_str());
    }
  DeleteObject(grey);
}

// Solid pens 2 to 8 wide: lines from the origin in several directions, and a rectangle's frame;
// then every slanted direction, from the origin to each border pixel of the box 6 pixels about
// it ("Line") and back from there to the origin ("Back").
void pens()
{
  Canvas c(64, 64);
  const POINT ends[] = {{0, 0}, {12, 0}, {0, 12}, {12, 12}, {12, 5}, {5, 12}, {-12, 7}, {-9, -13}};
  for (int width = 2; width <= 8; ++width) {
    HPEN pen = CreatePen(PS_SOLID, width, RGB(255, 255, 255));
    HGDIOBJ oldPen = SelectObject(c.dc, pen);
    SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    for (const POINT& e : ends) {
      c.clear();
      MoveToEx(c.dc, 16, 16, nullptr);
      LineTo(c.dc, 16 + e.x, 16 + e.y);
      std::printf("Line %d %d %d%s\n", width, int(e.x), int(e.y), c.spans().c_str());
    }
    const RECT boxes[] = {{0, 0, 20, 14}, {0, 0, 5, 4}, {0, 0, 1, 1}};
    for (const RECT& r : boxes) {
      c.clear();
      Rectangle(c.dc, 16 + r.left, 16 + r.top, 16 + r.right, 16 + r.bottom);
      std::printf("Rectangle %d %d %d%s\n", width, int(r.right), int(r.bottom), c.spans().c_str());
    }
    SelectObject(c.dc, oldPen);
    DeleteObject(pen);
  }
  for (int width = 2; width <= 8; ++width) {
    HPEN pen = CreatePen(PS_SOLID, width, RGB(255, 255, 255));
    HGDIOBJ oldPen = SelectObject(c.dc, pen);
    for (int y = -6; y <= 6; ++y)
      for (int x = -6; x <= 6; ++x) {
        if ((std::abs(x) != 6 && std::abs(y) != 6) || x == 0 || y == 0) continue;
        for (const bool back : {false, true}) {
          c.clear();
          MoveToEx(c.dc, back ? 16 + x : 16, back ? 16 + y : 16, nullptr);
          LineTo(c.dc, back ? 16 : 16 + x, back ? 16 : 16 + y);
          std::printf("%s %d %d %d%s\n", back ? "Back" : "Line", width, x, y, c.spans().c_str());
        }
      }
    SelectObject(c.dc, oldPen);
    DeleteObject(pen);
  }
}

// The rows of CreateEllipticRgn(0, 0, w, h), which is symmetric about its middle row and
// column: "w h top n left0 chain [?rows]" with the region's first row and row count, the left
// edge of the first row, and down to the middle row each row's step inwards from the one above
// as that many 1 bits and a 0, in hexadecimal (first bit high, padded with 0). Rows that are not
// one span inside the box mirrored about its middle column (Wine leaves uninitialised rects in
// the rows above the meeting point of tall narrow ones) step 0 and are listed after
// "?" as row numbers from the top. "w h -" for an empty region.
void ellipse(int w, int h)
{
  HRGN region = CreateEllipticRgn(0, 0, w, h);
  const DWORD size = GetRegionData(region, 0, nullptr);
  std::vector<char> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  GetRegionData(region, size, data);
  DeleteObject(region);
  const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
  const int count = static_cast<int>(data->rdh.nCount);
  if (count == 0) {
    std::printf("%d %d -\n", w, h);
    return;
  }
  const int top = rects[0].top, bottom = rects[count - 1].bottom;
  const int n = bottom - top;
  std::vector<int> left(n, INT_MIN);
  const int lo = w > 0 ? -1 : -2, hi = w > 0 ? w : 1;
  for (int i = 0; i < count; ++i) {
    const RECT& r = rects[i];
    for (int y = r.top; y < r.bottom; ++y)
      if (y >= top && y < bottom && r.left >= lo && r.left < r.right && r.right <= hi &&
          r.right == w - 1 - r.left)
        left[y - top] = r.left;
  }
  const int half = (n + 1) / 2;
  int last = INT_MIN;
  for (int y = 0; y < half && last == INT_MIN; ++y)
    last = left[y];
  const int first = last;
  std::string bits, odd;
  for (int y = 0; y < half; ++y) {
    const bool broken = left[y] == INT_MIN || left[y] > last;
    if (broken) odd += (odd.empty() ? " ?" : ",") + std::to_string(y);
    if (y == 0) continue;
    if (!broken) bits += std::string(last - left[y], '1');
    bits += '0';
    if (!broken) last = left[y];
  }
  std::printf("%d %d %d %d %d %s%s\n", w, h, top, n, first == INT_MIN ? 0 : first,
              hex(bits).c_str(), odd.c_str());
}

void ellipses(int from, int to)
{
  for (int w = 0; w <= 64; ++w)
    for (int h = 0; h <= 64; ++h)
      if (w * 65 + h >= from && w * 65 + h < to) ellipse(w, h);
  if (to >= 65 * 65) {
    for (int w = 64; w <= 640; w += 23)
      for (int h = 64; h <= 480; h += 29)
        ellipse(w, h);
    ellipse(640, 480);
    ellipse(400, 400);
  }
}

}  // namespace

int main(int argc, char** argv)
{
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "lines") lines();
  if (what == "shapes") shapes();
  if (what == "pens") pens();
  if (what == "ellipses") ellipses(0, 65 * 65);
  return 0;
}
