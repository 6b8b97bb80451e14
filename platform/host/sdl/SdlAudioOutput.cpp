#include "platform/host/sdl/SdlAudioOutput.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/host/HostAudioSink.h"

namespace omhost {
namespace {

SDL_AudioDeviceID device = 0;

void SDLCALL pull(void*, Uint8* stream, int length)
{
  HostAudioSink::instance().render(reinterpret_cast<std::int16_t*>(stream),
                                   static_cast<std::size_t>(length) / sizeof(std::int16_t));
}

}  // namespace

bool startSdlAudio()
{
  if (device != 0) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(HostAudioSink::kRate);
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = 512;  // about 12 ms: the mixer's queue lead stays meaningful
  wanted.callback = pull;
  SDL_AudioSpec obtained{};
  device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device == 0) {
    if (std::getenv("OM_TRACE")) std::fprintf(stderr, "om: no audio device: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
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
