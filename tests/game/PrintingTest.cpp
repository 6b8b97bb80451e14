#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "framework/OMMemCanvas.h"
#include "framework/OMPrintParameters.h"
#include "game/Printing.h"
#include "platform/src/gdi/GdiObjectTable.h"
#include "platform/src/gdi/Printer.h"
#include "platform/src/kernel/GlobalMemory.h"
#include "tests/game/GlobalFunctionsTestSupport.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/PdfTools.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// Colour bars of white, black and components 1 and 16, in another order on the lower half,
// so that a picture upside down or mirrored shows.
std::uint16_t barPixel(int x, int y, int width, int height)
{
  static constexpr std::uint16_t bars[] = {0x7FFF, 0, 1 << 10, 1 << 5, 1, 16 << 10, 16 << 5, 16};
  return bars[(x * 8 / width + (y * 2 / height) * 3) % 8];
}

void paintBars(OMMemCanvas& canvas)
{
  void* bits = nullptr;
  int pitch = 0;
  ASSERT_TRUE(canvas.lockBits(&bits, &pitch));
  for (int y = 0; y < canvas.height(); ++y) {
    auto* row = static_cast<std::uint8_t*>(bits) + y * pitch;
    for (int x = 0; x < canvas.width(); ++x) {
      if (canvas.depth() == 8) {
        row[x] = static_cast<std::uint8_t>(x * 8 / canvas.width() + 40);
      } else {
        const std::uint16_t p = barPixel(x, y, canvas.width(), canvas.height());
        std::memcpy(row + 2 * x, &p, 2);
      }
    }
  }
  canvas.unlockBits();
}

COLORREF printed(std::uint16_t pixel)
{
  auto widen = [](int c) { return c == 0 ? 0 : c << 3 | 7; };
  return RGB(widen(pixel >> 10 & 31), widen(pixel >> 5 & 31), widen(pixel & 31));
}

// What a job printed: the file's facts, its one image (the printable area) and, when asked for,
// the sheet as a reader shows it at the printer's 300 dpi, the printable area a quarter inch
// in.
struct PrintedPage {
  omtest::PdfInfo info;
  omtest::RgbPicture image;
  omtest::RgbPicture sheet;

  // The printable area's pixel, from the image and from the sheet alike.
  COLORREF colour(int x, int y) const
  {
    const COLORREF held = image.colour(x, y);
    return sheet.rgb.empty() || sheet.colour(x + 75, y + 75) == held ? held : CLR_INVALID;
  }
};

PrintedPage readPrintedPage(const std::string& file, bool rendered)
{
  PrintedPage page;
  page.info = omtest::readPdfInfo(file);
  std::vector<omtest::RgbPicture> images = omtest::readPdfImages(file);
  EXPECT_EQ(images.size(), 1u);
  if (images.size() != 1) return page;
  page.image = std::move(images[0]);
  if (!rendered) return page;
  page.sheet = omtest::renderPdfPage(file, 1, 300);
  EXPECT_EQ(page.sheet.width, page.image.width + 150);
  EXPECT_EQ(page.sheet.height, page.image.height + 150);
  return page;
}

int cursorCount()
{
  ShowCursor(FALSE);
  return ShowCursor(TRUE);
}

class PrintingTest : public ::testing::Test {
 protected:
  // The one PDF file the job wrote.
  // The one PDF file the job wrote.
  PrintedPage onlyPage(bool rendered)
  {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(prints.path()))
      files.push_back(entry.path());
    EXPECT_EQ(files.size(), 1u);
    if (files.size() != 1) return {};
    PrintedPage page = readPrintedPage(files[0].string(), rendered);
    fs::remove(files[0]);
    return page;
  }

  omtest::TestApp app;
  TempFolder prints;
  TempFolder windows;
  ScopedEnv printDir{"OM_PRINT_DIR", prints.path()};
  ScopedEnv windowsDir{"OM_WINDOWS_DIR", windows.path()};
};

}  // namespace

TEST_F(PrintingTest, TheCanvasIsScaledPlacedAndConvertedOnThePage)
{
  struct Case {
    const char* what;
    int depth;
    int mode;
    OMRect source;
    int centring;
    int margins;
    OMRect page;
    OMRect placed;  // where the source lands, in printable-area pixels
  };
  const Case cases[] = {
      {"landscape", 16, 1, OMRect(), 0, 1, OMRect(), OMRect(75, 75, 3075, 2325)},
      {"portrait", 16, 0, OMRect(), 0, 1, OMRect(), OMRect(75, 75, 2325, 1762)},
      {"portrait centred", 16, 0, OMRect(), 1, 0, OMRect(), OMRect(75, 731, 2325, 2418)},
      {"centring needs no margins", 16, 0, OMRect(), 1, 1, OMRect(), OMRect(75, 75, 2325, 1762)},
      {"a quarter", 16, 1, OMRect(320, 240, 640, 480), 0, 1, OMRect(), OMRect(75, 75, 3075, 2325)},
      {"clipped to the canvas", 16, 1, OMRect(320, 240, 900, 700), 0, 1, OMRect(),
       OMRect(75, 75, 3075, 2325)},
      {"page rectangle", 16, 0, OMRect(), 0, 1, OMRect(72, 72, 144, 144),
       OMRect(375, 375, 600, 543)},
      {"8 bits", 8, 1, OMRect(), 0, 1, OMRect(), OMRect(75, 75, 3075, 2325)},
  };
  bool sheetRead[2] = {};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OMMemCanvas canvas(640, 480, c.depth, 1);
    if (c.depth == 8) {
      OMRGBColor colors[OMCanvas::paletteSize];
      for (int i = 0; i < OMCanvas::paletteSize; ++i)
        colors[i] = OMRGBColor(static_cast<std::uint16_t>(i * 0x101), 0x1234, 0xFEFF);
      canvas.setPalette(colors);
    }
    paintBars(canvas);
    setPrintParameters(c.mode, c.source, c.centring, c.margins, c.page);
    const std::size_t objects = omgdi::GdiObjectTable::instance().size();
    const std::size_t blocks = omwin::globalBlockCount();
    const int cursor = cursorCount();
    ASSERT_EQ(printCanvas(&canvas, "Bars"), 0);
    EXPECT_EQ(cursorCount(), cursor);
    EXPECT_EQ(omgdi::GdiObjectTable::instance().size(), objects);
    EXPECT_EQ(omwin::globalBlockCount(), blocks);

    // The sheet is read as shown once for each orientation (slow); the image every time.
    const PrintedPage page = onlyPage(std::exchange(sheetRead[c.mode], true) == false);
    EXPECT_EQ(page.info.title, "Bars");
    EXPECT_EQ(page.info.pages, 1);
    EXPECT_EQ(page.info.sizes, (std::vector<std::pair<double, double>>{
                                   c.mode ? std::pair(792.0, 612.0) : std::pair(612.0, 792.0)}));
    ASSERT_EQ(page.image.width, c.mode ? 3150 : 2400);
    const OMRect source = c.source.isEmpty() ? OMRect(0, 0, 640, 480)
                                             : OMRect(c.source.left(), c.source.top(),
                                                      std::min(c.source.right(), 640),
                                                      std::min(c.source.bottom(), 480));
    const OMRect& to = c.placed;
    auto expected = [&](int sx, int sy) {
      const int index = sx * 8 / 640 + 40;
      return c.depth == 8 ? RGB(index, 0x12, 0xFE) : printed(barPixel(sx, sy, 640, 480));
    };
    // Enlarged, the centre of each source pixel's block shows that pixel; all around the
    // picture is white.
    const int step = to.width() >= source.width() ? 1 : 10000;
    for (int sy = source.top(); sy < source.bottom(); sy += 7 * step) {
      for (int sx = source.left(); sx < source.right(); sx += 5 * step) {
        const int x =
            to.left() + (2 * (sx - source.left()) + 1) * to.width() / (2 * source.width());
        const int y =
            to.top() + (2 * (sy - source.top()) + 1) * to.height() / (2 * source.height());
        if (page.colour(x, y) != expected(sx, sy)) {
          ADD_FAILURE() << "source pixel " << sx << "," << sy << " at " << x << "," << y;
          return;
        }
      }
    }
    for (const POINT p : {POINT{to.left() - 1, to.top()}, POINT{to.right(), to.bottom() - 1},
                          POINT{to.left(), to.top() - 1}, POINT{to.right() - 1, to.bottom()}})
      EXPECT_EQ(page.image.colour(p.x, p.y), RGB(255, 255, 255)) << p.x << "," << p.y;
    EXPECT_EQ(page.image.colour(to.left(), to.top()), expected(source.left(), source.top()));
    EXPECT_EQ(page.image.colour(to.right() - 1, to.bottom() - 1),
              expected(source.right() - 1, source.bottom() - 1));
  }
}

TEST_F(PrintingTest, AJobThatCannotPrintSaysSoAndLeavesNothing)
{
  omgdi::PrinterModel plain;
  plain.name = "Plain Printer";
  plain.rasterCaps = RC_STRETCHDIB;
  omgdi::PrinterTable::instance().add(plain);
  struct Case {
    const char* what;
    const char* printer;
    const char* profile;
    const char* folder;
  };
  const std::string missing = prints / "missing";
  const Case cases[] = {
      {"no printer", "none", nullptr, nullptr},
      {"no large bitmaps", "Plain Printer", nullptr, nullptr},
      {"unknown printer", nullptr, "Nobody,WINSPOOL,PDF:", nullptr},
      {"empty entry", nullptr, ",,,", nullptr},
      {"unwritable folder", nullptr, nullptr, missing.c_str()},
  };
  OMMemCanvas canvas(64, 48, 16, 1);
  setPrintParameters(1, OMRect(), 0, 0, OMRect());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<ScopedEnv> printer, folder;
    if (c.printer) printer.emplace("OM_PRINTER", c.printer);
    if (c.folder) folder.emplace("OM_PRINT_DIR", c.folder);
    WriteProfileStringA("windows", "device", c.profile);
    const std::size_t objects = omgdi::GdiObjectTable::instance().size();
    const std::size_t blocks = omwin::globalBlockCount();
    const int cursor = cursorCount();
    EXPECT_NE(printCanvas(&canvas, "Job"), 0);
    EXPECT_EQ(cursorCount(), cursor);
    EXPECT_EQ(omgdi::GdiObjectTable::instance().size(), objects);
    EXPECT_EQ(omwin::globalBlockCount(), blocks);
    EXPECT_TRUE(fs::is_empty(prints.path()));
  }
  omgdi::PrinterTable::instance().remove("Plain Printer");
  EXPECT_NE(printCanvas(nullptr, "Job"), 0);
}

TEST_F(PrintingTest, RandomJobsStayOnTheirPage)
{
  omgdi::PrinterModel tiny;
  tiny.name = "Tiny Printer";
  tiny.dotsPerInch = 72;
  tiny.physicalWidth = 40;
  tiny.physicalHeight = 30;
  tiny.offsetX = 3;
  tiny.offsetY = 2;
  omgdi::PrinterTable::instance().add(tiny);
  ScopedEnv printer("OM_PRINTER", "Tiny Printer");
  std::mt19937 random(37);
  auto any = [&](int low, int high) { return std::uniform_int_distribution(low, high)(random); };
  auto rect = [&] { return OMRect(any(-20, 80), any(-20, 80), any(-20, 120), any(-20, 120)); };
  constexpr int jobs = 10000;
  // Counted after the first job, which makes the stock objects printing uses.
  std::size_t objects = 0, blocks = 0;
  int printedJobs = 0, files = 0;
  for (int job = 0; job < jobs; ++job) {
    if (job == 1) {
      objects = omgdi::GdiObjectTable::instance().size();
      blocks = omwin::globalBlockCount();
    }
    const int depths[] = {8, 16, 24, 32};
    OMMemCanvas canvas(any(1, 50), any(1, 50), depths[any(0, 3)], 1);
    setPrintParameters(any(0, 1), any(0, 1) ? rect() : OMRect(), any(0, 1), any(0, 1),
                       any(0, 2) ? OMRect() : rect());
    const bool printed = printCanvas(&canvas, "") == 0;
    printedJobs += printed;
    // A page that could not be drawn still leaves the printer, blank.
    int written = 0;
    for (const auto& entry : fs::directory_iterator(prints.path())) {
      written += entry.path().extension() == ".pdf";
      fs::remove(entry.path());
    }
    files += written;
    if (printed && written != 1) ADD_FAILURE() << "job " << job << " wrote " << written;
  }
  omgdi::PrinterTable::instance().remove("Tiny Printer");
  EXPECT_GT(printedJobs, jobs / 10);
  EXPECT_EQ(files, jobs);
  EXPECT_EQ(omgdi::GdiObjectTable::instance().size(), objects);
  EXPECT_EQ(omwin::globalBlockCount(), blocks);
}

namespace globalfn {

// "PrintScreen" prints what the stage shows, landscape over the printable area, and leaves the
// freeze as it was; without a printer the script hears of it in a message box and goes on.
TEST_F(GlobalFunctionsTest, PrintScreenPrintsTheStage)
{
  TempFolder prints;
  ScopedEnv printDir("OM_PRINT_DIR", prints.path());
  run("b=RPButton 100 100 7\rScene 9\rDisplayScreen\r");
  settle();
  for (const int frozen : {0, 1}) {
    shellStage()->setPresentEnabled(frozen ? 0 : 1);
    run("PrintScreen\rsay printed\r");
    EXPECT_EQ(shellStage()->presentEnabled(), frozen ? 0 : 1);
    EXPECT_EQ(newLines(), Lines{"printed"});
  }
  EXPECT_TRUE(host.messageBoxes().empty());
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(prints.path()))
    files.push_back(entry.path().filename().string());
  ASSERT_EQ(files.size(), 2u);
  const PrintedPage page = readPrintedPage(prints / files[0], true);
  EXPECT_EQ(page.info.pages, 1);
  ASSERT_NE(shellApp(), nullptr);
  EXPECT_FALSE(shellApp()->productName().empty());
  EXPECT_EQ(page.info.title, shellApp()->productName());
  ASSERT_EQ(page.image.width, 3150);
  int checked = 0;
  for (int y = 1; y < 480; y += 6) {
    for (int x = 2; x < 640; x += 6, ++checked) {
      const int px = 75 + (2 * x + 1) * 3000 / 1280, py = 75 + (2 * y + 1) * 2250 / 960;
      if (page.colour(px, py) != printed(pixel(x, y))) {
        ADD_FAILURE() << "stage pixel " << x << "," << y;
        return;
      }
    }
  }
  EXPECT_GT(checked, 8000);

  ScopedEnv none("OM_PRINTER", "none");
  run("PrintScreen\rsay went on\r");
  EXPECT_EQ(newLines(), Lines{"went on"});
  ASSERT_EQ(host.messageBoxes().size(), 1u);
  EXPECT_EQ(host.messageBoxes()[0].text,
            "Velmora' Zuvevura is not able to print the information you requested.  Your printer "
            "may be out of paper, turned off, or set up incorrectly.  Please correct the problem "
            "and try again.");
  EXPECT_EQ(host.messageBoxes()[0].style, static_cast<unsigned>(MB_ICONSTOP));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(prints.path()),
                          std::filesystem::directory_iterator()),
            2);
}

}  // namespace globalfn
