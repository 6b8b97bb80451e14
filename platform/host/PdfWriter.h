#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace omhost {

// One printed page: the printable area's pixels (0x00RRGGBB, top row first, `width` a row)
// placed `offsetX`, `offsetY` pixels into a sheet of the physical size.
struct PdfPage {
  const std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int dotsPerInch = 300;
  int offsetX = 0;
  int offsetY = 0;
  int physicalWidth = 0;
  int physicalHeight = 0;
};

// The file under the writer: once a write fails (or the job is abandoned) nothing more
// reaches it.
struct PdfFileSink {
  std::FILE* file = nullptr;
  bool failed = false;
};

// Writes a PDF file through cairo, page by page, each page one losslessly compressed image at
// its own resolution. The file grows under a temporary name and takes its final name only
// when finished, so an abandoned job leaves nothing behind.
class PdfWriter {
 public:
  PdfWriter() = default;
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;
  ~PdfWriter();

  // False when the temporary file cannot be made.
  bool open(const std::string& temporaryPath);
  bool addPage(const PdfPage& page);
  // Sets the title (UTF-8), completes the file and renames it to `finalPath`.
  bool finish(const std::string& title, const std::string& finalPath);
  // Closes and deletes the temporary file.
  void abandon();
  int pageCount() const { return pageCount_; }

 private:
  void closeSurface();

  PdfFileSink sink_;
  cairo_surface_t* surface_ = nullptr;
  std::string temporaryPath_;
  int pageCount_ = 0;
};

}  // namespace omhost
