#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/src/gdi/Printer.h"
#include "tests/support/PdfTools.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> filesIn(const std::string& folder)
{
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

HDC printerDC(const char* device, bool landscape)
{
  DEVMODEA mode{};
  mode.dmFields = DM_ORIENTATION;
  mode.dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  return CreateDCA("WINSPOOL", device, "PDF:", &mode);
}

class PrinterTest : public ::testing::Test {
 protected:
  TempFolder temp;
  ScopedEnv printDir{"OM_PRINT_DIR", temp.path()};
  ScopedEnv windowsDir{"OM_WINDOWS_DIR", temp / "WINDOWS"};
};

}  // namespace

TEST_F(PrinterTest, TheDefaultPrinterAnswersItsSheetInBothOrientations)
{
  struct Case {
    int index;
    int portrait;
    int landscape;
  };
  const Case cases[] = {
      {HORZRES, 2400, 3150},
      {VERTRES, 3150, 2400},
      {PHYSICALWIDTH, 2550, 3300},
      {PHYSICALHEIGHT, 3300, 2550},
      {PHYSICALOFFSETX, 75, 75},
      {PHYSICALOFFSETY, 75, 75},
      {LOGPIXELSX, 300, 300},
      {LOGPIXELSY, 300, 300},
      {BITSPIXEL, 24, 24},
      {RASTERCAPS, RC_BITMAP64 | RC_STRETCHDIB, RC_BITMAP64 | RC_STRETCHDIB},
  };
  for (const bool landscape : {false, true}) {
    HDC dc = printerDC("OM PDF Printer", landscape);
    ASSERT_NE(dc, nullptr);
    for (const Case& c : cases)
      EXPECT_EQ(GetDeviceCaps(dc, c.index), landscape ? c.landscape : c.portrait) << c.index;
    EXPECT_TRUE(DeleteDC(dc));
  }
  EXPECT_EQ(CreateDCA("WINSPOOL", "No Such Printer", "PDF:", nullptr), nullptr);

  char entry[80];
  GetProfileStringA("windows", "device", ",,,", entry, sizeof entry);
  EXPECT_STREQ(entry, "OM PDF Printer,WINSPOOL,PDF:");
  ScopedEnv none("OM_PRINTER", "none");
  GetProfileStringA("windows", "device", ",,,", entry, sizeof entry);
  EXPECT_STREQ(entry, ",,,");
}

TEST_F(PrinterTest, ThePrintDialogAnswersTheDefaultPrinterWithoutShowingItself)
{
  PRINTDLGA dialog{};
  dialog.lStructSize = 66;
  dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
  EXPECT_FALSE(PrintDlgA(&dialog));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);

  dialog.lStructSize = sizeof dialog;
  {
    ScopedEnv none("OM_PRINTER", "none");
    EXPECT_FALSE(PrintDlgA(&dialog));
    EXPECT_EQ(CommDlgExtendedError(), PDERR_NODEFAULTPRN);
    EXPECT_EQ(dialog.hDC, nullptr);
  }
  ASSERT_TRUE(PrintDlgA(&dialog));
  auto* names = static_cast<const DEVNAMES*>(GlobalLock(dialog.hDevNames));
  const char* base = reinterpret_cast<const char*>(names);
  EXPECT_STREQ(base + names->wDriverOffset, "WINSPOOL");
  EXPECT_STREQ(base + names->wDeviceOffset, "OM PDF Printer");
  EXPECT_STREQ(base + names->wOutputOffset, "PDF:");
  GlobalUnlock(dialog.hDevNames);
  EXPECT_EQ(GetDeviceCaps(dialog.hDC, HORZRES), 2400);
  EXPECT_TRUE(DeleteDC(dialog.hDC));
  EXPECT_EQ(GlobalFree(dialog.hDevMode), nullptr);
  EXPECT_EQ(GlobalFree(dialog.hDevNames), nullptr);
}

// Each page comes back from the file as drawn, white where nothing was, on a Letter sheet
// with a quarter inch around; the document's name is the title and, made safe, the file's.
TEST_F(PrinterTest, PagesComeBackFromTheFile)
{
  HDC dc = printerDC("OM PDF Printer", false);
  ASSERT_NE(dc, nullptr);
  DOCINFOA info{sizeof(DOCINFOA), "Book (p\xE2ge)", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(dc, &info), 0);
  const COLORREF colours[] = {RGB(200, 10, 30), RGB(1, 2, 3)};
  for (int page = 0; page < 2; ++page) {
    ASSERT_GT(StartPage(dc), 0);
    HBRUSH brush = CreateSolidBrush(colours[page]);
    const RECT area{100 + page, 200, 124, 210 + page};
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    ASSERT_GT(EndPage(dc), 0);
  }
  ASSERT_GT(EndDoc(dc), 0);
  EXPECT_TRUE(DeleteDC(dc));

  EXPECT_EQ(filesIn(temp.path()), std::vector<std::string>{"Book _p_ge_-1.pdf"});
  const std::string file = temp / "Book _p_ge_-1.pdf";
  const omtest::PdfInfo read = omtest::readPdfInfo(file);
  EXPECT_EQ(read.pages, 2);
  EXPECT_EQ(read.title, "Book (p\xC3\xA2ge)");
  EXPECT_EQ(read.sizes, (std::vector<std::pair<double, double>>(2, {612, 792})));
  const std::vector<omtest::RgbPicture> images = omtest::readPdfImages(file);
  ASSERT_EQ(images.size(), 2u);
  for (int n = 0; n < 2; ++n) {
    SCOPED_TRACE(n);
    // The image is the printable area byte for byte; read at the printer's resolution the
    // sheet shows it a quarter inch in, white all around (the reader softens colour edges, so
    // only pixels amid their own colour are compared there).
    const omtest::RgbPicture& image = images[static_cast<std::size_t>(n)];
    const omtest::RgbPicture sheet = omtest::renderPdfPage(file, n + 1, 300);
    ASSERT_EQ(image.width, 2400);
    ASSERT_EQ(image.height, 3150);
    ASSERT_EQ(sheet.width, 2550);
    ASSERT_EQ(sheet.height, 3300);
    auto drawnAt = [&](int px, int py) {
      return px >= 100 + n && px < 124 && py >= 200 && py < 210 + n;
    };
    int drawn = 0;
    for (int py = 0; py < 3150; ++py) {
      for (int px = 0; px < 2400; ++px) {
        const bool inside = drawnAt(px, py);
        drawn += inside;
        if (image.colour(px, py) != (inside ? colours[n] : RGB(255, 255, 255))) {
          ADD_FAILURE() << "image pixel " << px << "," << py;
          return;
        }
      }
    }
    for (int y = 1; y < 3299; ++y) {
      for (int x = 1; x < 2549; ++x) {
        const bool inside = drawnAt(x - 75, y - 75);
        const bool amidItsColour =
            drawnAt(x - 76, y - 76) == inside && drawnAt(x - 74, y - 74) == inside &&
            drawnAt(x - 76, y - 74) == inside && drawnAt(x - 74, y - 76) == inside;
        if (amidItsColour && sheet.colour(x, y) != (inside ? colours[n] : RGB(255, 255, 255))) {
          ADD_FAILURE() << "sheet pixel " << x << "," << y;
          return;
        }
      }
    }
    EXPECT_EQ(drawn, n == 0 ? 240 : 253);
  }
}

TEST_F(PrinterTest, AnUnfinishedOrUnwritableDocumentLeavesNoFile)
{
  DOCINFOA info{sizeof(DOCINFOA), "Job", nullptr, nullptr, 0};
  // Aborted, and deleted before its end.
  for (const bool abort : {true, false}) {
    HDC dc = printerDC("OM PDF Printer", true);
    ASSERT_GT(StartDocA(dc, &info), 0);
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndPage(dc), 0);
    if (abort) {
      EXPECT_GT(AbortDoc(dc), 0);
    }
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(filesIn(temp.path()).empty());
  }
  // No page is no document; an unwritable folder refuses the job.
  HDC dc = printerDC("OM PDF Printer", true);
  ASSERT_GT(StartDocA(dc, &info), 0);
  EXPECT_LE(EndDoc(dc), 0);
  EXPECT_TRUE(filesIn(temp.path()).empty());
  {
    ScopedEnv missing("OM_PRINT_DIR", temp / "missing");
    EXPECT_LE(StartDocA(dc, &info), 0);
    EXPECT_LE(StartPage(dc), 0);
  }
  // The output named by the job wins; later jobs take the next free number.
  const std::string chosen = "C:" + temp.path() + "/chosen.pdf";
  DOCINFOA named{sizeof(DOCINFOA), "Job", chosen.c_str(), nullptr, 0};
  for (const DOCINFOA* job : {&named, &info, &info}) {
    ASSERT_GT(StartDocA(dc, job), 0);
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
  }
  EXPECT_TRUE(DeleteDC(dc));
  std::vector<std::string> files = filesIn(temp.path());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"Job-1.pdf", "Job-2.pdf", "chosen.pdf"}));
}

// The engine hands its pictures to the page as bottom-up DIBs of 8 bits with a colour table or
// of 24 bits, rows padded to 4 bytes; the source's y counts from the picture's bottom.
TEST_F(PrinterTest, DibsReachThePageBottomUpWithTheSourceCountedFromTheBottom)
{
  HDC dc = printerDC("OM PDF Printer", false);
  ASSERT_NE(dc, nullptr);
  DOCINFOA info{sizeof(DOCINFOA), "Dibs", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(dc, &info), 0);
  ASSERT_GT(StartPage(dc), 0);
  // Three columns, five rows; the pixel at column x of top-down row r has index 10 r + x.
  constexpr int width = 3, height = 5;
  auto colourOf = [](int index) { return RGB(index * 5, 250 - index * 3, index ^ 0x5A); };
  struct Case {
    int bits;
    int sourceY, sourceHeight;  // from the bottom
  };
  const Case cases[] = {{8, 0, 5}, {8, 1, 2}, {24, 0, 5}, {24, 3, 2}, {24, 0, 1}};
  int left = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits from " + std::to_string(c.sourceY));
    std::vector<std::uint8_t> header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* dib = reinterpret_cast<BITMAPINFO*>(header.data());
    dib->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                                      width,
                                      height,
                                      1,
                                      static_cast<WORD>(c.bits),
                                      BI_RGB,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0};
    for (int i = 0; i < 256; ++i) {
      const COLORREF colour = colourOf(i);
      dib->bmiColors[i] = RGBQUAD{GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
    }
    const int stride = (width * c.bits / 8 + 3) & ~3;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride) * height, 0xEE);
    for (int r = 0; r < height; ++r) {
      std::uint8_t* row = bits.data() + static_cast<std::size_t>(height - 1 - r) * stride;
      for (int x = 0; x < width; ++x) {
        const int index = 10 * r + x;
        if (c.bits == 8) {
          row[x] = static_cast<std::uint8_t>(index);
        } else {
          const COLORREF colour = colourOf(index);
          row[3 * x] = GetBValue(colour);
          row[3 * x + 1] = GetGValue(colour);
          row[3 * x + 2] = GetRValue(colour);
        }
      }
    }
    // Each source pixel becomes a 4 x 4 block.
    EXPECT_EQ(StretchDIBits(dc, left, 10, 4 * width, 4 * c.sourceHeight, 0, c.sourceY, width,
                            c.sourceHeight, bits.data(), dib, DIB_RGB_COLORS, SRCCOPY),
              c.sourceHeight);
    const int topRow = height - c.sourceY - c.sourceHeight;
    for (int j = 0; j < c.sourceHeight; ++j)
      for (int x = 0; x < width; ++x)
        EXPECT_EQ(GetPixel(dc, left + 4 * x + 2, 10 + 4 * j + 2), colourOf(10 * (topRow + j) + x))
            << x << "," << j;
    EXPECT_EQ(GetPixel(dc, left + 2, 10 + 4 * c.sourceHeight), RGB(255, 255, 255));
    left += 4 * width + 5;
  }
  EXPECT_GT(AbortDoc(dc), 0);
  EXPECT_TRUE(DeleteDC(dc));
}
