#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace omhost {

// One printed page: the printable area's pixels (8-bit red, green, blue, top row first,
// `stride` bytes a row) placed `offsetX`, `offsetY` pixels into a sheet of the physical size.
struct PdfPage {
  const std::uint8_t* rgb = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  int dotsPerInch = 300;
  int offsetX = 0;
  int offsetY = 0;
  int physicalWidth = 0;
  int physicalHeight = 0;
};

// Writes a PDF file page by page, each page one losslessly compressed image at its own
// resolution. The file grows under a temporary name and takes its final name only when
// finished, so an abandoned job leaves nothing behind.
class PdfWriter {
 public:
  PdfWriter() = default;
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;
  ~PdfWriter();

  // False when the temporary file cannot be made.
  bool open(const std::string& temporaryPath);
  bool addPage(const PdfPage& page);
  // Writes the page tree and the title, and renames the file to `finalPath`.
  bool finish(const std::string& title, const std::string& finalPath);
  // Closes and deletes the temporary file.
  void abandon();
  int pageCount() const { return static_cast<int>(pageObjects_.size()); }

 private:
  int beginObject();
  void write(const std::string& text);
  void writeBytes(const void* data, std::size_t size);
  bool writeStream(int object, const std::string& dictionary,
                   const std::vector<std::uint8_t>& data);

  std::FILE* file_ = nullptr;
  std::string temporaryPath_;
  long position_ = 0;
  bool failed_ = false;
  // Byte offsets of objects 1, 2, ...; objects 1 to 3 (catalogue, page tree, information)
  // are written last.
  std::vector<long> offsets_;
  std::vector<int> pageObjects_;
};

}  // namespace omhost
