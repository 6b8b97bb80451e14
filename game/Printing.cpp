#include "game/Printing.h"

#include <cstring>
#include <memory>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMCursor.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMPrintParameters.h"
#include "framework/OMWindow.h"

namespace {

int lastRasterCapsResult = 0;

constexpr WORD dialogStructSize = sizeof(PRINTDLGA);

// The printer named by WIN.INI: device, driver and port; false when one is missing.
struct PrinterNames {
  char entry[80] = {};
  const char* device = nullptr;
  const char* driver = nullptr;
  const char* port = nullptr;

  bool read()
  {
    GetProfileStringA("windows", "device", ",,,", entry, sizeof entry);
    device = std::strtok(entry, ",");
    driver = std::strtok(nullptr, ", ");
    port = std::strtok(nullptr, ", ");
    return device != nullptr && driver != nullptr && port != nullptr;
  }
};

// What PrintDlgA handed out, given back on every road.
struct DefaultPrinter {
  PRINTDLGA dialog{};

  ~DefaultPrinter()
  {
    if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
    if (dialog.hDC != nullptr) DeleteDC(dialog.hDC);
  }

  bool ask()
  {
    dialog.lStructSize = dialogStructSize;
    dialog.hwndOwner = GetActiveWindow();
    dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    dialog.nFromPage = dialog.nToPage = dialog.nMinPage = dialog.nMaxPage = 1;
    dialog.nCopies = 1;
    return PrintDlgA(&dialog) != FALSE;
  }
};

// A device-independent bitmap of the whole canvas: 8 bits with the canvas's palette, or 24
// bits; rows bottom-up, each padded to 4 bytes.
struct CanvasDib {
  std::vector<std::uint8_t> info;
  std::vector<std::uint8_t> bits;

  const BITMAPINFO* header() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }

  bool build(OMMemCanvas& canvas)
  {
    const int width = canvas.width(), height = canvas.height();
    const int depth = canvas.depth() == 8 ? 8 : 24;
    info.assign(sizeof(BITMAPINFOHEADER) + (depth == 8 ? 256 * sizeof(RGBQUAD) : 0), 0);
    auto* header = reinterpret_cast<BITMAPINFO*>(info.data());
    header->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                                         width,
                                         height,
                                         1,
                                         static_cast<WORD>(depth),
                                         BI_RGB,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0};
    if (depth == 8) {
      OMRGBColor colors[OMCanvas::paletteSize];
      canvas.getPalette(colors);
      for (int i = 0; i < OMCanvas::paletteSize; ++i)
        header->bmiColors[i] =
            RGBQUAD{static_cast<BYTE>(colors[i].blue >> 8), static_cast<BYTE>(colors[i].green >> 8),
                    static_cast<BYTE>(colors[i].red >> 8), 0};
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * depth / 8 + 3) & ~std::size_t{3};
    void* pixels = nullptr;
    int pitch = 0;
    if (!canvas.lockBits(&pixels, &pitch) || pixels == nullptr) return false;
    bits.assign(stride * height, 0);
    for (int y = 0; y < height; ++y) {
      const auto* in =
          static_cast<const std::uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(y) * pitch;
      convertRow(in, bits.data() + stride * (height - 1 - y), width, canvas.depth());
    }
    canvas.unlockBits();
    return true;
  }

  static std::uint8_t widen(unsigned component)
  {
    return static_cast<std::uint8_t>(component == 0 ? 0 : component << 3 | 7);
  }

  static void convertRow(const std::uint8_t* in, std::uint8_t* out, int width, int depth)
  {
    switch (depth) {
      case 8:
        std::memcpy(out, in, static_cast<std::size_t>(width));
        break;
      case 16:
        for (int x = 0; x < width; ++x, out += 3) {
          const unsigned pixel = in[2 * x] | in[2 * x + 1] << 8;
          out[0] = widen(pixel & 0x1F);
          out[1] = widen(pixel >> 5 & 0x1F);
          out[2] = widen(pixel >> 10 & 0x1F);
        }
        break;
      case 24:
        std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
        break;
      default:
        for (int x = 0; x < width; ++x)
          std::memcpy(out + 3 * x, in + 4 * x, 3);
        break;
    }
  }
};

// Where on the device the picture goes: the printable area, or the page rectangle when one
// is given.
OMRect printableArea(HDC dc, const OMPrintParameters& parameters)
{
  if (!parameters.page.isEmpty()) return pageRectToDevice(dc, parameters.page);
  const int offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
  const int offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
  return OMRect(offsetX, offsetY, offsetX + GetDeviceCaps(dc, HORZRES) - 2 * offsetX,
                offsetY + GetDeviceCaps(dc, VERTRES) - 2 * offsetY);
}

int drawCanvas(HDC dc, OMMemCanvas& canvas, int depth)
{
  const OMPrintParameters& parameters = printParameters();
  const OMRect whole(0, 0, canvas.width(), canvas.height());
  OMRect source = parameters.source.isEmpty() ? whole : parameters.source;
  source.set(std::max(source.left(), 0), std::max(source.top(), 0),
             std::min(source.right(), whole.right()), std::min(source.bottom(), whole.bottom()));
  const OMRect area = printableArea(dc, parameters);
  if (!source.hasArea() || !area.hasArea()) return 1;

  int x = 0, y = 0, width = 0, height = 0;
  fitAspect(area.width(), area.height(), source.left(), source.top(), source.right(),
            source.bottom(), x, y, width, height);
  const bool centred =
      parameters.firstWord != 0 && (parameters.secondWord == 0 || !parameters.page.isEmpty());
  if (!centred) x = y = 0;
  x = area.left() + x / 2;
  y = area.top() + y / 2;

  int error = 0;
  HPALETTE oldPalette = nullptr;
  const bool withPalette = depth == 8 && (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
  if (withPalette) {
    oldPalette = SelectPalette(dc, canvas.palette(), FALSE);
    if (RealizePalette(dc) == GDI_ERROR) error = 1;
  }
  CanvasDib dib;
  if (error == 0 && !dib.build(canvas)) error = 1;
  if (error == 0) {
    const int lines = StretchDIBits(
        dc, x, y, width, height, source.left(), canvas.height() - source.bottom(), source.width(),
        source.height(), dib.bits.data(), dib.header(), DIB_RGB_COLORS, SRCCOPY);
    if (lines <= 0) error = GetLastError() != 0 ? static_cast<int>(GetLastError()) : 1;
    if (!GdiFlush()) error += 1;
  }
  if (withPalette) SelectPalette(dc, oldPalette, FALSE);
  return error;
}

}  // namespace

void fitAspect(int targetWidth, int targetHeight, int left, int top, int right, int bottom, int& x,
               int& y, int& width, int& height)
{
  const long long sw = right - left, sh = bottom - top;
  if (sh * targetWidth > sw * targetHeight) {
    height = targetHeight;
    width = static_cast<int>(sw * targetHeight / sh);
    x = targetWidth - width;
    y = 0;
  } else {
    width = targetWidth;
    height = static_cast<int>(sh * targetWidth / sw);
    x = 0;
    y = targetHeight - height;
  }
}

OMRect pageRectToDevice(HDC dc, const OMRect& rect)
{
  const double dotsX = GetDeviceCaps(dc, LOGPIXELSX) / 72.0;
  const double dotsY = GetDeviceCaps(dc, LOGPIXELSY) / 72.0;
  return OMRect(GetDeviceCaps(dc, PHYSICALOFFSETX) + static_cast<int>(rect.left() * dotsX),
                GetDeviceCaps(dc, PHYSICALOFFSETY) + static_cast<int>(rect.top() * dotsY),
                static_cast<int>(rect.right() * dotsX), static_cast<int>(rect.bottom() * dotsY));
}

int checkPrinterBitmaps(HDC dc)
{
  lastRasterCapsResult = (GetDeviceCaps(dc, RASTERCAPS) & RC_BITMAP64) == 0 ? 1 : 0;
  return lastRasterCapsResult;
}

int printOnDevice(HDC dc, OMCanvas* canvas, const char* documentName, int depth)
{
  char name[32] = {};
  if (documentName != nullptr) std::strncpy(name, documentName, sizeof name - 1);
  DOCINFOA document{sizeof(DOCINFOA), name, nullptr, nullptr, 0};
  if (StartDocA(dc, &document) <= 0) return 1;
  int error = 1;
  if (StartPage(dc) > 0) {
    error = drawCanvas(dc, static_cast<OMMemCanvas&>(*canvas), depth);
    if (EndPage(dc) <= 0 && error == 0) error = 1;
  }
  if (EndDoc(dc) <= 0 && error == 0) error = 1;
  return error;
}

int printCanvas(OMCanvas* canvas, const char* documentName)
{
  if (canvas == nullptr || std::strcmp(canvas->descriptor(), "OMMemCanvas") != 0) return 1;
  hideCursor();
  if (OMWindow* active = OMWindow::activeWindow()) UpdateWindow(active->handle());
  int result = 1;
  DefaultPrinter printer;
  PrinterNames names;
  if (printer.ask() && names.read()) {
    auto* mode = printer.dialog.hDevMode != nullptr
                     ? static_cast<DEVMODEA*>(GlobalLock(printer.dialog.hDevMode))
                     : nullptr;
    if (mode != nullptr) {
      mode->dmOrientation = printParameters().mode != 0 ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
      mode->dmPrintQuality = DMRES_HIGH;
    }
    if (HDC dc = CreateDCA(names.driver, names.device, names.port, mode)) {
      if (checkPrinterBitmaps(dc) == 0 &&
          (!OMApp::canvasesUseDirectDraw() || canvas->depth() == 8)) {
        result = printOnDevice(dc, canvas, documentName, canvas->depth());
      }
      DeleteDC(dc);
    }
    if (mode != nullptr) GlobalUnlock(printer.dialog.hDevMode);
  }
  showCursor();
  return result;
}
