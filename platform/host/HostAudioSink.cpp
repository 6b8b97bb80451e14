#include "platform/host/HostAudioSink.h"

#include <algorithm>

#include "platform/host/HostClock.h"

namespace omhost {

HostAudioSink& HostAudioSink::instance()
{
  static HostAudioSink* const sink = new HostAudioSink;  // an audio thread may outlive exit
  return *sink;
}

void HostAudioSink::attach(AudioSource* source)
{
  if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
    sources_.push_back(source);
}

void HostAudioSink::detach(AudioSource* source)
{
  sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void HostAudioSink::render(std::int16_t* out, std::size_t frames)
{
  std::lock_guard guard(mutex_);
  renderLocked(out, frames);
}

void HostAudioSink::renderLocked(std::int16_t* out, std::size_t frames)
{
  mix_.assign(frames, 0);
  for (AudioSource* source : sources_)
    source->mixInto(mix_.data(), frames, kRate);
  for (std::size_t i = 0; i < frames; ++i)
    out[i] = static_cast<std::int16_t>(std::clamp(mix_[i], -32768, 32767));
  if (capturing_) captured_.insert(captured_.end(), out, out + frames);
}

void HostAudioSink::setPulledByDevice(bool pulled)
{
  std::lock_guard guard(mutex_);
  pulledByDevice_ = pulled;
  clockStarted_ = false;
}

void HostAudioSink::pump()
{
  std::lock_guard guard(mutex_);
  if (pulledByDevice_) return;
  const std::uint32_t now = clockMilliseconds();
  if (!clockStarted_) {
    clockStarted_ = true;
    lastPump_ = now;
    return;
  }
  const std::uint32_t elapsed = now - lastPump_;
  lastPump_ = now;
  if (elapsed == 0 || elapsed > 0x7FFFFFFFu) return;  // a clock that went back plays nothing
  const std::uint64_t scaled = static_cast<std::uint64_t>(elapsed) * kRate + remainder_;
  std::uint64_t frames = scaled / 1000;
  remainder_ = scaled % 1000;
  if (sources_.empty() && !capturing_) return;
  constexpr std::size_t kChunk = 4096;
  std::vector<std::int16_t> out(kChunk);
  while (frames > 0) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(frames, kChunk));
    renderLocked(out.data(), count);
    frames -= count;
  }
}

void HostAudioSink::resynchronise()
{
  std::lock_guard guard(mutex_);
  clockStarted_ = true;
  lastPump_ = clockMilliseconds();
  remainder_ = 0;
}

void HostAudioSink::startCapture()
{
  std::lock_guard guard(mutex_);
  capturing_ = true;
  captured_.clear();
}

std::vector<std::int16_t> HostAudioSink::takeCaptured()
{
  std::lock_guard guard(mutex_);
  std::vector<std::int16_t> result;
  result.swap(captured_);
  return result;
}

}  // namespace omhost
