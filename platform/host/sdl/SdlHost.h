#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/host/Host.h"

namespace omhost {

// The backend of real runs: the virtual screen shown in a resizable window (scaled to fit,
// aspect kept), SDL's mouse and keyboard as input, SDL message boxes, and the audio sink played
// through an SDL sound device while the host lives (when one can be opened).
class SdlHost : public Host {
 public:
  // Null when SDL cannot open a window here (no display).
  static std::unique_ptr<SdlHost> open();
  ~SdlHost() override;

  void present() override;
  bool nextInput(InputEvent& event, bool wait) override;
  void cursorChanged(void* cursor, bool visible) override;
  void raiseWindow() override;

 private:
  SdlHost() = default;
  bool translate(const SDL_Event& sdl, InputEvent& event);
  void presentIfDue();
  bool makeTexture();

  bool audioStarted_ = false;  // this host started the sound device, and stops it
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  Uint32 textureFormat_ = 0;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  int textureDepth_ = 0;
  std::vector<std::uint32_t> converted_;  // 8-bit screens go through the palette
  Uint32 lastPresent_ = 0;
  std::vector<std::pair<void*, SDL_Cursor*>> cursors_;  // made once per cursor handle
};

}  // namespace omhost
