#include "platform/src/mm/WaveOutDevice.h"

#include <cstring>

#include "platform/host/HostActivity.h"

namespace ommm {

void storeFlags(WAVEHDR& header, DWORD flags)
{
  __atomic_store_n(&header.dwFlags, flags, __ATOMIC_RELEASE);
}

DWORD loadFlags(const WAVEHDR& header)
{
  return __atomic_load_n(&header.dwFlags, __ATOMIC_ACQUIRE);
}

WaveOutDevice::WaveOutDevice(const WAVEFORMATEX& format) : format_(format) {}

bool WaveOutDevice::isPlayable(const WAVEFORMATEX& format)
{
  const bool pcm = format.wFormatTag == WAVE_FORMAT_PCM;
  const bool channels = format.nChannels == 1 || format.nChannels == 2;
  const bool bits = format.wBitsPerSample == 8 || format.wBitsPerSample == 16;
  const bool rate = format.nSamplesPerSec >= 1000 && format.nSamplesPerSec <= 192000;
  const bool align = format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
  return pcm && channels && bits && rate && align;
}

std::int32_t WaveOutDevice::sampleAt(const WAVEHDR& header, DWORD offset) const
{
  const auto* bytes = reinterpret_cast<const unsigned char*>(header.lpData) + offset;
  std::int32_t sum = 0;
  for (int channel = 0; channel < format_.nChannels; ++channel) {
    if (format_.wBitsPerSample == 8) {
      sum += (static_cast<std::int32_t>(bytes[channel]) - 128) * 256;
    } else {
      std::int16_t value;
      std::memcpy(&value, bytes + channel * 2, sizeof value);
      sum += value;
    }
  }
  return sum / format_.nChannels;
}

void WaveOutDevice::finishHead()
{
  WAVEHDR* head = queue_.front();
  offset_ = 0;
  if (looping_) return;
  queue_.pop_front();
  storeFlags(*head, (loadFlags(*head) & ~WHDR_INQUEUE) | WHDR_DONE);
  omhost::noteActivity();  // the program refills its ring now
}

void WaveOutDevice::feed()
{
  // Blocks too short for one frame are done as soon as they are reached.
  const DWORD frameBytes = format_.nBlockAlign;
  while (!queue_.empty() && queue_.front()->dwBufferLength < offset_ + frameBytes) {
    if (looping_ && queue_.front()->dwBufferLength < frameBytes) looping_ = false;
    finishHead();
  }
  if (queue_.empty()) {
    resampler_->pushFiller();
    return;
  }
  resampler_->push(sampleAt(*queue_.front(), offset_));
  offset_ += frameBytes;
  if (queue_.front()->dwBufferLength < offset_ + frameBytes) finishHead();
}

void WaveOutDevice::mixInto(std::int32_t* mix, std::size_t frames, unsigned sinkRate)
{
  if (paused_) return;
  if (!resampler_ || resamplerRate_ != sinkRate) {
    resampler_ = std::make_unique<Resampler>(format_.nSamplesPerSec, sinkRate);
    resamplerRate_ = sinkRate;
  }
  for (std::size_t i = 0; i < frames; ++i) {
    // Nothing queued and the last sound has left the window: silence costs nothing, and the
    // next block starts from a window of silence.
    if (queue_.empty() && resampler_->isEmpty()) return;
    while (resampler_->needsSample())
      feed();
    mix[i] += resampler_->next();
  }
}

void WaveOutDevice::enqueue(WAVEHDR* header)
{
  queue_.push_back(header);
  omhost::noteActivity();
}

void WaveOutDevice::reset()
{
  for (WAVEHDR* header : queue_)
    storeFlags(*header, (loadFlags(*header) & ~WHDR_INQUEUE) | WHDR_DONE);
  queue_.clear();
  offset_ = 0;
  if (resampler_) resampler_->clear();
}

std::uint64_t WaveOutDevice::remainingMilliseconds() const
{
  std::uint64_t bytes = 0;
  for (const WAVEHDR* header : queue_)
    bytes += header->dwBufferLength;
  bytes -= std::min<std::uint64_t>(bytes, offset_);
  const std::uint64_t frames = bytes / format_.nBlockAlign;
  return (frames * 1000 + format_.nSamplesPerSec - 1) / format_.nSamplesPerSec;
}

}  // namespace ommm
