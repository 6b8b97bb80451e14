#include "platform/host/sdl/SdlAudioOutput.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/host/HostAudioSink.h"

namespace omhost {
namespace {

SDL_AudioDeviceID device = 0;
bool silenceReported = false;

void SDLCALL pull(void*, Uint8* stream, int length)
{
  HostAudioSink::instance().render(reinterpret_cast<std::int16_t*>(stream),
                                   static_cast<std::size_t>(length) / sizeof(std::int16_t));
}

// The sound libraries under SDL print their own lines when no device answers; the user gets
// one line of ours instead, so their standard error is quiet while a device is looked for.
class QuietStandardError {
 public:
  QuietStandardError()
  {
    std::fflush(stderr);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (saved_ >= 0) ::dup2(null, STDERR_FILENO);
    ::close(null);
  }
  ~QuietStandardError()
  {
    if (saved_ < 0) return;
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int saved_ = -1;
};

bool openDevice()
{
  const QuietStandardError quiet;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(HostAudioSink::kRate);
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  // About 46 ms a pull: well inside the mixer's queue lead (several blocks), and few wake-ups
  // of the audio thread.
  wanted.samples = 2048;
  wanted.callback = pull;
  SDL_AudioSpec obtained{};
  device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device == 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return device != 0;
}

}  // namespace

bool startSdlAudio()
{
  if (device != 0) return true;
  if (!openDevice()) {
    if (!silenceReported) std::fprintf(stderr, "no audio device: the game plays in silence\n");
    silenceReported = true;
    if (std::getenv("OM_TRACE"))
      std::fprintf(stderr, "om: the audio library says: %s\n", SDL_GetError());
    return false;
  }
  HostAudioSink::instance().setPulledByDevice(true);
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void stopSdlAudio()
{
  if (device == 0) return;
  SDL_CloseAudioDevice(device);  // waits for the callback to finish
  device = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  HostAudioSink::instance().setPulledByDevice(false);
  HostAudioSink::instance().resynchronise();
}

bool isSdlAudioStarted()
{
  return device != 0;
}

}  // namespace omhost
