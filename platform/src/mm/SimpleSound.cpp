// sndPlaySoundA: one sound at a time on its own device in the sink, beside any wave-out
// devices. A synchronous sound blocks until it has played; on the manual clock the call moves
// the clock on by the sound's length instead of waiting.
#include <chrono>
#include <memory>
#include <thread>

#include <windows.h>

#include "platform/host/HostAudioSink.h"
#include "platform/host/HostClock.h"
#include "platform/src/kernel/AtomicFile.h"
#include "platform/src/kernel/WindowsPaths.h"
#include "platform/src/mm/WaveImage.h"
#include "platform/src/mm/WaveOutDevice.h"

namespace {

// The sound playing: its own copy of the samples, its block and its device.
struct PlayingSound {
  ommm::WaveImage image;
  WAVEHDR header{};
  std::unique_ptr<ommm::WaveOutDevice> device;
};

std::unique_ptr<PlayingSound>& playing()
{
  static auto* const sound = new std::unique_ptr<PlayingSound>;  // guarded by the sink's lock
  return *sound;
}

void stopLocked(omhost::HostAudioSink& sink)
{
  if (!playing()) return;
  sink.detach(playing()->device.get());
  playing().reset();
}

std::optional<ommm::WaveImage> loadSound(LPCSTR sound, UINT flags)
{
  const auto* bytes = reinterpret_cast<const unsigned char*>(sound);
  if (flags & SND_MEMORY) {
    // The image's size is known only from its header; a sane limit guards against garbage.
    const std::size_t size = ommm::claimedRiffSize(bytes);
    if (size == 0 || size > (256u << 20)) return std::nullopt;
    return ommm::parseWaveImage(bytes, size);
  }
  const auto host = omwin::hostPathFor(sound);
  if (!host) return std::nullopt;
  const auto file = omwin::readWholeHostFile(*host);
  if (!file) return std::nullopt;
  return ommm::parseWaveImage(reinterpret_cast<const unsigned char*>(file->data()), file->size());
}

bool stillPlaying(const PlayingSound* sound)
{
  auto lock = omhost::HostAudioSink::instance().lock();
  return playing().get() == sound && sound->device->hasQueuedBlocks();
}

void waitUntilPlayed(const PlayingSound* sound, std::uint64_t milliseconds)
{
  auto& sink = omhost::HostAudioSink::instance();
  if (omhost::isManualClock()) {
    omhost::advanceClock(static_cast<std::uint32_t>(milliseconds));
    sink.pump();
    return;
  }
  while (stillPlaying(sound)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    sink.pump();
  }
}

}  // namespace

BOOL sndPlaySoundA(LPCSTR sound, UINT flags)
{
  auto& sink = omhost::HostAudioSink::instance();
  sink.pump();
  if (!sound) {
    auto lock = sink.lock();
    stopLocked(sink);
    return TRUE;
  }
  {
    auto lock = sink.lock();
    if ((flags & SND_NOSTOP) && playing() && playing()->device->hasQueuedBlocks()) return FALSE;
  }
  auto image = loadSound(sound, flags);
  if (!image || !ommm::WaveOutDevice::isPlayable(image->format)) return FALSE;

  auto next = std::make_unique<PlayingSound>();
  next->image = std::move(*image);
  next->header.lpData = next->image.samples.data();
  next->header.dwBufferLength = static_cast<DWORD>(next->image.samples.size());
  next->header.dwFlags = WHDR_PREPARED | WHDR_INQUEUE;
  next->device = std::make_unique<ommm::WaveOutDevice>(next->image.format);
  const bool looping = (flags & SND_LOOP) && (flags & SND_ASYNC);
  next->device->setLooping(looping);
  next->device->enqueue(&next->header);
  const std::uint64_t length = next->device->remainingMilliseconds();
  const PlayingSound* started = next.get();
  {
    auto lock = sink.lock();
    stopLocked(sink);
    sink.attach(next->device.get());
    playing() = std::move(next);
  }
  if (!(flags & SND_ASYNC)) waitUntilPlayed(started, length);
  return TRUE;
}
