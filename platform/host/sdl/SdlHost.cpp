#include "platform/host/sdl/SdlHost.h"

#include <windows.h>

#include <cstdlib>

#include "platform/host/sdl/SdlAudioOutput.h"
#include "platform/host/sdl/SdlKeyMap.h"
#include "platform/src/user/Cursor.h"

namespace omhost {
namespace {

constexpr Uint32 kPresentInterval = 16;  // about one frame of a 60 Hz display

}  // namespace

std::unique_ptr<SdlHost> SdlHost::open()
{
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return nullptr;
  std::unique_ptr<SdlHost> host(new SdlHost());
  int width = 0, height = 0, depth = 0;
  parseScreenSetting(std::getenv("OM_SCREEN"), width, height, depth);
  host->screen_.resize(width, height, depth);
  host->window_ = SDL_CreateWindow("om", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                   height, SDL_WINDOW_RESIZABLE);
  if (host->window_ == nullptr) return nullptr;
  host->renderer_ = SDL_CreateRenderer(host->window_, -1, 0);
  if (host->renderer_ == nullptr) return nullptr;
  // The renderer scales to the window with the aspect kept, and maps the mouse back.
  SDL_RenderSetLogicalSize(host->renderer_, width, height);
  if (!host->makeTexture()) return nullptr;
  // A real window has real sound; without a sound device the sink keeps the clock's pace.
  host->audioStarted_ = !isSdlAudioStarted() && startSdlAudio();
  return host;
}

// A texture of the screen's size and a pixel layout that takes its rows as they are.
bool SdlHost::makeTexture()
{
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  switch (screen_.bitsPerPixel) {
    case 16:
      textureFormat_ = SDL_PIXELFORMAT_RGB555;
      break;
    case 24:
      textureFormat_ = SDL_PIXELFORMAT_BGR24;
      break;
    default:  // 32 bits, and 8 bits through the palette
      textureFormat_ = SDL_PIXELFORMAT_RGB888;
      break;
  }
  texture_ = SDL_CreateTexture(renderer_, textureFormat_, SDL_TEXTUREACCESS_STREAMING,
                               screen_.width, screen_.height);
  textureWidth_ = screen_.width;
  textureHeight_ = screen_.height;
  textureDepth_ = screen_.bitsPerPixel;
  SDL_RenderSetLogicalSize(renderer_, screen_.width, screen_.height);
  return texture_ != nullptr;
}

SdlHost::~SdlHost()
{
  if (audioStarted_) stopSdlAudio();
  for (const auto& [handle, cursor] : cursors_)
    SDL_FreeCursor(cursor);
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

void SdlHost::present()
{
  const ScreenBuffer& s = screen_;
  // The screen may have changed its mode since the texture was made.
  if ((s.width != textureWidth_ || s.height != textureHeight_ || s.bitsPerPixel != textureDepth_) &&
      !makeTexture())
    return;
  if (s.bytes.size() < static_cast<std::size_t>(s.pitch) * static_cast<std::size_t>(s.height))
    return;
  if (s.bitsPerPixel == 8) {
    converted_.resize(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x)
        converted_[static_cast<std::size_t>(y) * s.width + x] =
            s.palette[s.bytes[static_cast<std::size_t>(y) * s.pitch + x]];
    SDL_UpdateTexture(texture_, nullptr, converted_.data(), s.width * 4);
  } else {
    SDL_UpdateTexture(texture_, nullptr, s.bytes.data(), s.pitch);
  }
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
  lastPresent_ = SDL_GetTicks();
}

void SdlHost::presentIfDue()
{
  if (SDL_GetTicks() - lastPresent_ >= kPresentInterval) present();
}

bool SdlHost::translate(const SDL_Event& sdl, InputEvent& event)
{
  event = InputEvent();
  switch (sdl.type) {
    case SDL_MOUSEMOTION:
      event.kind = InputKind::MouseMove;
      event.x = sdl.motion.x;
      event.y = sdl.motion.y;
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      event.kind = sdl.type == SDL_MOUSEBUTTONDOWN ? InputKind::MouseDown : InputKind::MouseUp;
      event.x = sdl.button.x;
      event.y = sdl.button.y;
      if (sdl.button.button == SDL_BUTTON_LEFT)
        event.button = MouseButton::Left;
      else if (sdl.button.button == SDL_BUTTON_RIGHT)
        event.button = MouseButton::Right;
      else if (sdl.button.button == SDL_BUTTON_MIDDLE)
        event.button = MouseButton::Middle;
      else
        return false;
      return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      event.kind = sdl.type == SDL_KEYDOWN ? InputKind::KeyDown : InputKind::KeyUp;
      event.virtualKey = virtualKeyFromScancode(sdl.key.keysym.scancode);
      return event.virtualKey != 0;
    case SDL_WINDOWEVENT:
      if (sdl.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        event.kind = InputKind::Activate;
        return true;
      }
      if (sdl.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        event.kind = InputKind::Deactivate;
        return true;
      }
      if (sdl.window.event == SDL_WINDOWEVENT_EXPOSED ||
          sdl.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        present();
      return false;
    case SDL_QUIT:
      event.kind = InputKind::Close;
      return true;
    default:
      return false;
  }
}

bool SdlHost::nextInput(InputEvent& event, bool wait)
{
  presentIfDue();
  SDL_Event sdl;
  while (SDL_PollEvent(&sdl))
    if (translate(sdl, event)) return true;
  if (!wait) return false;
  // Waiting: wake now and then to keep the window painted.
  while (SDL_WaitEventTimeout(&sdl, static_cast<int>(kPresentInterval))) {
    if (translate(sdl, event)) return true;
  }
  presentIfDue();
  return false;
}

void SdlHost::raiseWindow()
{
  SDL_RestoreWindow(window_);
  SDL_RaiseWindow(window_);
}

void SdlHost::cursorChanged(void* cursor, bool visible)
{
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
  for (const auto& [handle, made] : cursors_) {
    if (handle == cursor) {
      SDL_SetCursor(made);
      return;
    }
  }
  const omuser::Cursor* shape = omuser::CursorTable::instance().find(static_cast<HICON>(cursor));
  if (shape == nullptr) return;
  SDL_Cursor* made = nullptr;
  if (shape->systemId != 0) {
    const SDL_SystemCursor kind = shape->systemId == 32513   ? SDL_SYSTEM_CURSOR_IBEAM
                                  : shape->systemId == 32514 ? SDL_SYSTEM_CURSOR_WAIT
                                  : shape->systemId == 32515 ? SDL_SYSTEM_CURSOR_CROSSHAIR
                                                             : SDL_SYSTEM_CURSOR_ARROW;
    made = SDL_CreateSystemCursor(kind);
  } else if (shape->width > 0 && shape->height > 0 &&
             shape->pixels.size() ==
                 static_cast<std::size_t>(shape->width) * static_cast<std::size_t>(shape->height)) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint32_t*>(shape->pixels.data()), shape->width, shape->height, 32,
        shape->width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface != nullptr) {
      made = SDL_CreateColorCursor(surface, shape->hotSpot.x, shape->hotSpot.y);
      SDL_FreeSurface(surface);
    }
  }
  if (made == nullptr) return;
  SDL_SetCursor(made);
  cursors_.emplace_back(cursor, made);
}

}  // namespace omhost
