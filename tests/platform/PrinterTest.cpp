#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/src/gdi/GdiObjectTable.h"
#include "platform/src/gdi/Printer.h"
#include "tests/support/PdfPages.h"
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

// A DIB of width x height at 8 or 24 bits whose pixel (x, y from the top) has the colour
// `colour(x, y)`; the 8-bit table maps index i to (i, 255 - i, 7).
struct TestDib {
  TestDib(int width, int height, int bits, bool bottomUp, COLORREF (*colour)(int, int))
  {
    info.resize(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* header = reinterpret_cast<BITMAPINFO*>(info.data());
    header->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                                         width,
                                         bottomUp ? height : -height,
                                         1,
                                         static_cast<WORD>(bits),
                                         BI_RGB,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0};
    for (int i = 0; i < 256; ++i)
      header->bmiColors[i] = RGBQUAD{7, static_cast<BYTE>(255 - i), static_cast<BYTE>(i), 0};
    const int stride = (width * bits / 8 + 3) & ~3;
    bits_.resize(static_cast<std::size_t>(stride) * height);
    for (int y = 0; y < height; ++y) {
      std::uint8_t* row =
          bits_.data() + static_cast<std::size_t>(bottomUp ? height - 1 - y : y) * stride;
      for (int x = 0; x < width; ++x) {
        const COLORREF c = colour(x, y);
        if (bits == 8) {
          row[x] = GetRValue(c);
        } else {
          row[x * 3] = GetBValue(c);
          row[x * 3 + 1] = GetGValue(c);
          row[x * 3 + 2] = GetRValue(c);
        }
      }
    }
  }
  const BITMAPINFO* header() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
  std::vector<std::uint8_t> info;
  std::vector<std::uint8_t> bits_;
};

COLORREF pattern(int x, int y)
{
  return RGB(x * 10 + y, 200 - y * 10, 50);
}

COLORREF pageColour(const omtest::PdfPageImage& page, int x, int y)
{
  const std::uint8_t* p = page.rgb.data() + (static_cast<std::size_t>(y) * page.width + x) * 3;
  return RGB(p[0], p[1], p[2]);
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
  const std::size_t objects = omgdi::GdiObjectTable::instance().size();
  ASSERT_TRUE(PrintDlgA(&dialog));
  auto* names = static_cast<const DEVNAMES*>(GlobalLock(dialog.hDevNames));
  const char* base = reinterpret_cast<const char*>(names);
  EXPECT_STREQ(base + names->wDriverOffset, "WINSPOOL");
  EXPECT_STREQ(base + names->wDeviceOffset, "OM PDF Printer");
  EXPECT_STREQ(base + names->wOutputOffset, "PDF:");
  GlobalUnlock(dialog.hDevNames);
  auto* mode = static_cast<const DEVMODEA*>(GlobalLock(dialog.hDevMode));
  EXPECT_EQ(mode->dmFields, DM_ORIENTATION | DM_PAPERSIZE | DM_PRINTQUALITY);
  EXPECT_EQ(mode->dmOrientation, DMORIENT_PORTRAIT);
  GlobalUnlock(dialog.hDevMode);
  EXPECT_EQ(GetDeviceCaps(dialog.hDC, HORZRES), 2400);
  EXPECT_TRUE(DeleteDC(dialog.hDC));
  EXPECT_EQ(GlobalFree(dialog.hDevMode), nullptr);
  EXPECT_EQ(GlobalFree(dialog.hDevNames), nullptr);
  EXPECT_EQ(omgdi::GdiObjectTable::instance().size(), objects);
}

TEST_F(PrinterTest, PagesDrawnWithStretchDIBitsComeBackFromTheFile)
{
  HDC dc = printerDC("OM PDF Printer", false);
  ASSERT_NE(dc, nullptr);
  DOCINFOA info{sizeof(DOCINFOA), "Book (page)", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(dc, &info), 0);
  // Page 1: a 24-bit bottom-up image, its lower half only (source y counts from the bottom),
  // shown twice as large. Page 2: an 8-bit top-down image, one to one.
  const TestDib deep(12, 10, 24, true, pattern);
  const TestDib indexed(12, 10, 8, false, pattern);
  ASSERT_GT(StartPage(dc), 0);
  EXPECT_EQ(StretchDIBits(dc, 100, 200, 24, 10, 0, 0, 12, 5, deep.bits_.data(), deep.header(),
                          DIB_RGB_COLORS, SRCCOPY),
            5);
  ASSERT_GT(EndPage(dc), 0);
  ASSERT_GT(StartPage(dc), 0);
  EXPECT_EQ(StretchDIBits(dc, 0, 0, 12, 10, 0, 0, 12, 10, indexed.bits_.data(), indexed.header(),
                          DIB_RGB_COLORS, SRCCOPY),
            10);
  ASSERT_GT(EndPage(dc), 0);
  ASSERT_GT(EndDoc(dc), 0);
  EXPECT_TRUE(DeleteDC(dc));

  EXPECT_EQ(filesIn(temp.path()), std::vector<std::string>{"Book _page_-1.pdf"});
  const omtest::PdfDocument pdf = omtest::readPdfPages(temp / "Book _page_-1.pdf");
  ASSERT_TRUE(pdf.readable);
  EXPECT_EQ(pdf.title, "Book (page)");
  ASSERT_EQ(pdf.pages.size(), 2u);
  for (const auto& page : pdf.pages) {
    EXPECT_DOUBLE_EQ(page.sheetWidth, 612);
    EXPECT_DOUBLE_EQ(page.sheetHeight, 792);
    EXPECT_DOUBLE_EQ(page.x, 18);
    EXPECT_DOUBLE_EQ(page.y, 18);
    ASSERT_EQ(page.width, 2400);
    ASSERT_EQ(page.height, 3150);
  }
  // Every pixel: white outside what was drawn.
  for (int y = 0; y < 3150; ++y) {
    for (int x = 0; x < 2400; ++x) {
      const bool first = x >= 100 && x < 124 && y >= 200 && y < 210;
      const COLORREF wanted1 =
          first ? pattern((x - 100) / 2, 5 + (y - 200) / 2) : RGB(255, 255, 255);
      const COLORREF index = x < 12 && y < 10 ? pattern(x, y) : 0;
      const COLORREF wanted2 =
          x < 12 && y < 10 ? RGB(GetRValue(index), 255 - GetRValue(index), 7) : RGB(255, 255, 255);
      if (pageColour(pdf.pages[0], x, y) != wanted1 || pageColour(pdf.pages[1], x, y) != wanted2) {
        ADD_FAILURE() << "pixel " << x << "," << y;
        return;
      }
    }
  }
}

TEST_F(PrinterTest, AnUnfinishedOrUnwritableDocumentLeavesNoFile)
{
  const TestDib deep(12, 10, 24, true, pattern);
  DOCINFOA info{sizeof(DOCINFOA), "Job", nullptr, nullptr, 0};
  // Aborted, and deleted before its end.
  for (const bool abort : {true, false}) {
    HDC dc = printerDC("OM PDF Printer", true);
    ASSERT_GT(StartDocA(dc, &info), 0);
    ASSERT_GT(StartPage(dc), 0);
    StretchDIBits(dc, 0, 0, 12, 10, 0, 0, 12, 10, deep.bits_.data(), deep.header(), DIB_RGB_COLORS,
                  SRCCOPY);
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
