#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/host/headless/HeadlessHost.h"
#include "platform/src/gdi/FontCatalog.h"
#include "tests/platform/GdiTestCanvas.h"
#include "tests/support/TempFolder.h"

// Fonts on FreeType: metrics as Windows reports them for the faces content asks for, text
// drawn in the text colour at the baseline the alignment gives, and fonts added at run time.
namespace {

using omtest::GdiTestCanvas;

struct Metrics {
  TEXTMETRICA tm{};
  SIZE extent{};
};

Metrics metricsOf(HFONT font, const char* text)
{
  Metrics result;
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font);
  GetTextMetricsA(screen, &result.tm);
  GetTextExtentPointA(screen, text, static_cast<int>(std::strlen(text)), &result.extent);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return result;
}

// The bounding box of the pixels that differ from the background.
RECT inkBox(const GdiTestCanvas& canvas, COLORREF background, int& inkPixels, COLORREF& strayColor)
{
  RECT box{canvas.width(), canvas.height(), -1, -1};
  inkPixels = 0;
  strayColor = background;
  const std::vector<COLORREF> pixels = canvas.pixels();
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const COLORREF c = pixels[y * canvas.width() + x];
      if (c == background) continue;
      ++inkPixels;
      strayColor = c;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  return box;
}

}  // namespace

// The screen these tests reach is the headless host's, never a real window.
class GdiTextTest : public ::testing::Test {
 protected:
  void SetUp() override { omhost::startHeadlessSession(); }
};

HFONT makeFont(int height, const char* face, int weight = 0, bool underline = false)
{
  return CreateFontA(height, 0, 0, 0, weight, 0, underline ? 1 : 0, 0, 1, 0, 0, 0, 0, face);
}

TEST_F(GdiTextTest, MetricsOfArialTwelveAndTheSystemFont)
{
  HFONT arial = makeFont(-12, "Arial");
  const Metrics a = metricsOf(arial, "Hello, World");
  EXPECT_EQ(a.tm.tmHeight, 14);
  EXPECT_EQ(a.tm.tmAscent, 11);
  EXPECT_EQ(a.tm.tmDescent, 3);
  EXPECT_EQ(a.tm.tmInternalLeading, 2);  // the character height is the 12 asked for
  EXPECT_EQ(a.tm.tmExternalLeading, 0);
  EXPECT_EQ(a.extent.cy, 14);
  // Arial's hinted widths at 12 pixels give 67 for this text; the stand-in face is within a
  // pixel or two, whatever version of it is installed.
  EXPECT_NEAR(a.extent.cx, 67, 2);
  DeleteObject(arial);
  // The system font: a 16-pixel cell, as the Windows system font has.
  const Metrics s = metricsOf(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)), "Hello, World");
  EXPECT_EQ(s.tm.tmHeight, 16);
  EXPECT_EQ(s.tm.tmAscent, 13);
  EXPECT_EQ(s.tm.tmDescent, 3);
  EXPECT_EQ(s.tm.tmExternalLeading, 0);
  EXPECT_EQ(s.tm.tmWeight, FW_BOLD);
  EXPECT_GT(s.extent.cx, a.extent.cx);
}

TEST_F(GdiTextTest, MsSansSerifComesInTheSizesOfItsBitmapFamily)
{
  // 8 points at 96 dots an inch (-11) is the 13-pixel cell; -12 still fits only that one;
  // 10 points (-13) is the 16-pixel cell.
  const int cells[][2] = {{-11, 13}, {-12, 13}, {-13, 16}, {13, 13}, {16, 16}, {-8, 13}};
  for (const auto& [height, cell] : cells) {
    HFONT font = makeFont(height, "MS Sans Serif");
    const Metrics m = metricsOf(font, "x");
    EXPECT_EQ(m.tm.tmHeight, cell) << height;
    DeleteObject(font);
  }
  HFONT eight = makeFont(-11, "MS Sans Serif");
  const Metrics m = metricsOf(eight, "x");
  EXPECT_EQ(m.tm.tmAscent, 11);
  EXPECT_EQ(m.tm.tmDescent, 2);
  DeleteObject(eight);
}

TEST_F(GdiTextTest, HeightIsCellHeightWhenPositiveAndCharacterHeightWhenNegative)
{
  for (const char* face : {"Arial", "Times New Roman", "Courier New"}) {
    for (int size : {10, 20, 33}) {
      HFONT cell = makeFont(size, face);
      HFONT character = makeFont(-size, face);
      const Metrics c = metricsOf(cell, "x");
      const Metrics h = metricsOf(character, "x");
      EXPECT_NEAR(c.tm.tmHeight, size, 1) << face << " " << size;
      EXPECT_EQ(h.tm.tmHeight - h.tm.tmInternalLeading, size) << face << " " << size;
      EXPECT_EQ(h.tm.tmHeight, h.tm.tmAscent + h.tm.tmDescent);
      EXPECT_GT(h.tm.tmHeight, c.tm.tmHeight);
      DeleteObject(cell);
      DeleteObject(character);
    }
  }
}

TEST_F(GdiTextTest, WidthsAddUpAndMonospaceIsMonospace)
{
  HDC screen = GetDC(nullptr);
  HFONT courier = makeFont(-16, "Courier New");
  HGDIOBJ old = SelectObject(screen, courier);
  INT widths[95];
  ASSERT_TRUE(GetCharWidthA(screen, 32, 126, widths));
  for (int w : widths)
    EXPECT_EQ(w, widths[0]);
  SIZE extent{};
  GetTextExtentPoint32A(screen, "monospace", 9, &extent);
  EXPECT_EQ(extent.cx, 9 * widths[0]);
  HFONT times = makeFont(-20, "Times New Roman", FW_BOLD);
  SelectObject(screen, times);
  ABC abc[26];
  INT advances[26];
  ASSERT_TRUE(GetCharABCWidthsA(screen, 'a', 'z', abc));
  ASSERT_TRUE(GetCharWidthA(screen, 'a', 'z', advances));
  int sum = 0;
  for (int i = 0; i < 26; ++i) {
    EXPECT_EQ(abc[i].abcA + static_cast<int>(abc[i].abcB) + abc[i].abcC, advances[i]);
    sum += advances[i];
  }
  GetTextExtentPoint32A(screen, "abcdefghijklmnopqrstuvwxyz", 26, &extent);
  EXPECT_EQ(extent.cx, sum);
  EXPECT_FALSE(GetCharWidthA(screen, 'z', 'a', advances));
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  DeleteObject(courier);
  DeleteObject(times);
}

TEST_F(GdiTextTest, TextIsDrawnInTheTextColourInsideItsCell)
{
  struct Case {
    const char* face;
    int height;
    int weight;
    int depth;
  };
  const Case cases[] = {{"Arial", -12, 0, 16},
                        {"Times New Roman", -24, FW_BOLD, 24},
                        {"Courier New", -18, 0, 8},
                        {nullptr, 0, 0, 16}};
  const std::vector<RGBQUAD> table = {{255, 255, 255, 0}, {0, 0, 0, 0}, {0, 0, 200, 0}};
  for (const Case& c : cases) {
    GdiTestCanvas canvas(200, 50, c.depth, true, c.depth == 8 ? table : std::vector<RGBQUAD>{});
    const COLORREF background = RGB(255, 255, 255);
    const COLORREF ink = RGB(200, 0, 0);
    canvas.fill(background);
    HFONT font = c.face ? makeFont(c.height, c.face, c.weight)
                        : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    HGDIOBJ old = SelectObject(canvas.dc(), font);
    TEXTMETRICA tm{};
    GetTextMetricsA(canvas.dc(), &tm);
    SIZE extent{};
    GetTextExtentPoint32A(canvas.dc(), "Quick Fox", 9, &extent);
    SetTextColor(canvas.dc(), ink);
    SetBkMode(canvas.dc(), TRANSPARENT);
    ASSERT_TRUE(TextOutA(canvas.dc(), 10, 5, "Quick Fox", 9));
    int inkPixels = 0;
    COLORREF stray = 0;
    const RECT box = inkBox(canvas, background, inkPixels, stray);
    const std::string name = c.face ? c.face : "System";
    // No antialiasing: every pixel is background or ink.
    EXPECT_EQ(stray, GetNearestColor(canvas.dc(), ink)) << name;
    EXPECT_GT(inkPixels, 9 * tm.tmHeight / 3) << name;
    EXPECT_GE(box.left, 10) << name;
    EXPECT_GE(box.top, 5) << name;
    EXPECT_LE(box.right, 10 + extent.cx + 1) << name;
    EXPECT_GT(box.right, 10 + extent.cx * 3 / 4) << name;
    EXPECT_LE(box.bottom, 5 + tm.tmHeight) << name;
    // "Q" reaches below the baseline.
    EXPECT_GT(box.bottom, 5 + tm.tmAscent) << name;
    // Opaque mode fills the text's cell with the background colour.
    canvas.fill(RGB(0, 0, 0));
    SetBkMode(canvas.dc(), OPAQUE);
    SetBkColor(canvas.dc(), background);
    TextOutA(canvas.dc(), 10, 5, "Quick Fox", 9);
    const std::vector<COLORREF> pixels = canvas.pixels();
    int outside = 0, uncovered = 0;
    for (int y = 0; y < 50; ++y) {
      for (int x = 0; x < 200; ++x) {
        const bool inCell = x >= 10 && x < 10 + extent.cx && y >= 5 && y < 5 + tm.tmHeight;
        const COLORREF p = pixels[y * 200 + x];
        if (!inCell && p != RGB(0, 0, 0)) ++outside;
        if (inCell && p == RGB(0, 0, 0)) ++uncovered;
      }
    }
    EXPECT_EQ(outside, 0) << name;
    EXPECT_EQ(uncovered, 0) << name;
    SelectObject(canvas.dc(), old);
    if (c.face) DeleteObject(font);
  }
}

// A text far wider than the surface, in the largest font: only the glyphs the clipping area
// shows are drawn pixel by pixel, so the call is over at once.
TEST_F(GdiTextTest, ALongTextInAHugeFontDrawsWhatShowsAtOnce)
{
  GdiTestCanvas canvas(200, 50, 16, true);
  const COLORREF background = RGB(255, 255, 255);
  canvas.fill(background);
  HFONT font = makeFont(-2048, "Arial");
  HGDIOBJ old = SelectObject(canvas.dc(), font);
  SetTextColor(canvas.dc(), RGB(0, 0, 0));
  SetBkMode(canvas.dc(), TRANSPARENT);
  const std::string text(100000, 'W');
  const std::clock_t start = std::clock();
  ASSERT_TRUE(TextOutA(canvas.dc(), -100, -1000, text.c_str(), static_cast<int>(text.size())));
  EXPECT_LT(std::clock() - start, 5 * CLOCKS_PER_SEC);
  int inkPixels = 0;
  COLORREF stray = 0;
  inkBox(canvas, background, inkPixels, stray);
  EXPECT_GT(inkPixels, 0);
  SelectObject(canvas.dc(), old);
  DeleteObject(font);
}

TEST_F(GdiTextTest, AlignmentPlacesTheBaselineAndUnderlineSpansTheText)
{
  HFONT font = makeFont(-16, "Arial", 0, true);
  GdiTestCanvas top(120, 40, 16), baseline(120, 40, 16), bottom(120, 40, 16);
  TEXTMETRICA tm{};
  SIZE extent{};
  for (GdiTestCanvas* canvas : {&top, &baseline, &bottom}) {
    canvas->fill(RGB(255, 255, 255));
    SelectObject(canvas->dc(), font);
    SetBkMode(canvas->dc(), TRANSPARENT);
  }
  GetTextMetricsA(top.dc(), &tm);
  GetTextExtentPoint32A(top.dc(), "Tag", 3, &extent);
  TextOutA(top.dc(), 4, 6, "Tag", 3);
  SetTextAlign(baseline.dc(), TA_BASELINE);
  TextOutA(baseline.dc(), 4, 6 + tm.tmAscent, "Tag", 3);
  SetTextAlign(bottom.dc(), TA_BOTTOM);
  TextOutA(bottom.dc(), 4, 6 + tm.tmHeight, "Tag", 3);
  omtest::expectPicture("align-baseline", 120, 40, baseline.pixels(), top.pixels());
  omtest::expectPicture("align-bottom", 120, 40, bottom.pixels(), top.pixels());
  // The underline is one full row below the baseline across the whole extent.
  int underlineRows = 0;
  for (int y = 6 + tm.tmAscent; y < 6 + tm.tmHeight; ++y) {
    bool full = true;
    for (int x = 4; x < 4 + extent.cx; ++x)
      full = full && GetPixel(top.dc(), x, y) == 0;
    underlineRows += full ? 1 : 0;
  }
  EXPECT_GE(underlineRows, 1);
  for (GdiTestCanvas* canvas : {&top, &baseline, &bottom}) {
    SelectObject(canvas->dc(), GetStockObject(SYSTEM_FONT));
  }
  DeleteObject(font);
}

TEST_F(GdiTextTest, FamiliesAndFontFilesAddedAtRunTime)
{
  struct Found {
    DWORD arial = 0, sansSerif = 0, liberation = 0;
  } found;
  EnumFontFamiliesA(
      nullptr, nullptr,
      [](const LOGFONTA* font, const TEXTMETRICA*, DWORD type, LPARAM data) -> int {
        auto* f = reinterpret_cast<Found*>(data);
        const std::string name = font->lfFaceName;
        if (name == "Arial") f->arial = type;
        if (name == "MS Sans Serif") f->sansSerif = type;
        if (name == "Liberation Sans") f->liberation = type;
        return 1;
      },
      reinterpret_cast<LPARAM>(&found));
  EXPECT_EQ(found.arial, static_cast<DWORD>(TRUETYPE_FONTTYPE));
  EXPECT_EQ(found.liberation, static_cast<DWORD>(TRUETYPE_FONTTYPE));
  // As on Windows, "MS Sans Serif" is a bitmap family, so it does not count as TrueType.
  EXPECT_EQ(found.sansSerif, static_cast<DWORD>(RASTER_FONTTYPE));

  // The resource file goes where it is asked to, here the system directory.
  TempFolder windows;
  ScopedEnv windowsDir("OM_WINDOWS_DIR", windows.path());
  char system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
  const std::string fot = std::string(system) + "\\mono.fot";
  const char* ttf = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
  EXPECT_FALSE(CreateScalableFontResourceA(0, (std::string(system) + "\\nothing.fot").c_str(),
                                           "/nonexistent/nothing.ttf", nullptr));
  EXPECT_FALSE(std::filesystem::exists(windows / "SYSTEM/nothing.fot"));
  ASSERT_TRUE(CreateScalableFontResourceA(0, fot.c_str(), ttf, nullptr));
  EXPECT_TRUE(std::filesystem::exists(windows / "SYSTEM/mono.fot"));
  EXPECT_EQ(AddFontResourceA(fot.c_str()), 1);
  EXPECT_TRUE(RemoveFontResourceA(fot.c_str()));
  EXPECT_FALSE(RemoveFontResourceA(fot.c_str()));
  EXPECT_EQ(AddFontResourceA("/nonexistent/font.ttf"), 0);
}

TEST_F(GdiTextTest, ExtTextOutFillsAndClipsToItsRectangle)
{
  GdiTestCanvas canvas(60, 30, 16);
  canvas.fill(RGB(0, 0, 0));
  HFONT font = makeFont(-20, "Arial");
  HGDIOBJ old = SelectObject(canvas.dc(), font);
  SetBkMode(canvas.dc(), TRANSPARENT);
  SetBkColor(canvas.dc(), RGB(0, 0, 255));
  SetTextColor(canvas.dc(), RGB(255, 255, 255));
  const RECT box{5, 5, 25, 15};
  ASSERT_TRUE(ExtTextOutA(canvas.dc(), 5, 0, ETO_OPAQUE | ETO_CLIPPED, &box, "WWW", 3, nullptr));
  int white = 0, blue = 0, outside = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 60; ++x) {
      const COLORREF p = GetPixel(canvas.dc(), x, y);
      const bool in = x >= 5 && x < 25 && y >= 5 && y < 15;
      if (!in && p != RGB(0, 0, 0)) ++outside;
      if (in && p == RGB(255, 255, 255)) ++white;
      if (in && p == RGB(0, 0, 255)) ++blue;
    }
  }
  EXPECT_EQ(outside, 0);
  EXPECT_GT(white, 10);
  EXPECT_EQ(white + blue, 200);
  SelectObject(canvas.dc(), old);
  DeleteObject(font);
}

namespace {

// A font file of a family no system has: a copy of a free monospaced face with its family
// name replaced (same length, in both encodings the name table uses).
std::string makeRenamedFace(const std::string& folder)
{
  std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) return {};
  auto replaceAll = [&](const std::string& from, const std::string& to) {
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at)) {
      bytes.replace(at, from.size(), to);
    }
  };
  auto wide = [](const std::string& text) {
    std::string out;
    for (char c : text)
      out += {'\0', c};
    return out;
  };
  replaceAll("DejaVu Sans Mono", "Zebrafish Mono X");
  replaceAll(wide("DejaVu Sans Mono"), wide("Zebrafish Mono X"));
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/zebrafish.ttf";
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

bool hasFamily(const char* name)
{
  struct Query {
    const char* name;
    bool found;
  } query{name, false};
  EnumFontFamiliesA(
      nullptr, nullptr,
      [](const LOGFONTA* font, const TEXTMETRICA*, DWORD type, LPARAM data) -> int {
        auto* q = reinterpret_cast<Query*>(data);
        if (type == TRUETYPE_FONTTYPE && std::strcmp(font->lfFaceName, q->name) == 0) {
          q->found = true;
        }
        return 1;
      },
      reinterpret_cast<LPARAM>(&query));
  return query.found;
}

int widthOf(const char* face, const char* text)
{
  HFONT font = makeFont(-16, face);
  const int width = metricsOf(font, text).extent.cx;
  DeleteObject(font);
  return width;
}

}  // namespace

// Font files on a mapped drive are found whatever the case of their names; the resource file
// made for one names it, so another call (or process) can add the font through it.
TEST_F(GdiTextTest, FontFilesOnAMappedDriveWithMixedCaseNames)
{
  TempFolder drive;
  ScopedEnv driveE("OM_DRIVE_E", drive.path());
  const std::string made = makeRenamedFace(drive / "Fonts");
  ASSERT_FALSE(made.empty());
  std::filesystem::rename(made, drive / "Fonts/ZebraFish.TTF");
  EXPECT_FALSE(CreateScalableFontResourceA(0, "E:\\NoSuchFolder\\zebra.fot",
                                           "E:\\fonts\\zebrafish.ttf", nullptr));
  ASSERT_TRUE(CreateScalableFontResourceA(0, "e:\\FONTS\\Zebra.fot", "zebrafish.ttf", "E:\\fonts"));
  const std::string text = omtest::readHostFile(drive / "Fonts/Zebra.fot");
  EXPECT_NE(text.find("E:\\Fonts\\ZebraFish.TTF"), std::string::npos) << text;
  EXPECT_EQ(AddFontResourceA("E:\\fonts\\ZEBRA.FOT"), 1);
  EXPECT_TRUE(hasFamily("Zebrafish Mono X"));
  EXPECT_TRUE(RemoveFontResourceA("E:\\Fonts\\zebra.fot"));
  EXPECT_FALSE(hasFamily("Zebrafish Mono X"));
  // The font file itself, named in another case.
  EXPECT_EQ(AddFontResourceA("E:\\FONTS\\zebrafish.ttf"), 1);
  EXPECT_TRUE(hasFamily("Zebrafish Mono X"));
  EXPECT_TRUE(RemoveFontResourceA("e:\\fonts\\ZEBRAFISH.ttf"));
  // A resource file that names nothing readable adds nothing.
  std::ofstream(drive / "Fonts/broken.fot", std::ios::binary)
      << "OM scalable font resource\r\nE:\\Fonts\\missing.ttf\r\n";
  EXPECT_EQ(AddFontResourceA("E:\\Fonts\\broken.fot"), 0);
  EXPECT_EQ(AddFontResourceA("Q:\\Fonts\\ZebraFish.ttf"), 0);
}

TEST_F(GdiTextTest, AnAddedFontFileIsUsedByItsFamilyNameUntilRemoved)
{
  TempFolder folder;
  const std::string path = makeRenamedFace(folder / "fonts");
  const std::string resource = folder / "fonts/zebrafish.fot";
  ASSERT_FALSE(path.empty());
  EXPECT_FALSE(hasFamily("Zebrafish Mono X"));
  const int before = widthOf("Zebrafish Mono X", "iiii");
  ASSERT_TRUE(CreateScalableFontResourceA(0, resource.c_str(), path.c_str(), nullptr));
  EXPECT_EQ(AddFontResourceA(resource.c_str()), 1);
  EXPECT_TRUE(hasFamily("Zebrafish Mono X"));
  // Monospaced: four narrow letters are as wide as four wide ones.
  const int added = widthOf("Zebrafish Mono X", "iiii");
  EXPECT_EQ(added, widthOf("Zebrafish Mono X", "MMMM"));
  EXPECT_GT(added, before);
  EXPECT_TRUE(RemoveFontResourceA(resource.c_str()));
  EXPECT_FALSE(hasFamily("Zebrafish Mono X"));
  EXPECT_EQ(widthOf("Zebrafish Mono X", "iiii"), before);
}

namespace {

// The system's faces come from its font catalogue, and OM_FONT_DIRS adds folders to them:
// with an extra folder that holds one monospaced face, "Arial" is still its free stand-in.
// The catalogue is read once a process, so the check runs in a fresh one.
TEST(FontCatalogueTest, ExtraFontFoldersAddToTheSystemsFaces)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const char* const mono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
  if (!std::filesystem::exists(mono)) GTEST_SKIP() << "no " << mono;
  TempFolder extra;
  std::filesystem::copy_file(mono, extra / "extra-mono.ttf");
  ScopedEnv folders("OM_FONT_DIRS", extra.path());
  EXPECT_EXIT(
      {
        const auto* arial = omgdi::FontCatalog::instance().resolve("Arial", false, false, false);
        std::fprintf(stderr, "resolved to %s\n", arial ? arial->family.c_str() : "nothing");
        std::exit(arial && arial->family == "Liberation Sans" ? 0 : 1);
      },
      testing::ExitedWithCode(0), "resolved to Liberation Sans");
}

}  // namespace
