// The waveOut* calls. Callbacks are not offered: the programs open with CALLBACK_NULL and poll
// WHDR_DONE. Every call first lets the headless sink catch up with the clock, so that the
// flags it answers and the blocks it queues line up with time.
#include <map>
#include <memory>

#include <windows.h>

#include "platform/host/HostAudioSink.h"
#include "platform/src/mm/WaveOutDevice.h"

namespace {

struct Devices {
  std::map<std::uintptr_t, std::unique_ptr<ommm::WaveOutDevice>> open;
  std::uintptr_t next = 0x5000;
};

Devices& devices()
{
  static Devices* const all = new Devices;  // guarded by the sink's lock
  return *all;
}

ommm::WaveOutDevice* deviceFor(HWAVEOUT handle)
{
  const auto found = devices().open.find(reinterpret_cast<std::uintptr_t>(handle));
  return found == devices().open.end() ? nullptr : found->second.get();
}

omhost::HostAudioSink& caughtUpSink()
{
  auto& sink = omhost::HostAudioSink::instance();
  sink.pump();
  return sink;
}

// The common frame of the calls on an open device: the sink caught up and locked, the handle
// looked up; the action runs on the device with the lock held.
template <typename Action>
MMRESULT withDevice(HWAVEOUT waveOut, Action&& action)
{
  auto& sink = caughtUpSink();
  auto lock = sink.lock();
  ommm::WaveOutDevice* device = deviceFor(waveOut);
  if (!device) return MMSYSERR_INVALHANDLE;
  return action(*device, sink);
}

bool validHeader(const WAVEHDR* header, UINT size)
{
  return header && size >= sizeof(WAVEHDR) && (header->lpData || header->dwBufferLength == 0);
}

}  // namespace

UINT waveOutGetNumDevs(void)
{
  return 1;
}

MMRESULT waveOutOpen(LPHWAVEOUT waveOut, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR,
                     DWORD_PTR, DWORD flags)
{
  if (deviceId != WAVE_MAPPER && deviceId != 0) return MMSYSERR_BADDEVICEID;
  if (!format) return MMSYSERR_INVALPARAM;
  if ((flags & CALLBACK_TYPEMASK) != CALLBACK_NULL) return MMSYSERR_INVALFLAG;
  if (!ommm::WaveOutDevice::isPlayable(*format)) return WAVERR_BADFORMAT;
  if (flags & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
  if (!waveOut) return MMSYSERR_INVALPARAM;
  auto& sink = caughtUpSink();
  auto lock = sink.lock();
  auto device = std::make_unique<ommm::WaveOutDevice>(*format);
  sink.attach(device.get());
  const std::uintptr_t handle = devices().next;
  devices().next += 4;
  devices().open[handle] = std::move(device);
  *waveOut = reinterpret_cast<HWAVEOUT>(handle);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT waveOut, LPWAVEHDR header, UINT size)
{
  return withDevice(waveOut, [&](ommm::WaveOutDevice&, omhost::HostAudioSink&) -> MMRESULT {
    if (!validHeader(header, size)) return MMSYSERR_INVALPARAM;
    ommm::storeFlags(*header, ommm::loadFlags(*header) | WHDR_PREPARED);
    return MMSYSERR_NOERROR;
  });
}

MMRESULT waveOutWrite(HWAVEOUT waveOut, LPWAVEHDR header, UINT size)
{
  return withDevice(waveOut, [&](ommm::WaveOutDevice& device, omhost::HostAudioSink&) -> MMRESULT {
    if (!validHeader(header, size)) return MMSYSERR_INVALPARAM;
    const DWORD flags = ommm::loadFlags(*header);
    if (!(flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    ommm::storeFlags(*header, (flags & ~WHDR_DONE) | WHDR_INQUEUE);
    device.enqueue(header);
    return MMSYSERR_NOERROR;
  });
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT waveOut, LPWAVEHDR header, UINT size)
{
  return withDevice(waveOut, [&](ommm::WaveOutDevice&, omhost::HostAudioSink&) -> MMRESULT {
    if (!validHeader(header, size)) return MMSYSERR_INVALPARAM;
    const DWORD flags = ommm::loadFlags(*header);
    if (flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    ommm::storeFlags(*header, flags & ~WHDR_PREPARED);
    return MMSYSERR_NOERROR;
  });
}

MMRESULT waveOutPause(HWAVEOUT waveOut)
{
  return withDevice(waveOut, [](ommm::WaveOutDevice& device, omhost::HostAudioSink&) {
    device.setPaused(true);
    return MMRESULT{MMSYSERR_NOERROR};
  });
}

MMRESULT waveOutRestart(HWAVEOUT waveOut)
{
  return withDevice(waveOut, [](ommm::WaveOutDevice& device, omhost::HostAudioSink&) {
    device.setPaused(false);
    return MMRESULT{MMSYSERR_NOERROR};
  });
}

MMRESULT waveOutReset(HWAVEOUT waveOut)
{
  return withDevice(waveOut, [](ommm::WaveOutDevice& device, omhost::HostAudioSink&) {
    device.reset();
    return MMRESULT{MMSYSERR_NOERROR};
  });
}

MMRESULT waveOutClose(HWAVEOUT waveOut)
{
  return withDevice(waveOut, [&](ommm::WaveOutDevice& device, omhost::HostAudioSink& sink) {
    if (device.hasQueuedBlocks()) return MMRESULT{WAVERR_STILLPLAYING};
    sink.detach(&device);
    devices().open.erase(reinterpret_cast<std::uintptr_t>(waveOut));
    return MMRESULT{MMSYSERR_NOERROR};
  });
}
