#include "platform/src/smacker/SmackerDecoder.h"

#include <cstring>
#include <map>

#include "platform/src/smacker/FfmpegLibrary.h"

namespace omsmack {

namespace {

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  int read(std::uint8_t* buffer, int size) override
  {
    const std::size_t n = std::min<std::size_t>(bytes_.size() - at_, std::size_t(size));
    std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return static_cast<int>(n);
  }
  bool seek(std::uint64_t offset) override
  {
    if (offset > bytes_.size()) return false;
    at_ = static_cast<std::size_t>(offset);
    return true;
  }
  std::uint64_t size() const override { return bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

struct SourceCursor {
  ByteSource* source;
  std::uint64_t at = 0;
};

int readPacket(void* opaque, std::uint8_t* buffer, int size)
{
  auto* cursor = static_cast<SourceCursor*>(opaque);
  const int n = cursor->source->read(buffer, size);
  if (n < 0) return AVERROR(EIO);
  if (n == 0) return AVERROR_EOF;
  cursor->at += static_cast<std::uint64_t>(n);
  return n;
}

std::int64_t seekSource(void* opaque, std::int64_t offset, int whence)
{
  auto* cursor = static_cast<SourceCursor*>(opaque);
  const auto size = static_cast<std::int64_t>(cursor->source->size());
  if (whence & AVSEEK_SIZE) return size;
  std::int64_t to = offset;
  if ((whence & 3) == SEEK_CUR) to += static_cast<std::int64_t>(cursor->at);
  if ((whence & 3) == SEEK_END) to += size;
  if (to < 0 || to > size || !cursor->source->seek(static_cast<std::uint64_t>(to))) return -1;
  cursor->at = static_cast<std::uint64_t>(to);
  return to;
}

// Appends a decoded sound frame as interleaved PCM in the track's own sample size.
void appendSound(const FfmpegLibrary& ff, const AVFrame* frame, int bits, int channels,
                 std::vector<std::uint8_t>& out)
{
  const auto format = static_cast<AVSampleFormat>(frame->format);
  const AVSampleFormat packed = ff.av_get_packed_sample_fmt(format);
  if ((packed != AV_SAMPLE_FMT_U8 && packed != AV_SAMPLE_FMT_S16) ||
      frame->ch_layout.nb_channels != channels)
    return;
  const int size = ff.av_get_bytes_per_sample(format);
  const bool planar = ff.av_sample_fmt_is_planar(format);
  for (int i = 0; i < frame->nb_samples; ++i) {
    for (int c = 0; c < channels; ++c) {
      const std::uint8_t* at = planar ? frame->extended_data[c] + i * size
                                      : frame->extended_data[0] + (i * channels + c) * size;
      int value = size == 1 ? (int(at[0]) - 128) * 256 : std::int16_t(at[0] | at[1] << 8);
      if (bits == 8) {
        out.push_back(static_cast<std::uint8_t>((value >> 8) + 128));
      } else {
        out.push_back(static_cast<std::uint8_t>(value));
        out.push_back(static_cast<std::uint8_t>(value >> 8));
      }
    }
  }
}

}  // namespace

std::unique_ptr<ByteSource> memorySource(std::vector<std::uint8_t> bytes)
{
  return std::make_unique<MemorySource>(std::move(bytes));
}

struct SmackerDecoder::State {
  explicit State(const FfmpegLibrary& library) : ff(library) {}
  const FfmpegLibrary& ff;
  SourceCursor cursor{nullptr};
  SmackerHeader header;
  AVIOContext* io = nullptr;
  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  int videoStream = -1;
  std::vector<AVCodecContext*> audio;  // by stream
  std::vector<int> trackOf;            // header track by stream, -1 for none
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int nextNumber = 0;
  std::array<std::uint8_t, 768> palette{};

  ~State() { close(); }
  void close()
  {
    for (AVCodecContext*& codec : audio)
      ff.avcodec_free_context(&codec);
    audio.clear();
    ff.avcodec_free_context(&video);
    ff.avformat_close_input(&format);
    if (io) ff.av_freep(&io->buffer);
    ff.avio_context_free(&io);
    ff.av_packet_free(&packet);
    ff.av_frame_free(&frame);
  }
};

SmackerDecoder::SmackerDecoder() = default;
SmackerDecoder::~SmackerDecoder() = default;

bool SmackerDecoder::open(ByteSource& source, const SmackerHeader& header, std::string& why)
{
  const FfmpegLibrary* library = FfmpegLibrary::load(why);
  if (!library) return false;
  const FfmpegLibrary& ff = *library;
  state_ = std::make_unique<State>(ff);
  State& s = *state_;
  s.header = header;
  s.cursor.source = &source;
  if (!source.seek(0)) {
    why = "cannot read the file";
    return false;
  }
  constexpr int kBufferSize = 32768;
  auto* buffer = static_cast<std::uint8_t*>(ff.av_malloc(kBufferSize));
  s.io = ff.avio_alloc_context(buffer, kBufferSize, 0, &s.cursor, readPacket, nullptr, seekSource);
  s.format = ff.avformat_alloc_context();
  if (!s.io || !s.format) {
    if (!s.io) ff.av_free(buffer);
    why = "out of memory";
    return false;
  }
  s.format->pb = s.io;
  s.format->flags |= AVFMT_FLAG_CUSTOM_IO;
  // The demuxer is named: these files carry no extension to probe by.
  if (ff.avformat_open_input(&s.format, nullptr, ff.av_find_input_format("smk"), nullptr) < 0) {
    s.format = nullptr;
    why = "the demuxer refused the file";
    return false;
  }
  s.audio.assign(s.format->nb_streams, nullptr);
  s.trackOf.assign(s.format->nb_streams, -1);
  int track = 0;
  for (unsigned i = 0; i < s.format->nb_streams; ++i) {
    const AVCodecParameters* parameters = s.format->streams[i]->codecpar;
    const AVCodec* codec = ff.avcodec_find_decoder(parameters->codec_id);
    if (!codec) continue;
    AVCodecContext* context = ff.avcodec_alloc_context3(codec);
    if (!context || ff.avcodec_parameters_to_context(context, parameters) < 0) {
      ff.avcodec_free_context(&context);
      continue;
    }
    if (parameters->codec_type == AVMEDIA_TYPE_VIDEO && s.videoStream < 0) {
      // Edge blocks are coded whole: decode at the size the blocks cover, then crop.
      context->width = int((header.width + 3) & ~3u);
      context->height = int((header.height + 3) & ~3u);
      if (ff.avcodec_open2(context, codec, nullptr) < 0) {
        ff.avcodec_free_context(&context);
        continue;
      }
      s.video = context;
      s.videoStream = static_cast<int>(i);
    } else if (parameters->codec_type == AVMEDIA_TYPE_AUDIO) {
      while (track < 7 && !header.hasTrack(track))
        ++track;
      if (track < 7 && ff.avcodec_open2(context, codec, nullptr) >= 0) {
        s.audio[i] = context;
        s.trackOf[i] = track;
      } else {
        ff.avcodec_free_context(&context);
      }
      ++track;
    } else {
      ff.avcodec_free_context(&context);
    }
  }
  if (!s.video) {
    why = "no video decoder";
    return false;
  }
  s.packet = ff.av_packet_alloc();
  s.frame = ff.av_frame_alloc();
  return s.packet && s.frame;
}

bool SmackerDecoder::restart()
{
  // The demuxer cannot seek: start it again from the file's first byte.
  if (!state_) return false;
  ByteSource* source = state_->cursor.source;
  const SmackerHeader header = state_->header;
  std::string why;
  return open(*source, header, why);
}

bool SmackerDecoder::next(Frame& out, std::vector<std::uint8_t>& picture, unsigned trackMask)
{
  if (!state_ || !state_->format) return false;
  State& s = *state_;
  const FfmpegLibrary& ff = s.ff;
  out.pictureOk = false;
  for (auto& sound : out.sound)
    sound.clear();
  const int width = static_cast<int>(s.header.width);
  const int height = static_cast<int>(s.header.height);
  while (ff.av_read_frame(s.format, s.packet) >= 0) {
    const int stream = s.packet->stream_index;
    if (stream >= 0 && stream < static_cast<int>(s.audio.size()) && s.audio[stream]) {
      const int track = s.trackOf[stream];
      if ((trackMask >> track) & 1) {
        AVCodecContext* codec = s.audio[stream];
        if (ff.avcodec_send_packet(codec, s.packet) >= 0) {
          while (ff.avcodec_receive_frame(codec, s.frame) == 0)
            appendSound(ff, s.frame, s.header.trackBits(track), s.header.trackChannels(track),
                        out.sound[track]);
        }
      }
      ff.av_packet_unref(s.packet);
      continue;
    }
    if (stream != s.videoStream) {
      ff.av_packet_unref(s.packet);
      continue;
    }
    // Frames are numbered by their timestamps; a lost packet leaves its number out.
    const std::int64_t pts = s.packet->pts;
    out.number = pts != AV_NOPTS_VALUE && pts >= s.nextNumber && pts < std::int64_t(s.header.frames)
                     ? static_cast<int>(pts)
                     : s.nextNumber;
    s.nextNumber = out.number + 1;
    if (ff.avcodec_send_packet(s.video, s.packet) >= 0) {
      while (ff.avcodec_receive_frame(s.video, s.frame) == 0) {
        // A picture of another size than announced is not ours to copy.
        if (s.frame->format != AV_PIX_FMT_PAL8 || s.frame->width != s.video->width ||
            s.frame->height != s.video->height || s.frame->width < width ||
            s.frame->height < height)
          continue;
        picture.resize(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
          std::memcpy(picture.data() + static_cast<std::size_t>(y) * width,
                      s.frame->data[0] + static_cast<std::ptrdiff_t>(y) * s.frame->linesize[0],
                      static_cast<std::size_t>(width));
        for (int c = 0; c < 256; ++c) {
          std::uint32_t argb;
          std::memcpy(&argb, s.frame->data[1] + 4 * c, 4);
          s.palette[c * 3] = static_cast<std::uint8_t>(argb >> 16);
          s.palette[c * 3 + 1] = static_cast<std::uint8_t>(argb >> 8);
          s.palette[c * 3 + 2] = static_cast<std::uint8_t>(argb);
        }
        out.pictureOk = true;
      }
    }
    ff.av_packet_unref(s.packet);
    out.palette = s.palette;
    return true;
  }
  return false;
}

}  // namespace omsmack
