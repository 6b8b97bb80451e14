#include "platform/src/smacker/SmackerMovie.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace omsmack {

namespace {

void trace(const std::string& message)
{
  if (std::getenv("OM_TRACE")) std::fprintf(stderr, "om: movie: %s\n", message.c_str());
}

bool readAll(ByteSource& source, std::uint8_t* out, std::size_t size)
{
  std::size_t done = 0;
  while (done < size) {
    const int n =
        source.read(out + done, static_cast<int>(std::min<std::size_t>(size - done, 1 << 20)));
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::unique_ptr<SmackerMovie> SmackerMovie::open(std::unique_ptr<ByteSource> source, DWORD flags,
                                                 DWORD extraBuffer)
{
  const DWORD started = timeGetTime();
  std::unique_ptr<SmackerMovie> movie(new SmackerMovie);
  const std::uint64_t fileSize = source->size();
  std::vector<std::uint8_t> head(SmackerHeader::kSize);
  std::string why;
  if (fileSize < head.size() || !source->seek(0) || !readAll(*source, head.data(), head.size())) {
    trace("too short for a movie");
    return nullptr;
  }
  const std::uint64_t tables = SmackerHeader::tablesSize(head.data());
  if (tables > fileSize) {
    trace("tables overrun the file");
    return nullptr;
  }
  head.resize(static_cast<std::size_t>(tables));
  if (!readAll(*source, head.data() + SmackerHeader::kSize, head.size() - SmackerHeader::kSize) ||
      !movie->header_.parse(head.data(), head.size(), fileSize, why)) {
    trace(why.empty() ? "cannot read the tables" : why);
    return nullptr;
  }
  movie->source_ = std::move(source);
  if (!movie->decoder_.open(*movie->source_, movie->header_, why)) {
    trace(why);
    return nullptr;
  }
  const SmackerHeader& h = movie->header_;
  Smack& r = movie->record_;
  r.Version = 2;
  r.Width = h.width;
  r.Height = h.height;
  r.Frames = h.frames;
  r.MSPerFrame = h.frameTime;
  r.SmackerType = h.flags;
  for (int i = 0; i < 7; ++i) {
    r.LargestInTrack[i] = h.largestInTrack[i];
    r.TrackType[i] = h.trackFlags[i];
  }
  r.tablesize = h.treesSize;
  r.codesize = h.treeTables[0];
  r.absize = h.treeTables[1];
  r.detailsize = h.treeTables[2];
  r.typesize = h.treeTables[3];
  r.OpenFlags = flags;
  for (std::uint32_t bytes : h.frameBytes)
    r.LargestFrameSize = std::max(r.LargestFrameSize, bytes);
  movie->extraBuffer_ = extraBuffer;

  for (int i = 0; i < 7; ++i) {
    if (!(flags & (SMACKTRACK1 << i)) || !h.hasTrack(i)) continue;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(h.trackChannels(i));
    format.nSamplesPerSec = h.trackRate(i);
    format.wBitsPerSample = static_cast<WORD>(h.trackBits(i));
    format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    Track track;
    track.index = i;
    // Half a frame time, at most 50 ms: frames shown up to that late still find the sound
    // playing, and the sound is not heard noticeably after its picture.
    const std::uint64_t leadTime = std::min<std::uint64_t>(h.frameTime / 2, 5000);  // 1/100 ms
    const std::uint64_t leadFrames = format.nSamplesPerSec * leadTime / 100000;
    track.lead.assign(std::size_t(leadFrames) * format.nBlockAlign,
                      format.wBitsPerSample == 8 ? 0x80 : 0);
    if (waveOutOpen(&track.device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
      trace("a sound track cannot play");
      continue;
    }
    movie->trackMask_ |= 1u << i;
    movie->tracks_.push_back(std::move(track));
  }
  movie->openTime_ = timeGetTime() - started;
  return movie;
}

SmackerMovie::~SmackerMovie()
{
  stopSound();
  for (Track& track : tracks_)
    waveOutClose(track.device);
}

void SmackerMovie::toBuffer(LONG left, LONG top, DWORD pitch, DWORD height, void* buffer,
                            DWORD flags)
{
  const Target next{
      left, top, pitch, height, static_cast<std::uint8_t*>(buffer), flags & SMACKBUFFERFORMAT};
  if (!(next == target_)) wholeNext_ = true;
  target_ = next;
}

void SmackerMovie::decodeThrough(int frame)
{
  if (decoded_ > frame || restartNeeded_) {
    restartNeeded_ = false;
    if (!decoder_.restart()) trace("cannot start the movie again");
    decoded_ = -1;
  }
  while (decoded_ < frame) {
    SmackerDecoder::Frame decoded;
    if (!decoder_.next(decoded, picture_, decoded_ + 1 == frame ? trackMask_ : 0)) {
      // Unreadable: the frame counts, and shows what was there.
      decoded_ = frame;
      break;
    }
    decoded_ = decoded.number;
    palette_ = decoded.palette;
    if (decoded_ == frame) queueSound(decoded);
  }
  if (picture_.size() != std::size_t(header_.width) * header_.height)
    picture_.assign(std::size_t(header_.width) * header_.height, 0);
}

void SmackerMovie::doFrame()
{
  const DWORD started = timeGetTime();
  const int frame = static_cast<int>(record_.FrameNum);
  if (decoded_ != frame || restartNeeded_) decodeThrough(frame);
  const DWORD decodedAt = timeGetTime();

  record_.NewPalette = 0;
  if (!paletteKnown_ || std::memcmp(record_.Palette, palette_.data(), 768) != 0) {
    std::memcpy(record_.Palette, palette_.data(), 768);
    record_.NewPalette = 1;
    paletteKnown_ = true;
    if (target_.flags) wholeNext_ = true;
  }
  record_.PalType = 0;

  rectPending_ = false;
  if (target_.pixels) {
    const int width = static_cast<int>(header_.width), height = static_cast<int>(header_.height);
    if (wholeNext_ || shown_.size() != picture_.size()) {
      writePicture(0, 0, width, height);
    } else {
      // One rectangle around everything that changed.
      int x0 = width, y0 = height, x1 = 0, y1 = 0;
      for (int y = 0; y < height; ++y) {
        const std::uint8_t* a = picture_.data() + std::size_t(y) * width;
        const std::uint8_t* b = shown_.data() + std::size_t(y) * width;
        if (std::memcmp(a, b, std::size_t(width)) == 0) continue;
        int left = 0, right = width;
        while (a[left] == b[left])
          ++left;
        while (a[right - 1] == b[right - 1])
          --right;
        x0 = std::min(x0, left);
        x1 = std::max(x1, right);
        y0 = std::min(y0, y);
        y1 = y + 1;
      }
      if (x0 < x1) writePicture(x0, y0, x1, y1);
    }
    shown_ = picture_;
    wholeNext_ = false;
  }
  const DWORD now = timeGetTime();
  if (framesPlayed_ == 0) firstShown_ = now;
  lastShown_ = now;
  ++framesPlayed_;
  decodeTime_ += decodedAt - started;
  blitTime_ += now - decodedAt;
  const DWORD took = now - started;
  if (took > slowest_[0]) {
    slowest_[1] = slowest_[0];
    slowestFrame_[1] = slowestFrame_[0];
    slowest_[0] = took;
    slowestFrame_[0] = DWORD(frame);
  } else if (took > slowest_[1]) {
    slowest_[1] = took;
    slowestFrame_[1] = DWORD(frame);
  }
  if (!scheduled_) {
    scheduled_ = true;
    scheduleStart_ = now;
    scheduleFrame_ = DWORD(frame);
  }
}

int SmackerMovie::bytesPerPixel(DWORD format)
{
  switch (format) {
    case SMACKBUFFER555:
    case SMACKBUFFER565:
      return 2;
    case SMACKBUFFER24:
      return 3;
    case SMACKBUFFER32:
      return 4;
    default:
      return 1;
  }
}

std::uint32_t SmackerMovie::pixelValue(unsigned r, unsigned g, unsigned b, DWORD format)
{
  switch (format) {
    case SMACKBUFFER555:
      return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    case SMACKBUFFER565:
      return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    case SMACKBUFFER24:
    case SMACKBUFFER32:
      return r << 16 | g << 8 | b;
    default:
      return 0;
  }
}

void SmackerMovie::writePicture(int x0, int y0, int x1, int y1)
{
  const int bytes = bytesPerPixel(target_.flags);
  const LONG across = static_cast<LONG>(target_.pitch / DWORD(bytes));
  const LONG down = static_cast<LONG>(std::min<DWORD>(target_.height, 0x7FFFFFFF));
  // Clip to the buffer, in buffer coordinates.
  const LONG left = std::max<LONG>(target_.left + x0, 0);
  const LONG top = std::max<LONG>(target_.top + y0, 0);
  const LONG right = std::min<LONG>(target_.left + x1, across);
  const LONG bottom = std::min<LONG>(target_.top + y1, down);
  if (left >= right || top >= bottom) return;

  std::array<std::uint32_t, 256> colours{};
  for (int c = 0; c < 256; ++c)
    colours[c] =
        pixelValue(palette_[c * 3], palette_[c * 3 + 1], palette_[c * 3 + 2], target_.flags);
  const std::size_t width = header_.width;
  for (LONG y = top; y < bottom; ++y) {
    const std::uint8_t* from =
        picture_.data() + std::size_t(y - target_.top) * width + std::size_t(left - target_.left);
    std::uint8_t* out = target_.pixels + std::size_t(y) * target_.pitch + std::size_t(left) * bytes;
    const std::size_t count = std::size_t(right - left);
    if (bytes == 1) {
      std::memcpy(out, from, count);
      continue;
    }
    // Little-endian stores: the low bytes of each value, as a DIB holds them.
    for (std::size_t i = 0; i < count; ++i, out += bytes) {
      const std::uint32_t value = colours[from[i]];
      for (int k = 0; k < bytes; ++k)
        out[k] = std::uint8_t(value >> (8 * k));
    }
  }
  rect_[0] = left;
  rect_[1] = top;
  rect_[2] = right - left;
  rect_[3] = bottom - top;
  rectPending_ = true;
}

bool SmackerMovie::nextRect()
{
  if (!rectPending_) return false;
  rectPending_ = false;
  record_.LastRectx = rect_[0];
  record_.LastRecty = rect_[1];
  record_.LastRectw = rect_[2];
  record_.LastRecth = rect_[3];
  return true;
}

bool SmackerMovie::wait()
{
  if (!scheduled_) return false;
  const DWORD now = timeGetTime();
  const std::uint64_t elapsed = std::uint64_t(DWORD(now - scheduleStart_)) * 100;
  const std::uint64_t due = std::uint64_t(record_.FrameNum - scheduleFrame_) * header_.frameTime;
  if (record_.FrameNum < scheduleFrame_) {
    scheduleFrame_ = record_.FrameNum;
    scheduleStart_ = now;
    return false;
  }
  if (elapsed < due) return true;
  if (elapsed > due + header_.frameTime) {
    // Paused or stalled: the schedule starts again here rather than catching up in a burst.
    scheduleStart_ = now;
    scheduleFrame_ = record_.FrameNum;
    if (!tracks_.empty() && soundOn_) ++underruns_;
  }
  return false;
}

void SmackerMovie::nextFrame()
{
  if (record_.FrameNum + 1 < record_.Frames) ++record_.FrameNum;
}

void SmackerMovie::gotoFrame(DWORD frame)
{
  frame = std::min<DWORD>(frame, record_.Frames - 1);
  restartNeeded_ = decoded_ >= static_cast<int>(frame);
  record_.FrameNum = frame;
  wholeNext_ = true;
  paletteKnown_ = false;
  scheduled_ = false;
  rectPending_ = false;
  stopSound();
}

void SmackerMovie::queueSound(const SmackerDecoder::Frame& frame)
{
  if (!soundOn_) return;
  for (Track& track : tracks_) {
    const std::vector<std::uint8_t>& samples = frame.sound[track.index];
    while (!track.blocks.empty() && (track.blocks.front()->header.dwFlags & WHDR_DONE)) {
      waveOutUnprepareHeader(track.device, &track.blocks.front()->header, sizeof(WAVEHDR));
      track.blocks.erase(track.blocks.begin());
    }
    if (samples.empty()) continue;
    // Frames shown faster than they play: the sound keeps to the picture, at most two frame
    // times ahead of it, rather than falling further and further behind.
    if (track.blocks.size() >= 2) {
      waveOutReset(track.device);
      for (auto& queued : track.blocks)
        waveOutUnprepareHeader(track.device, &queued->header, sizeof(WAVEHDR));
      track.blocks.clear();
    }
    // Each block is queued as its frame is shown, and plays for one frame time: a device with
    // no more than that queued runs dry at every frame boundary, however punctual the frames.
    // Starting a little behind the picture keeps the next block queued before it is needed.
    auto block = std::make_unique<SoundBlock>();
    if (track.blocks.empty()) block->bytes = track.lead;
    block->bytes.insert(block->bytes.end(), samples.begin(), samples.end());
    block->header.lpData = reinterpret_cast<LPSTR>(block->bytes.data());
    block->header.dwBufferLength = static_cast<DWORD>(block->bytes.size());
    if (waveOutPrepareHeader(track.device, &block->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR ||
        waveOutWrite(track.device, &block->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
      continue;
    track.blocks.push_back(std::move(block));
  }
}

void SmackerMovie::stopSound()
{
  for (Track& track : tracks_) {
    waveOutReset(track.device);
    for (auto& block : track.blocks)
      waveOutUnprepareHeader(track.device, &block->header, sizeof(WAVEHDR));
    track.blocks.clear();
  }
}

void SmackerMovie::soundOnOff(bool on)
{
  soundOn_ = on;
  if (!on) stopSound();
}

void SmackerMovie::summary(SmackSum& sum) const
{
  sum = SmackSum{};
  if (framesPlayed_ > 0) sum.TotalTime = lastShown_ - firstShown_;
  sum.MS100PerFrame = header_.frameTime;
  sum.TotalOpenTime = openTime_;
  sum.TotalFrames = framesPlayed_;
  sum.SoundSkips = underruns_;
  sum.TotalBlitTime = blitTime_;
  sum.TotalDecompTime = decodeTime_;
  sum.SlowestFrameTime = slowest_[0];
  sum.Slowest2FrameTime = slowest_[1];
  sum.SlowestFrameNum = slowestFrame_[0];
  sum.Slowest2FrameNum = slowestFrame_[1];
  std::uint64_t total = 0;
  for (std::uint32_t bytes : header_.frameBytes)
    total += bytes;
  sum.AverageFrameSize = static_cast<DWORD>(total / header_.frames);
  sum.TotalExtraMemory = extraBuffer_;
}

}  // namespace omsmack
