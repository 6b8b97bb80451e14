#include "platform/host/PdfWriter.h"

#include <zlib.h>
#include <cstdio>

namespace omhost {

namespace {

constexpr int catalogObject = 1;
constexpr int pagesObject = 2;
constexpr int infoObject = 3;

std::string points(int pixels, int dotsPerInch)
{
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", pixels * 72.0 / dotsPerInch);
  return text;
}

// A PDF literal string: parentheses and backslashes escaped, bytes outside printable ASCII
// written in octal.
std::string literalString(const std::string& text)
{
  std::string out = "(";
  for (const unsigned char c : text) {
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c > 0x7E) {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", c);
      out += octal;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + ")";
}

bool deflate(const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>& out)
{
  uLongf size = compressBound(static_cast<uLong>(in.size()));
  out.resize(size);
  if (compress2(out.data(), &size, in.data(), static_cast<uLong>(in.size()), 6) != Z_OK) {
    return false;
  }
  out.resize(size);
  return true;
}

}  // namespace

PdfWriter::~PdfWriter()
{
  abandon();
}

bool PdfWriter::open(const std::string& temporaryPath)
{
  abandon();
  file_ = std::fopen(temporaryPath.c_str(), "wb");
  if (file_ == nullptr) return false;
  temporaryPath_ = temporaryPath;
  position_ = 0;
  failed_ = false;
  offsets_.assign(3, 0);
  pageObjects_.clear();
  write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  return !failed_;
}

void PdfWriter::write(const std::string& text)
{
  writeBytes(text.data(), text.size());
}

void PdfWriter::writeBytes(const void* data, std::size_t size)
{
  if (file_ == nullptr || failed_) return;
  if (std::fwrite(data, 1, size, file_) != size) failed_ = true;
  position_ += static_cast<long>(size);
}

int PdfWriter::beginObject()
{
  offsets_.push_back(0);
  return static_cast<int>(offsets_.size());
}

bool PdfWriter::writeStream(int object, const std::string& dictionary,
                            const std::vector<std::uint8_t>& data)
{
  offsets_[static_cast<std::size_t>(object - 1)] = position_;
  write(std::to_string(object) + " 0 obj\n<<" + dictionary + " /Length " +
        std::to_string(data.size()) + " >>\nstream\n");
  writeBytes(data.data(), data.size());
  write("\nendstream\nendobj\n");
  return !failed_;
}

bool PdfWriter::addPage(const PdfPage& page)
{
  if (file_ == nullptr || failed_ || page.rgb == nullptr || page.width <= 0 || page.height <= 0 ||
      page.dotsPerInch <= 0) {
    return false;
  }
  std::vector<std::uint8_t> pixels;
  pixels.reserve(static_cast<std::size_t>(page.width) * 3 * page.height);
  for (int y = 0; y < page.height; ++y) {
    const std::uint8_t* row = page.rgb + static_cast<std::size_t>(y) * page.stride;
    pixels.insert(pixels.end(), row, row + static_cast<std::size_t>(page.width) * 3);
  }
  std::vector<std::uint8_t> packed;
  if (!deflate(pixels, packed)) return false;
  const int image = beginObject();
  const int content = beginObject();
  const int pageObject = beginObject();
  writeStream(image,
              " /Type /XObject /Subtype /Image /Width " + std::to_string(page.width) + " /Height " +
                  std::to_string(page.height) +
                  " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode",
              packed);
  // PDF measures from the sheet's bottom-left corner in points.
  const int bottom = page.physicalHeight - page.offsetY - page.height;
  const std::string drawing = "q " + points(page.width, page.dotsPerInch) + " 0 0 " +
                              points(page.height, page.dotsPerInch) + " " +
                              points(page.offsetX, page.dotsPerInch) + " " +
                              points(bottom, page.dotsPerInch) + " cm /Im0 Do Q\n";
  writeStream(content, "", std::vector<std::uint8_t>(drawing.begin(), drawing.end()));
  offsets_[static_cast<std::size_t>(pageObject - 1)] = position_;
  write(std::to_string(pageObject) + " 0 obj\n<< /Type /Page /Parent " +
        std::to_string(pagesObject) + " 0 R /MediaBox [0 0 " +
        points(page.physicalWidth, page.dotsPerInch) + " " +
        points(page.physicalHeight, page.dotsPerInch) + "] /Resources << /XObject << /Im0 " +
        std::to_string(image) + " 0 R >> >> /Contents " + std::to_string(content) +
        " 0 R >>\nendobj\n");
  pageObjects_.push_back(pageObject);
  return !failed_;
}

bool PdfWriter::finish(const std::string& title, const std::string& finalPath)
{
  if (file_ == nullptr || failed_ || pageObjects_.empty()) {
    abandon();
    return false;
  }
  offsets_[catalogObject - 1] = position_;
  write("1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  offsets_[pagesObject - 1] = position_;
  std::string kids;
  for (const int page : pageObjects_)
    kids += std::to_string(page) + " 0 R ";
  write("2 0 obj\n<< /Type /Pages /Kids [" + kids + "] /Count " +
        std::to_string(pageObjects_.size()) + " >>\nendobj\n");
  offsets_[infoObject - 1] = position_;
  write("3 0 obj\n<< /Title " + literalString(title) + " /Producer (OM) >>\nendobj\n");
  const long table = position_;
  write("xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n");
  for (const long offset : offsets_) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010ld 00000 n \n", offset);
    write(entry);
  }
  write("trailer\n<< /Size " + std::to_string(offsets_.size() + 1) +
        " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n");
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (failed_ || !closed || std::rename(temporaryPath_.c_str(), finalPath.c_str()) != 0) {
    std::remove(temporaryPath_.c_str());
    temporaryPath_.clear();
    return false;
  }
  temporaryPath_.clear();
  return true;
}

void PdfWriter::abandon()
{
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporaryPath_.empty()) std::remove(temporaryPath_.c_str());
  temporaryPath_.clear();
  pageObjects_.clear();
}

}  // namespace omhost
