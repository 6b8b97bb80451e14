#include "platform/host/sdl/SdlHost.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/HostActivity.h"
#include "platform/host/HostSignals.h"
#include "platform/host/sdl/SdlAudioOutput.h"
#include "platform/host/sdl/SdlDisplayWatch.h"
#include "platform/host/sdl/SdlKeyMap.h"

namespace omhost {
namespace {

constexpr Uint32 kPresentInterval = 16;  // about one frame of a 60 Hz display
constexpr std::chrono::microseconds kQuietLook{1000};
// With the display's own wait SDL's events are pumped only when something may be waiting; now
// and then anyway, for what SDL does on its own in a pump (focus it delays, the screen saver).
constexpr std::chrono::milliseconds kPumpInterval{100};

// Work on another thread ends an idle wait through an event of our own; it is pushed only
// while the main thread waits, so busy threads do not fill SDL's queue.
std::atomic<Uint32> wakeEvent{0};
std::atomic<bool> waiting{false};
std::atomic<const SdlDisplayWait*> displayWaiter{nullptr};

void wakeFromIdle()
{
  const Uint32 type = wakeEvent.load(std::memory_order_acquire);
  const SdlDisplayWait* waiter = displayWaiter.load(std::memory_order_acquire);
  if ((type == 0 && waiter == nullptr) || !waiting.exchange(false, std::memory_order_acq_rel))
    return;
  if (waiter != nullptr) {
    waiter->wake();
    return;
  }
  SDL_Event e{};
  e.type = type;
  SDL_PushEvent(&e);
}

SDL_SystemCursor systemCursor(int id)
{
  switch (id) {
    case 32513:
      return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514:
      return SDL_SYSTEM_CURSOR_WAIT;
    case 32515:
      return SDL_SYSTEM_CURSOR_CROSSHAIR;
    default:
      return SDL_SYSTEM_CURSOR_ARROW;
  }
}

// Whether the renderer's GL draws on the processor: Mesa's llvmpipe on a display without a
// graphics card, and the like.
bool glDrawsInSoftware(SDL_Renderer* renderer)
{
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr ||
      std::strncmp(info.name, "opengl", 6) != 0)
    return false;
  // glGetString(GL_RENDERER), called as the hosts we build for call C functions.
  using GetString = const unsigned char* (*)(unsigned int);
  constexpr unsigned int kGlRenderer = 0x1F01;
  const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = getString != nullptr ? getString(kGlRenderer) : nullptr;
  if (name == nullptr) return false;
  const std::string text(reinterpret_cast<const char*>(name));
  for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer", "SWR", "GDI Generic",
                               "Apple Software Renderer", "SwiftShader"})
    if (text.find(software) != std::string::npos) return true;
  return false;
}

// The GPU's renderer where there is one. A GL that draws on the processor wakes a thread per
// core and redraws the whole window for every frame (most of what a slow animation cost);
// SDL's own software renderer into the display server's shared-memory picture costs a
// fraction of that. A renderer the user named (SDL_RENDER_DRIVER) is kept.
SDL_Renderer* createRenderer(SDL_Window* window)
{
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
  if (renderer == nullptr || SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr ||
      !glDrawsInSoftware(renderer))
    return renderer;
  SDL_DestroyRenderer(renderer);
  // Else SDL would show the software renderer's picture through a GL texture again.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  return renderer != nullptr ? renderer : SDL_CreateRenderer(window, -1, 0);
}

}  // namespace

std::unique_ptr<SdlHost> SdlHost::open()
{
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "om: SDL: %s\n", SDL_GetError());
    return nullptr;
  }
  // SDL falls back to drawing nowhere when no display answers; a window that nobody can see
  // is no window, unless that driver was asked for by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
      !(asked && std::strcmp(asked, driver) == 0)) {
    std::fprintf(stderr, "om: SDL reached no display (DISPLAY=%s)\n",
                 std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();  // and what it started beside
    return nullptr;
  }
  std::unique_ptr<SdlHost> host(new SdlHost());
  int width = 0, height = 0, depth = 0;
  parseScreenSetting(std::getenv("OM_SCREEN"), width, height, depth);
  host->screen_.resize(width, height, depth);
  // Hidden until the program names its frame (or draws): it never maps without its title.
  host->window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                   height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
  if (host->window_ == nullptr) return nullptr;
  host->renderer_ = createRenderer(host->window_);
  if (host->renderer_ == nullptr) return nullptr;
  if (!host->makeTexture()) return nullptr;
  watchDisplay(host->window_);
  if (host->displayWait_.attach(host->window_))
    displayWaiter.store(&host->displayWait_, std::memory_order_release);
  if (wakeEvent.load() == 0) {
    const Uint32 type = SDL_RegisterEvents(1);
    if (type != static_cast<Uint32>(-1)) wakeEvent.store(type);
  }
  setIdleWaker(&wakeFromIdle);
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
  return texture_ != nullptr;
}

SdlHost::~SdlHost()
{
  setIdleWaker(nullptr);
  displayWaiter.store(nullptr, std::memory_order_release);
  if (audioStarted_) stopSdlAudio();
  // A display that has gone takes its window with it.
  if (displayLost()) return;
  // Taking the window down waits on the display, which may go meanwhile: Xlib would then
  // wait for ever.
  onDisplay([&] {
    if (cursor_ != nullptr) SDL_FreeCursor(cursor_);
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  });
}

// The picture scaled into the window as large as it fits, aspect kept, centred; in full
// screen by a whole factor when the picture fits at least once, so pixels stay square.
SDL_Rect SdlHost::pictureRect() const
{
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  const int sw = std::max(screen_.width, 1), sh = std::max(screen_.height, 1);
  if (fullScreen_) {
    const int factor = std::min(w / sw, h / sh);
    if (factor >= 1)
      return SDL_Rect{(w - sw * factor) / 2, (h - sh * factor) / 2, sw * factor, sh * factor};
  }
  SDL_Rect r{0, 0, w, h};
  if (static_cast<long long>(w) * sh > static_cast<long long>(h) * sw) {
    r.w = static_cast<int>(static_cast<long long>(h) * sw / sh);
    r.x = (w - r.w) / 2;
  } else {
    r.h = static_cast<int>(static_cast<long long>(w) * sh / sw);
    r.y = (h - r.h) / 2;
  }
  return r;
}

void SdlHost::showWindow()
{
  if (shown_) return;
  shown_ = true;
  onDisplay([&] { SDL_ShowWindow(window_); });
}

void SdlHost::present()
{
  presentRows(0, screen_.height);
}

void SdlHost::presentRows(int first, int end)
{
  if (displayLost()) return;
  pumpDue_ = true;
  showWindow();
  const ScreenBuffer& s = screen_;
  // The screen may have changed its mode since the texture was made.
  if (layoutChanged()) {
    if ((s.width != textureWidth_ || s.height != textureHeight_ ||
         s.bitsPerPixel != textureDepth_) &&
        !makeTexture())
      return;
    first = 0;
    end = s.height;
  }
  const std::size_t pitch = static_cast<std::size_t>(s.pitch);
  if (s.bytes.size() < pitch * static_cast<std::size_t>(s.height)) return;
  first = std::clamp(first, 0, s.height);
  end = std::clamp(end, first, s.height);
  if (end > first) {
    const SDL_Rect rows{0, first, s.width, end - first};
    const std::uint8_t* from = s.bytes.data() + static_cast<std::size_t>(first) * pitch;
    if (s.bitsPerPixel == 8) {
      converted_.resize(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
      for (int y = first; y < end; ++y)
        for (int x = 0; x < s.width; ++x)
          converted_[static_cast<std::size_t>(y) * s.width + x] =
              s.palette[s.bytes[static_cast<std::size_t>(y) * pitch + x]];
      SDL_UpdateTexture(texture_, &rows,
                        converted_.data() + static_cast<std::size_t>(first) * s.width, s.width * 4);
    } else {
      SDL_UpdateTexture(texture_, &rows, from, s.pitch);
    }
    shownBytes_.resize(s.bytes.size());
    std::memcpy(shownBytes_.data() + static_cast<std::size_t>(first) * pitch, from,
                static_cast<std::size_t>(end - first) * pitch);
  }
  // Drawn in window coordinates: the output may have more pixels than the window has points.
  int ow = 0, oh = 0, ww = 0, wh = 0;
  SDL_GetRendererOutputSize(renderer_, &ow, &oh);
  SDL_GetWindowSize(window_, &ww, &wh);
  if (ww > 0 && wh > 0)
    SDL_RenderSetScale(renderer_, static_cast<float>(ow) / ww, static_cast<float>(oh) / wh);
  const SDL_Rect target = pictureRect();
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, &target);
  onDisplay([&] { SDL_RenderPresent(renderer_); });
  lastCheck_ = SDL_GetTicks();
  presented_ = true;
  shownPalette_ = s.palette;
}

bool SdlHost::layoutChanged() const
{
  if (!presented_ || shownBytes_.size() != screen_.bytes.size() || screen_.width != textureWidth_ ||
      screen_.height != textureHeight_ || screen_.bitsPerPixel != textureDepth_)
    return true;
  return screen_.bitsPerPixel == 8 && shownPalette_ != screen_.palette;
}

std::pair<int, int> SdlHost::changedRows() const
{
  const auto pitch = static_cast<std::size_t>(screen_.pitch);
  const auto differs = [&](int y) {
    const std::size_t at = static_cast<std::size_t>(y) * pitch;
    return std::memcmp(shownBytes_.data() + at, screen_.bytes.data() + at, pitch) != 0;
  };
  int first = 0;
  while (first < screen_.height && !differs(first))
    ++first;
  int end = screen_.height;
  while (end > first && !differs(end - 1))
    --end;
  return {first, end};
}

bool SdlHost::presentIfChanged()
{
  // Looked at once per refresh at most, and only when something drew since the last look: a
  // still screen costs nothing.
  const Uint32 now = SDL_GetTicks();
  if (now - lastCheck_ < kPresentInterval) return false;
  if (layoutChanged()) {
    shownDrawCount_ = screen_.drawCount;
    present();
    return true;
  }
  if (screen_.drawCount == shownDrawCount_) return false;
  shownDrawCount_ = screen_.drawCount;
  lastCheck_ = now;
  const auto [first, end] = changedRows();
  if (first == end) return false;
  presentRows(first, end);
  return true;
}

bool SdlHost::waitForEvent(int milliseconds)
{
  if (held_) return true;
  if (milliseconds <= 0) return false;
  if (displayLost()) {
    SDL_Delay(static_cast<Uint32>(milliseconds));
    return false;
  }
  bool woke = false;
  waiting.store(true, std::memory_order_release);
  if (displayWait_.usable()) {
    // What was asked of the display goes out before the wait.
    if (pumpDue_) onDisplay([&] { SDL_PumpEvents(); });
    pumpDue_ = false;
    onDisplay([&] { woke = displayWait_.wait(milliseconds); });
  } else {
    onDisplay([&] { held_ = SDL_WaitEventTimeout(&heldEvent_, milliseconds) != 0; });
    woke = held_;
  }
  waiting.store(false, std::memory_order_release);
  quietUntil_ = woke ? std::chrono::steady_clock::time_point{}
                     : std::chrono::steady_clock::now() + kQuietLook;
  return woke;
}

bool SdlHost::pumpNeeded(std::chrono::steady_clock::time_point now) const
{
  return !displayWait_.usable() || pumpDue_ || now - lastPump_ >= kPumpInterval ||
         displayWait_.inputMayBeWaiting();
}

bool SdlHost::takeEvent(SDL_Event& sdl)
{
  if (held_) {
    held_ = false;
    sdl = heldEvent_;
    return true;
  }
  const auto now = std::chrono::steady_clock::now();
  if (now < quietUntil_) return false;
  if (!pumpNeeded(now)) {
    quietUntil_ = now + kQuietLook;
    return false;
  }
  bool taken = false;
  onDisplay([&] { taken = !displayLost() && SDL_PollEvent(&sdl) != 0; });
  pumpDue_ = false;
  lastPump_ = now;
  if (!taken) quietUntil_ = now + kQuietLook;
  return taken && !displayLost();
}

void SdlHost::idle(std::uint32_t milliseconds)
{
  // A pass that drew is shown now (once a refresh) and does not wait.
  if (presentIfChanged()) return;
  waitForEvent(static_cast<int>(milliseconds));
}

// Window points to screen points; answers whether the point lies on the picture (outside, the
// point is held to the picture's edge).
bool SdlHost::toScreen(int x, int y, InputEvent& event) const
{
  const SDL_Rect r = pictureRect();
  if (r.w <= 0 || r.h <= 0) return false;
  const long long sx = static_cast<long long>(x - r.x) * screen_.width;
  const long long sy = static_cast<long long>(y - r.y) * screen_.height;
  const bool inside = x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h;
  event.x = std::clamp(static_cast<int>(sx / r.w), 0, screen_.width - 1);
  event.y = std::clamp(static_cast<int>(sy / r.h), 0, screen_.height - 1);
  return inside;
}

bool SdlHost::translate(const SDL_Event& sdl, InputEvent& event)
{
  event = InputEvent();
  switch (sdl.type) {
    case SDL_MOUSEMOTION:
      event.kind = InputKind::MouseMove;
      toScreen(sdl.motion.x, sdl.motion.y, event);  // moves in a bar stop at the edge
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      event.kind = sdl.type == SDL_MOUSEBUTTONDOWN ? InputKind::MouseDown : InputKind::MouseUp;
      if (sdl.button.button == SDL_BUTTON_LEFT)
        event.button = MouseButton::Left;
      else if (sdl.button.button == SDL_BUTTON_RIGHT)
        event.button = MouseButton::Right;
      else if (sdl.button.button == SDL_BUTTON_MIDDLE)
        event.button = MouseButton::Middle;
      else
        return false;
      // A press in the bars beside the picture reaches no window, nor does its release.
      const auto bit = static_cast<std::uint8_t>(1u << static_cast<int>(event.button));
      const bool inPicture = toScreen(sdl.button.x, sdl.button.y, event);
      if (event.kind == InputKind::MouseDown && !inPicture) {
        barPresses_ |= bit;
        return false;
      }
      if (event.kind == InputKind::MouseUp && (barPresses_ & bit)) {
        barPresses_ &= static_cast<std::uint8_t>(~bit);
        return false;
      }
      return true;
    }
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
          sdl.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        present();
        showCursor();  // the cursor follows the picture's scale
      }
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
  presentIfChanged();
  SDL_Event sdl;
  while (takeEvent(sdl))
    if (translate(sdl, event)) return true;
  if (!wait) return false;
  // Waiting: wake now and then to show what other threads drew.
  for (;;) {
    if (!waitForEvent(static_cast<int>(kPresentInterval))) break;
    while (takeEvent(sdl))
      if (translate(sdl, event)) return true;
  }
  presentIfChanged();
  return false;
}

void SdlHost::raiseWindow()
{
  if (displayLost()) return;
  pumpDue_ = true;
  onDisplay([&] {
    SDL_RestoreWindow(window_);
    SDL_RaiseWindow(window_);
  });
}

void SdlHost::setFullScreen(bool on)
{
  if (on == fullScreen_ || displayLost()) return;
  fullScreen_ = on;
  pumpDue_ = true;
  onDisplay([&] {
    SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    if (!on) SDL_SetWindowSize(window_, screen_.width, screen_.height);
  });
  present();
  showCursor();  // the cursor follows the picture's scale
}

void SdlHost::setTitle(const std::string& title)
{
  if (title == title_ || displayLost()) return;
  title_ = title;
  pumpDue_ = true;
  SDL_SetWindowTitle(window_, title.c_str());
  showWindow();
}

void SdlHost::setIcon(const CursorShape& large, const CursorShape& small)
{
  if (displayLost()) return;
  const CursorShape& icon = large.pixels.empty() ? small : large;
  pumpDue_ = true;
  if (icon.pixels.size() != std::size_t(icon.width) * std::size_t(icon.height) ||
      icon.pixels.empty())
    return;
  std::vector<std::uint32_t> pixels = icon.pixels;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      pixels.data(), icon.width, icon.height, 32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return;
  SDL_SetWindowIcon(window_, surface);
  SDL_FreeSurface(surface);
}

void SdlHost::cursorChanged(const CursorShape& shape, bool visible)
{
  cursorVisible_ = visible;
  if (!(shape == cursorShape_) || cursor_ == nullptr) {
    cursorShape_ = shape;
    cursorScale_ = 0;
  }
  showCursor();
}

// A picture cursor is scaled with the picture (nearest pixel); system cursors are the
// desktop's own.
void SdlHost::showCursor()
{
  if (displayLost()) return;
  pumpDue_ = true;
  const CursorShape& shape = cursorShape_;
  const bool empty =
      shape.systemId == 0 && (shape.width <= 0 || shape.height <= 0 ||
                              shape.pixels.size() != static_cast<std::size_t>(shape.width) *
                                                         static_cast<std::size_t>(shape.height));
  SDL_ShowCursor(cursorVisible_ && !empty ? SDL_ENABLE : SDL_DISABLE);
  if (empty) return;
  const SDL_Rect picture = pictureRect();
  const double scale = screen_.width > 0 ? static_cast<double>(picture.w) / screen_.width : 1.0;
  const int width =
      shape.systemId != 0 ? 1 : std::max(1, static_cast<int>(std::lround(shape.width * scale)));
  if (cursor_ != nullptr && width == cursorScale_) return;
  SDL_Cursor* made = nullptr;
  if (shape.systemId != 0) {
    made = SDL_CreateSystemCursor(systemCursor(shape.systemId));
  } else {
    const int height = std::max(1, static_cast<int>(std::lround(shape.height * scale)));
    std::vector<std::uint32_t> scaled(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        scaled[static_cast<std::size_t>(y) * width + x] =
            shape.pixels[static_cast<std::size_t>(
                             std::min(shape.height - 1, y * shape.height / height)) *
                             shape.width +
                         std::min(shape.width - 1, x * shape.width / width)];
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(scaled.data(), width, height, 32,
                                                              width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface != nullptr) {
      made = SDL_CreateColorCursor(surface, static_cast<int>(shape.hotX * scale),
                                   static_cast<int>(shape.hotY * scale));
      SDL_FreeSurface(surface);
    }
  }
  if (made == nullptr) return;
  SDL_SetCursor(made);
  if (cursor_ != nullptr) SDL_FreeCursor(cursor_);
  cursor_ = made;
  cursorScale_ = width;
}

}  // namespace omhost
