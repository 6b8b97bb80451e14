#include "platform/src/smacker/FfmpegLibrary.h"

#include <dlfcn.h>

#include <cstdlib>

namespace omsmack {

namespace {

// The library of this major version, the one the headers describe.
void* openLibrary(const char* name, int major, std::string& why)
{
  const std::string soname = std::string(name) + ".so." + std::to_string(major);
  void* library = ::dlopen(soname.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!library && why.empty()) {
    const char* error = ::dlerror();
    why = error ? error : "cannot open " + soname;
  }
  return library;
}

template <typename Function>
void bind(void* library, const char* name, Function& to, std::string& why)
{
  if (library) to = reinterpret_cast<Function>(::dlsym(library, name));
  if (!to && why.empty()) why = std::string("no ") + name + " in FFmpeg's libraries";
}

}  // namespace

const FfmpegLibrary* FfmpegLibrary::load(std::string& why)
{
  // Opened for good: decoders may still run on other threads at exit.
  static FfmpegLibrary library;
  static const std::string failure = library.open();
  if (!failure.empty()) {
    why = "FFmpeg cannot be loaded: " + failure;
    return nullptr;
  }
  return &library;
}

std::string FfmpegLibrary::open()
{
  std::string why;
  void* util = openLibrary("libavutil", LIBAVUTIL_VERSION_MAJOR, why);
  void* codec = openLibrary("libavcodec", LIBAVCODEC_VERSION_MAJOR, why);
  void* format = openLibrary("libavformat", LIBAVFORMAT_VERSION_MAJOR, why);
#define OM_BIND(library, name) bind(library, #name, name, why)
  OM_BIND(util, av_log_set_level);
  OM_BIND(util, av_malloc);
  OM_BIND(util, av_free);
  OM_BIND(util, av_freep);
  OM_BIND(util, av_frame_alloc);
  OM_BIND(util, av_frame_free);
  OM_BIND(util, av_get_packed_sample_fmt);
  OM_BIND(util, av_get_bytes_per_sample);
  OM_BIND(util, av_sample_fmt_is_planar);
  OM_BIND(codec, av_packet_alloc);
  OM_BIND(codec, av_packet_free);
  OM_BIND(codec, av_packet_unref);
  OM_BIND(codec, avcodec_find_decoder);
  OM_BIND(codec, avcodec_alloc_context3);
  OM_BIND(codec, avcodec_free_context);
  OM_BIND(codec, avcodec_parameters_to_context);
  OM_BIND(codec, avcodec_open2);
  OM_BIND(codec, avcodec_send_packet);
  OM_BIND(codec, avcodec_receive_frame);
  OM_BIND(format, avio_alloc_context);
  OM_BIND(format, avio_context_free);
  OM_BIND(format, avformat_alloc_context);
  OM_BIND(format, avformat_open_input);
  OM_BIND(format, avformat_close_input);
  OM_BIND(format, av_find_input_format);
  OM_BIND(format, av_read_frame);
#undef OM_BIND
  if (why.empty()) av_log_set_level(std::getenv("OM_TRACE") ? AV_LOG_WARNING : AV_LOG_QUIET);
  return why;
}

}  // namespace omsmack
