#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tools/MovieSources.h"
#include "tools/SmackerWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

namespace {

using Bytes = SmackerWriter::Bytes;

struct Decoded {
  std::vector<Bytes> frames;  // indices, width x height
  std::vector<std::array<std::uint8_t, 768>> palettes;
  std::vector<Bytes> tracks;  // interleaved PCM as written
  std::string error;
};

struct MemoryReader {
  const Bytes* data;
  std::size_t at = 0;
};

int readMemory(void* opaque, std::uint8_t* buffer, int size)
{
  auto* reader = static_cast<MemoryReader*>(opaque);
  const std::size_t left = reader->data->size() - reader->at;
  const std::size_t n = std::min<std::size_t>(left, static_cast<std::size_t>(size));
  if (n == 0) return AVERROR_EOF;
  std::memcpy(buffer, reader->data->data() + reader->at, n);
  reader->at += n;
  return static_cast<int>(n);
}

std::int64_t seekMemory(void* opaque, std::int64_t offset, int whence)
{
  auto* reader = static_cast<MemoryReader*>(opaque);
  if (whence == AVSEEK_SIZE) return static_cast<std::int64_t>(reader->data->size());
  std::int64_t to = offset;
  if ((whence & 3) == SEEK_CUR) to += static_cast<std::int64_t>(reader->at);
  if ((whence & 3) == SEEK_END) to += static_cast<std::int64_t>(reader->data->size());
  if (to < 0 || to > static_cast<std::int64_t>(reader->data->size())) return -1;
  reader->at = static_cast<std::size_t>(to);
  return to;
}

void appendSamples(const AVFrame* frame, Bytes& out)
{
  const auto format = static_cast<AVSampleFormat>(frame->format);
  const int size = av_get_bytes_per_sample(format);
  const int channels = frame->ch_layout.nb_channels;
  const bool planar = av_sample_fmt_is_planar(format);
  for (int i = 0; i < frame->nb_samples; ++i) {
    for (int c = 0; c < channels; ++c) {
      const std::uint8_t* at = planar ? frame->extended_data[c] + i * size
                                      : frame->extended_data[0] + (i * channels + c) * size;
      out.insert(out.end(), at, at + size);
    }
  }
}

// Every frame and sample, through FFmpeg's own demuxer and decoders.
Decoded decodeWithFfmpeg(const Bytes& file)
{
  Decoded result;
  MemoryReader reader{&file};
  constexpr int kBufferSize = 4096;
  auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferSize));
  AVIOContext* io =
      avio_alloc_context(buffer, kBufferSize, 0, &reader, readMemory, nullptr, seekMemory);
  AVFormatContext* format = avformat_alloc_context();
  format->pb = io;
  av_log_set_level(getenv("OM_TRACE") ? AV_LOG_DEBUG : AV_LOG_QUIET);
  if (avformat_open_input(&format, nullptr, av_find_input_format("smk"), nullptr) < 0) {
    result.error = "open failed";
    avio_context_free(&io);
    return result;
  }
  avformat_find_stream_info(format, nullptr);
  std::vector<AVCodecContext*> codecs(format->nb_streams, nullptr);
  std::vector<int> trackOf(format->nb_streams, -1);
  int tracks = 0;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVCodecParameters* parameters = format->streams[i]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    codecs[i] = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(codecs[i], parameters);
    // Edge blocks are coded whole; the decoder decodes only whole blocks of its size.
    if (parameters->codec_type == AVMEDIA_TYPE_VIDEO) {
      codecs[i]->width = (parameters->width + 3) & ~3;
      codecs[i]->height = (parameters->height + 3) & ~3;
    }
    avcodec_open2(codecs[i], codec, nullptr);
    if (parameters->codec_type == AVMEDIA_TYPE_AUDIO) trackOf[i] = tracks++;
  }
  result.tracks.resize(tracks);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto drain = [&](unsigned stream) {
    while (avcodec_receive_frame(codecs[stream], frame) == 0) {
      if (codecs[stream]->codec_type == AVMEDIA_TYPE_VIDEO) {
        Bytes indices;
        const AVCodecParameters* parameters = format->streams[stream]->codecpar;
        for (int y = 0; y < parameters->height; ++y)
          indices.insert(indices.end(), frame->data[0] + y * frame->linesize[0],
                         frame->data[0] + y * frame->linesize[0] + parameters->width);
        result.frames.push_back(indices);
        std::array<std::uint8_t, 768> palette{};
        for (int c = 0; c < 256; ++c) {
          std::uint32_t argb;
          std::memcpy(&argb, frame->data[1] + 4 * c, 4);
          palette[c * 3] = static_cast<std::uint8_t>(argb >> 16);
          palette[c * 3 + 1] = static_cast<std::uint8_t>(argb >> 8);
          palette[c * 3 + 2] = static_cast<std::uint8_t>(argb);
        }
        result.palettes.push_back(palette);
      } else {
        appendSamples(frame, result.tracks[trackOf[stream]]);
      }
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    const unsigned stream = static_cast<unsigned>(packet->stream_index);
    if (const int e = avcodec_send_packet(codecs[stream], packet); e < 0)
      result.error =
          "a packet was refused: " + std::to_string(e) + " size " + std::to_string(packet->size);
    av_packet_unref(packet);
    drain(stream);
  }
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    avcodec_send_packet(codecs[i], nullptr);
    drain(i);
    avcodec_free_context(&codecs[i]);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avformat_close_input(&format);
  av_freep(&io->buffer);
  avio_context_free(&io);
  return result;
}

enum class Palettes { kNone, kFirst, kEvery };
enum class Content { kMixed, kSolid, kMono, kFull, kStill, kOneColour };

struct TrackCase {
  std::uint32_t rate;
  int bits;
  int channels;
  bool compressed;
};

struct MovieCase {
  const char* name;
  int width, height, frames;
  Palettes palettes;
  Content content;
  std::vector<TrackCase> tracks;
  std::int32_t frameTime = 6666;
  int keyInterval = 0;
};

std::array<std::uint8_t, 768> randomPalette(std::mt19937& random)
{
  std::array<std::uint8_t, 768> palette{};
  for (auto& c : palette)
    c = SmackerWriter::levelValue(static_cast<int>(random() % 64));
  return palette;
}

// Frames whose 4x4 blocks are, per content kind, one colour, two colours, noise, or kept.
SmackerWriter::Movie makeMovie(const MovieCase& movieCase)
{
  std::mt19937 random(
      static_cast<unsigned>(movieCase.width * 7919 + movieCase.height * 31 + movieCase.frames));
  SmackerWriter::Movie movie;
  movie.width = movieCase.width;
  movie.height = movieCase.height;
  movie.frameTime = movieCase.frameTime;
  movie.keyInterval = movieCase.keyInterval;
  const std::array<std::uint8_t, 768> first = movieCase.palettes == Palettes::kNone
                                                  ? std::array<std::uint8_t, 768>{}
                                                  : randomPalette(random);
  const std::size_t pixels = static_cast<std::size_t>(movieCase.width) * movieCase.height;
  for (int f = 0; f < movieCase.frames; ++f) {
    SmackerWriter::Frame frame;
    frame.palette = first;
    if (movieCase.palettes == Palettes::kEvery && f > 0) {
      frame.palette = movie.frames.back().palette;
      // Some entries new, a run moved from elsewhere, the rest kept.
      for (int n = 0; n < 5; ++n)
        frame.palette[random() % 768] = SmackerWriter::levelValue(static_cast<int>(random() % 64));
      const int to = static_cast<int>(random() % 200), from = static_cast<int>(random() % 200);
      std::copy_n(movie.frames.back().palette.begin() + from * 3, 30,
                  frame.palette.begin() + to * 3);
    }
    frame.indices.assign(pixels, 0);
    for (int by = 0; by * 4 < movieCase.height; ++by) {
      for (int bx = 0; bx * 4 < movieCase.width; ++bx) {
        Content kind = movieCase.content;
        if (kind == Content::kMixed) kind = static_cast<Content>(1 + random() % 4);
        if (kind == Content::kStill && f == 0) kind = Content::kFull;
        const std::uint8_t a = static_cast<std::uint8_t>(random()),
                           b = static_cast<std::uint8_t>(a + 1 + random() % 255);
        for (int y = by * 4; y < std::min(movieCase.height, by * 4 + 4); ++y) {
          for (int x = bx * 4; x < std::min(movieCase.width, bx * 4 + 4); ++x) {
            std::uint8_t& p = frame.indices[static_cast<std::size_t>(y) * movieCase.width + x];
            switch (kind) {
              case Content::kSolid:
                p = a;
                break;
              case Content::kMono:
                p = ((x ^ y) & 1) ? a : b;
                break;
              case Content::kFull:
                p = static_cast<std::uint8_t>(random());
                break;
              case Content::kStill:
                p = movie.frames.back().indices[static_cast<std::size_t>(y) * movieCase.width + x];
                break;
              case Content::kOneColour:
                p = 7;
                break;
              case Content::kMixed:
                break;
            }
          }
        }
      }
    }
    movie.frames.push_back(std::move(frame));
  }
  for (const TrackCase& t : movieCase.tracks) {
    SmackerWriter::Track track{t.rate, t.bits, t.channels, t.compressed, {}};
    const std::size_t count = static_cast<std::size_t>(std::uint64_t(t.rate) * movieCase.frameTime *
                                                       movieCase.frames / 100000);
    // A sweep with noise: small and large deltas both.
    for (std::size_t i = 0; i < count * t.channels; ++i) {
      const int value = static_cast<int>((i * 37) % 2000) - 1000 + static_cast<int>(random() % 64);
      if (t.bits == 8) {
        track.samples.push_back(static_cast<std::uint8_t>(128 + value / 8));
      } else {
        track.samples.push_back(static_cast<std::uint8_t>(value * 20));
        track.samples.push_back(static_cast<std::uint8_t>((value * 20) >> 8));
      }
    }
    movie.tracks.push_back(std::move(track));
  }
  return movie;
}

void PrintTo(const MovieCase& movie, std::ostream* out)
{
  *out << movie.name;
}

class SmackerWriterMovies : public ::testing::TestWithParam<MovieCase> {};

// What FFmpeg decodes from our movies is exactly what went in.
TEST_P(SmackerWriterMovies, DecodeToTheSource)
{
  const MovieCase& movieCase = GetParam();
  const SmackerWriter::Movie movie = makeMovie(movieCase);
  SmackerWriter writer;
  Bytes file;
  ASSERT_TRUE(writer.write(movie, file)) << writer.error();
  const Decoded decoded = decodeWithFfmpeg(file);
  ASSERT_EQ(decoded.error, "");
  ASSERT_EQ(decoded.frames.size(), movie.frames.size());
  for (std::size_t f = 0; f < movie.frames.size(); ++f) {
    ASSERT_EQ(decoded.frames[f], movie.frames[f].indices) << "frame " << f;
    ASSERT_EQ(decoded.palettes[f], movie.frames[f].palette) << "palette " << f;
  }
  ASSERT_EQ(decoded.tracks.size(), movie.tracks.size());
  for (std::size_t t = 0; t < movie.tracks.size(); ++t) {
    // FFmpeg hands 8-bit samples back as they are and 16-bit ones as signed native words.
    EXPECT_EQ(decoded.tracks[t], movie.tracks[t].samples) << "track " << t;
  }
}

const TrackCase k16MonoPacked{22050, 16, 1, true};
const TrackCase k8StereoPacked{11025, 8, 2, true};
const TrackCase k16StereoRaw{22050, 16, 2, false};
const TrackCase k8MonoRaw{11025, 8, 1, false};
const TrackCase k16StereoPacked{11025, 16, 2, true};
const TrackCase k8MonoPacked{22050, 8, 1, true};

INSTANTIATE_TEST_SUITE_P(
    Movies, SmackerWriterMovies,
    ::testing::Values(
        MovieCase{"OnePixel", 1, 1, 1, Palettes::kFirst, Content::kMixed, {}},
        MovieCase{"OnePixelNoPalette", 1, 1, 3, Palettes::kNone, Content::kOneColour, {}},
        MovieCase{"Tiny3x5", 3, 5, 4, Palettes::kEvery, Content::kMixed, {}},
        MovieCase{"Odd7x9", 7, 9, 6, Palettes::kFirst, Content::kFull, {}},
        MovieCase{"Solid", 16, 16, 5, Palettes::kFirst, Content::kSolid, {}},
        MovieCase{"Mono", 17, 13, 5, Palettes::kFirst, Content::kMono, {}},
        MovieCase{"Full", 12, 12, 5, Palettes::kEvery, Content::kFull, {}},
        MovieCase{"Still", 20, 20, 8, Palettes::kFirst, Content::kStill, {}},
        MovieCase{"OneColourEmptyTrees", 8, 8, 10, Palettes::kNone, Content::kOneColour, {}},
        MovieCase{"OneColourPalette", 30, 6, 3, Palettes::kEvery, Content::kOneColour, {}},
        MovieCase{"LongRuns", 640, 8, 3, Palettes::kFirst, Content::kSolid, {}},
        MovieCase{"ManyFrames", 8, 8, 200, Palettes::kEvery, Content::kMixed, {}},
        MovieCase{"KeyFrames", 24, 24, 20, Palettes::kEvery, Content::kMixed, {}, 6666, 5},
        MovieCase{"WholeScreen", 640, 480, 2, Palettes::kFirst, Content::kMixed, {}},
        MovieCase{"WideOdd", 641, 3, 2, Palettes::kFirst, Content::kMixed, {}},
        MovieCase{"Sound16Mono", 8, 8, 10, Palettes::kFirst, Content::kMixed, {k16MonoPacked}},
        MovieCase{"Sound8Stereo", 8, 8, 10, Palettes::kFirst, Content::kMixed, {k8StereoPacked}},
        MovieCase{"Sound16StereoRaw", 8, 8, 10, Palettes::kFirst, Content::kMixed, {k16StereoRaw}},
        MovieCase{"Sound8MonoRaw", 8, 8, 10, Palettes::kFirst, Content::kMixed, {k8MonoRaw}},
        MovieCase{
            "Sound16StereoPacked", 8, 8, 10, Palettes::kFirst, Content::kMixed, {k16StereoPacked}},
        MovieCase{"Sound8MonoPacked", 8, 8, 10, Palettes::kFirst, Content::kMixed, {k8MonoPacked}},
        MovieCase{"ThreeTracks",
                  16,
                  16,
                  12,
                  Palettes::kEvery,
                  Content::kMixed,
                  {k16MonoPacked, k8StereoPacked, k16StereoRaw}},
        MovieCase{"TwoTracks",
                  10,
                  10,
                  7,
                  Palettes::kFirst,
                  Content::kStill,
                  {k8MonoRaw, k16StereoPacked}},
        MovieCase{
            "SoundOddFrameTime", 8, 8, 9, Palettes::kFirst, Content::kMixed, {k8MonoPacked}, 3333},
        MovieCase{
            "SoundWholeMs", 8, 8, 9, Palettes::kFirst, Content::kMixed, {k16MonoPacked}, 10000},
        MovieCase{
            "SilentSoundOneFrame", 4, 4, 1, Palettes::kFirst, Content::kSolid, {k16StereoPacked}},
        MovieCase{"BigMixedSound",
                  320,
                  200,
                  4,
                  Palettes::kEvery,
                  Content::kMixed,
                  {k16StereoPacked, k8MonoRaw}},
        MovieCase{"MonoStill", 33, 17, 12, Palettes::kFirst, Content::kMono, {}, 5000, 4},
        MovieCase{"Tall", 4, 481, 2, Palettes::kFirst, Content::kMixed, {}},
        MovieCase{"FullKeyEvery", 9, 9, 6, Palettes::kEvery, Content::kFull, {}, 6666, 1}),
    [](const ::testing::TestParamInfo<MovieCase>& info) { return std::string(info.param.name); });

// The command makes a movie from PNG frames and a WAVE track that decodes back to them.
TEST(SmackerWriterCommand, MakesTheMovieOfItsSourceFiles)
{
  TempFolder folder;
  ASSERT_EQ(std::system((std::string(MAKE_DEMO_MOVIE_PATH) + " " + folder.path()).c_str()), 0);
  std::string command = std::string(SMKWRITE_PATH) + " --output " + folder.path() +
                        "/out.smk --frame-time 6666 --track " + folder.path() + "/sound.wav";
  std::vector<moviesources::IndexedImage> frames;
  for (int f = 0; f < 30; ++f) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame%03d.png", f);
    command += " " + folder.path() + name;
    const std::string png = omtest::readHostFile(folder.path() + name);
    moviesources::IndexedImage image;
    std::string error;
    ASSERT_TRUE(moviesources::readIndexedPng(Bytes(png.begin(), png.end()), image, error)) << error;
    frames.push_back(image);
  }
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string movie = omtest::readHostFile(folder.path() + "/out.smk");
  const Decoded decoded = decodeWithFfmpeg(Bytes(movie.begin(), movie.end()));
  ASSERT_EQ(decoded.frames.size(), frames.size());
  for (std::size_t f = 0; f < frames.size(); ++f) {
    EXPECT_EQ(decoded.frames[f], frames[f].indices) << f;
    EXPECT_EQ(decoded.palettes[f], SmackerWriter::quantisePalette(frames[f].palette)) << f;
  }
  const std::string sound = omtest::readHostFile(folder.path() + "/sound.wav");
  moviesources::Wave wave;
  std::string error;
  ASSERT_TRUE(moviesources::readWave(Bytes(sound.begin(), sound.end()), wave, error)) << error;
  ASSERT_EQ(decoded.tracks.size(), 1u);
  EXPECT_EQ(decoded.tracks[0], wave.samples);
  // Bad input is refused with a message, not a crash or a movie.
  EXPECT_NE(std::system((std::string(SMKWRITE_PATH) + " --output " + folder.path() + "/bad.smk " +
                         folder.path() + "/sound.wav 2>/dev/null")
                            .c_str()),
            0);
}

}  // namespace
