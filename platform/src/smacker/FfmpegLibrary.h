#pragma once

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace omsmack {

// FFmpeg's calls that the movie decoder makes, reached through libraries opened on the first
// movie: linked in, they and the hundred shared objects they need were loaded before the
// first frame of every start, movie or not.
class FfmpegLibrary {
 public:
  // The libraries, opened once; nullptr with `why` set when they cannot be opened.
  static const FfmpegLibrary* load(std::string& why);

  decltype(&::av_log_set_level) av_log_set_level = nullptr;
  decltype(&::av_malloc) av_malloc = nullptr;
  decltype(&::av_free) av_free = nullptr;
  decltype(&::av_freep) av_freep = nullptr;
  decltype(&::av_frame_alloc) av_frame_alloc = nullptr;
  decltype(&::av_frame_free) av_frame_free = nullptr;
  decltype(&::av_get_packed_sample_fmt) av_get_packed_sample_fmt = nullptr;
  decltype(&::av_get_bytes_per_sample) av_get_bytes_per_sample = nullptr;
  decltype(&::av_sample_fmt_is_planar) av_sample_fmt_is_planar = nullptr;

  decltype(&::av_packet_alloc) av_packet_alloc = nullptr;
  decltype(&::av_packet_free) av_packet_free = nullptr;
  decltype(&::av_packet_unref) av_packet_unref = nullptr;
  decltype(&::avcodec_find_decoder) avcodec_find_decoder = nullptr;
  decltype(&::avcodec_alloc_context3) avcodec_alloc_context3 = nullptr;
  decltype(&::avcodec_free_context) avcodec_free_context = nullptr;
  decltype(&::avcodec_parameters_to_context) avcodec_parameters_to_context = nullptr;
  decltype(&::avcodec_open2) avcodec_open2 = nullptr;
  decltype(&::avcodec_send_packet) avcodec_send_packet = nullptr;
  decltype(&::avcodec_receive_frame) avcodec_receive_frame = nullptr;

  decltype(&::avio_alloc_context) avio_alloc_context = nullptr;
  decltype(&::avio_context_free) avio_context_free = nullptr;
  decltype(&::avformat_alloc_context) avformat_alloc_context = nullptr;
  decltype(&::avformat_open_input) avformat_open_input = nullptr;
  decltype(&::avformat_close_input) avformat_close_input = nullptr;
  decltype(&::av_find_input_format) av_find_input_format = nullptr;
  decltype(&::av_read_frame) av_read_frame = nullptr;

 private:
  // Empty when every call was found, else what is missing.
  std::string open();
};

}  // namespace omsmack
