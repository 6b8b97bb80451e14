// Printers whose pages become PDF files: the printer table, the printer's device context and
// the document calls.
#include "platform/src/gdi/Printer.h"

#include <sys/stat.h>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

#include <windows.h>

#include "platform/host/PdfWriter.h"
#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/GdiBitmap.h"
#include "platform/src/gdi/StockObjects.h"
#include "platform/src/kernel/Codepage.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace omgdi {

PrinterTable& PrinterTable::instance()
{
  static PrinterTable table;
  return table;
}

PrinterTable::PrinterTable()
{
  PrinterModel pdf;
  pdf.name = "OM PDF Printer";
  printers_.push_back(pdf);
}

namespace {

bool sameName(const PrinterModel& model, std::string_view name)
{
  return model.name.size() == name.size() &&
         _strnicmp(model.name.c_str(), name.data(), name.size()) == 0;
}

}  // namespace

const PrinterModel* PrinterTable::find(std::string_view name) const
{
  const auto found = std::find_if(printers_.begin(), printers_.end(),
                                  [&](const auto& model) { return sameName(model, name); });
  return found == printers_.end() ? nullptr : &*found;
}

const PrinterModel* PrinterTable::defaultPrinter() const
{
  const char* chosen = std::getenv("OM_PRINTER");
  if (chosen != nullptr && *chosen != '\0') return find(chosen);
  return printers_.empty() ? nullptr : &printers_.front();
}

std::string PrinterTable::defaultEntry() const
{
  const PrinterModel* model = defaultPrinter();
  return model == nullptr ? std::string() : model->name + "," + model->driver + "," + model->port;
}

void PrinterTable::add(const PrinterModel& model)
{
  remove(model.name);
  printers_.push_back(model);
}

void PrinterTable::remove(std::string_view name)
{
  const std::string kept(name);
  std::erase_if(printers_, [&](const auto& model) { return sameName(model, kept); });
}

namespace {

struct PrinterContext {
  PrinterModel model;
  bool landscape = false;
  HGDIOBJ page = nullptr;
  int job = 0;
  bool pageOpen = false;
  std::string title;
  std::string path;
  omhost::PdfWriter writer;

  int sheetWidth() const { return landscape ? model.physicalHeight : model.physicalWidth; }
  int sheetHeight() const { return landscape ? model.physicalWidth : model.physicalHeight; }
  int offsetX() const { return landscape ? model.offsetY : model.offsetX; }
  int offsetY() const { return landscape ? model.offsetX : model.offsetY; }
  int pageWidth() const { return sheetWidth() - 2 * offsetX(); }
  int pageHeight() const { return sheetHeight() - 2 * offsetY(); }
};

std::map<HDC, std::unique_ptr<PrinterContext>>& printerContexts()
{
  static std::map<HDC, std::unique_ptr<PrinterContext>> contexts;
  return contexts;
}

PrinterContext* findPrinter(HDC hdc)
{
  const auto found = printerContexts().find(hdc);
  return found == printerContexts().end() ? nullptr : found->second.get();
}

Surface* pageSurface(PrinterContext& printer)
{
  GdiBitmap* bitmap = lookup<GdiBitmap>(printer.page, OBJ_BITMAP);
  return bitmap == nullptr ? nullptr : &bitmap->surface();
}

void whiten(Surface& surface)
{
  std::fill_n(surface.pixels(), surface.byteSize(), std::uint8_t{0xFF});
}

// A document name as a file name: letters, digits, blanks, '-', '_' and '.' stay, the rest
// becomes '_'.
std::string safeFileName(const char* name)
{
  std::string safe;
  for (const char* c = name; c != nullptr && *c != '\0'; ++c) {
    const bool plain = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') ||
                       (*c >= '0' && *c <= '9') || *c == ' ' || *c == '-' || *c == '_' ||
                       (*c == '.' && !safe.empty());
    safe += plain ? *c : '_';
  }
  return safe.empty() ? std::string("Document") : safe;
}

bool exists(const std::string& path)
{
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

// The first free "<name>-N.pdf" in the print folder. The numbers are handed out in order, so
// the taken ones run from 1: the first free one is found by doubling and halving rather than
// one by one, as a long session may print thousands of jobs.
std::string outputPathFor(const char* documentName)
{
  const char* folder = std::getenv("OM_PRINT_DIR");
  std::string prefix = folder != nullptr && *folder != '\0' ? std::string(folder) : ".";
  if (prefix.back() != '/') prefix += '/';
  prefix += safeFileName(documentName) + "-";
  const auto pathOf = [&prefix](long long n) { return prefix + std::to_string(n) + ".pdf"; };
  const auto taken = [&pathOf](long long n) {
    const std::string path = pathOf(n);
    return exists(path) || exists(path + ".part");
  };
  if (!taken(1)) return pathOf(1);
  long long lastTaken = 1, free = 2;
  while (taken(free)) {
    lastTaken = free;
    free *= 2;
  }
  while (free - lastTaken > 1) {
    const long long middle = lastTaken + (free - lastTaken) / 2;
    (taken(middle) ? lastTaken : free) = middle;
  }
  return pathOf(free);
}

}  // namespace

HDC createPrinterDC(const PrinterModel& model, bool landscape)
{
  auto printer = std::make_unique<PrinterContext>();
  printer->model = model;
  printer->landscape = landscape;
  if (printer->pageWidth() <= 0 || printer->pageHeight() <= 0 ||
      !Surface::fitsInMemory(printer->pageWidth(), printer->pageHeight(), 24)) {
    return nullptr;
  }
  auto surface = std::make_unique<Surface>(printer->pageWidth(), printer->pageHeight(), 24, true);
  whiten(*surface);
  printer->page = registerObject(std::make_unique<GdiBitmap>(std::move(surface), false));
  const HDC hdc = registerDC(std::make_unique<DeviceContext>(DeviceContext::Kind::memory, nullptr));
  SelectObject(hdc, printer->page);
  printerContexts()[hdc] = std::move(printer);
  return hdc;
}

bool isPrinterDC(HDC hdc)
{
  return findPrinter(hdc) != nullptr;
}

int printerDeviceCaps(HDC hdc, int index)
{
  const PrinterContext* printer = findPrinter(hdc);
  if (printer == nullptr) return 0;
  switch (index) {
    case HORZRES:
      return printer->pageWidth();
    case VERTRES:
      return printer->pageHeight();
    case PHYSICALWIDTH:
      return printer->sheetWidth();
    case PHYSICALHEIGHT:
      return printer->sheetHeight();
    case PHYSICALOFFSETX:
      return printer->offsetX();
    case PHYSICALOFFSETY:
      return printer->offsetY();
    case LOGPIXELSX:
    case LOGPIXELSY:
      return printer->model.dotsPerInch;
    case BITSPIXEL:
      return 24;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return -1;
    case RASTERCAPS:
      return printer->model.rasterCaps;
    default:
      return 0;
  }
}

void endPrinterDC(HDC hdc)
{
  const auto found = printerContexts().find(hdc);
  if (found == printerContexts().end()) return;
  std::unique_ptr<PrinterContext> printer = std::move(found->second);
  printerContexts().erase(found);
  printer->writer.abandon();
  SelectObject(hdc, defaultBitmap());
  DeleteObject(printer->page);
}

}  // namespace omgdi

using namespace omgdi;

int StartDocA(HDC hdc, const DOCINFOA* info)
{
  PrinterContext* printer = findPrinter(hdc);
  if (printer == nullptr || info == nullptr || printer->job != 0) return SP_ERROR;
  std::string path;
  if (info->lpszOutput != nullptr) {
    const std::optional<std::string> host = omwin::hostPathFor(info->lpszOutput);
    if (!host) return SP_ERROR;
    path = *host;
  } else {
    path = outputPathFor(info->lpszDocName);
  }
  if (!printer->writer.open(path + ".part")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return SP_ERROR;
  }
  static int lastJob = 0;
  printer->job = ++lastJob;
  printer->title = info->lpszDocName != nullptr ? info->lpszDocName : "";
  printer->path = path;
  printer->pageOpen = false;
  return printer->job;
}

int StartPage(HDC hdc)
{
  PrinterContext* printer = findPrinter(hdc);
  Surface* page = printer == nullptr ? nullptr : pageSurface(*printer);
  if (page == nullptr || printer->job == 0 || printer->pageOpen) return SP_ERROR;
  whiten(*page);
  printer->pageOpen = true;
  return 1;
}

int EndPage(HDC hdc)
{
  PrinterContext* printer = findPrinter(hdc);
  Surface* page = printer == nullptr ? nullptr : pageSurface(*printer);
  if (page == nullptr || !printer->pageOpen) return SP_ERROR;
  printer->pageOpen = false;
  const int width = page->width();
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * page->height());
  for (int y = 0; y < page->height(); ++y)
    page->readRow(0, y, width, pixels.data() + static_cast<std::size_t>(y) * width);
  omhost::PdfPage sheet;
  sheet.pixels = pixels.data();
  sheet.width = width;
  sheet.height = page->height();
  sheet.dotsPerInch = printer->model.dotsPerInch;
  sheet.offsetX = printer->offsetX();
  sheet.offsetY = printer->offsetY();
  sheet.physicalWidth = printer->sheetWidth();
  sheet.physicalHeight = printer->sheetHeight();
  return printer->writer.addPage(sheet) ? 1 : SP_ERROR;
}

int EndDoc(HDC hdc)
{
  PrinterContext* printer = findPrinter(hdc);
  if (printer == nullptr || printer->job == 0) return SP_ERROR;
  if (printer->pageOpen) EndPage(hdc);
  printer->job = 0;
  return printer->writer.finish(omwin::cp1252ToUtf8(printer->title), printer->path) ? 1 : SP_ERROR;
}

int AbortDoc(HDC hdc)
{
  PrinterContext* printer = findPrinter(hdc);
  if (printer == nullptr || printer->job == 0) return SP_ERROR;
  printer->writer.abandon();
  printer->job = 0;
  printer->pageOpen = false;
  return 1;
}

BOOL GdiFlush(void)
{
  return TRUE;
}
