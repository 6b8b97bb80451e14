#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <wingdi.h>

namespace omgdi {

// A printer: its names and its sheet in portrait, in device pixels.
struct PrinterModel {
  std::string name;
  std::string driver = "WINSPOOL";
  std::string port = "PDF:";
  int dotsPerInch = 300;
  int physicalWidth = 2550;
  int physicalHeight = 3300;
  int offsetX = 75;
  int offsetY = 75;
  int rasterCaps = RC_BITMAP64 | RC_STRETCHDIB;
};

// The printers there are: "OM PDF Printer" (US Letter at 300 dpi, a quarter inch unprintable
// on each side) and whatever a test adds. The default is the one OM_PRINTER names, none for
// "none", else the first.
class PrinterTable {
 public:
  static PrinterTable& instance();

  const PrinterModel* find(std::string_view name) const;
  const PrinterModel* defaultPrinter() const;
  // The default printer's "device,driver,port", or empty without one.
  std::string defaultEntry() const;
  // Adds a printer, or replaces the one of the same name.
  void add(const PrinterModel& model);
  void remove(std::string_view name);

 private:
  PrinterTable();
  std::vector<PrinterModel> printers_;
};

// A printer's context: it draws into a white 24-bit page of the printable size.
HDC createPrinterDC(const PrinterModel& model, bool landscape);
bool isPrinterDC(HDC hdc);
// GetDeviceCaps for a printer's context.
int printerDeviceCaps(HDC hdc, int index);
// DeleteDC of a printer's context: an unfinished document is dropped, the page freed.
void endPrinterDC(HDC hdc);

}  // namespace omgdi
