#include "platform/host/PdfWriter.h"

#include <cairo-pdf.h>
#include <cairo.h>

namespace omhost {

namespace {

double points(int pixels, int dotsPerInch)
{
  return pixels * 72.0 / dotsPerInch;
}

cairo_status_t writeChunk(void* closure, const unsigned char* data, unsigned int length)
{
  auto* sink = static_cast<PdfFileSink*>(closure);
  if (sink->failed || sink->file == nullptr || std::fwrite(data, 1, length, sink->file) != length) {
    sink->failed = true;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

PdfWriter::~PdfWriter()
{
  abandon();
}

bool PdfWriter::open(const std::string& temporaryPath)
{
  abandon();
  sink_.file = std::fopen(temporaryPath.c_str(), "wb");
  if (sink_.file == nullptr) return false;
  temporaryPath_ = temporaryPath;
  sink_.failed = false;
  pageCount_ = 0;
  // Each page sets its own size before it is drawn; this one is never used.
  surface_ = cairo_pdf_surface_create_for_stream(&writeChunk, &sink_, 612, 792);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
    abandon();
    return false;
  }
  return true;
}

bool PdfWriter::addPage(const PdfPage& page)
{
  if (surface_ == nullptr || sink_.failed || page.pixels == nullptr || page.width <= 0 ||
      page.height <= 0 || page.dotsPerInch <= 0) {
    return false;
  }
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, page.width);
  if (stride != page.width * 4) return false;
  // Cairo only reads the pixels; it copies them into the file before the page ends.
  cairo_surface_t* image = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(page.pixels)), CAIRO_FORMAT_RGB24,
      page.width, page.height, stride);
  cairo_pdf_surface_set_size(surface_, points(page.physicalWidth, page.dotsPerInch),
                             points(page.physicalHeight, page.dotsPerInch));
  cairo_t* cr = cairo_create(surface_);
  cairo_translate(cr, points(page.offsetX, page.dotsPerInch),
                  points(page.offsetY, page.dotsPerInch));
  cairo_scale(cr, 72.0 / page.dotsPerInch, 72.0 / page.dotsPerInch);
  cairo_set_source_surface(cr, image, 0, 0);
  // Printed pixels stay sharp squares however far the reader enlarges them.
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_show_page(cr);
  const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_destroy(image);
  if (!drawn || sink_.failed) return false;
  ++pageCount_;
  return true;
}

bool PdfWriter::finish(const std::string& title, const std::string& finalPath)
{
  if (surface_ == nullptr || sink_.failed || pageCount_ == 0) {
    abandon();
    return false;
  }
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title.c_str());
  cairo_surface_finish(surface_);
  const bool written = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS && !sink_.failed;
  closeSurface();
  const bool closed = std::fclose(sink_.file) == 0;
  sink_.file = nullptr;
  if (!written || !closed || std::rename(temporaryPath_.c_str(), finalPath.c_str()) != 0) {
    std::remove(temporaryPath_.c_str());
    temporaryPath_.clear();
    return false;
  }
  temporaryPath_.clear();
  return true;
}

void PdfWriter::closeSurface()
{
  if (surface_ == nullptr) return;
  cairo_surface_destroy(surface_);
  surface_ = nullptr;
}

void PdfWriter::abandon()
{
  // What cairo writes while it lets go of the document is dropped.
  sink_.failed = true;
  closeSurface();
  if (sink_.file != nullptr) {
    std::fclose(sink_.file);
    sink_.file = nullptr;
  }
  if (!temporaryPath_.empty()) std::remove(temporaryPath_.c_str());
  temporaryPath_.clear();
  pageCount_ = 0;
}

}  // namespace omhost
