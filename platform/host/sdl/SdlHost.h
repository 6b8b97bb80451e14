#pragma once

#include <SDL.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/Host.h"
#include "platform/host/sdl/SdlDisplayWait.h"

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
  void idle(std::uint32_t milliseconds) override;
  bool nextInput(InputEvent& event, bool wait) override;
  void cursorChanged(const CursorShape& shape, bool visible) override;
  void setTitle(const std::string& title) override;
  void setIcon(const CursorShape& large, const CursorShape& small) override;
  void raiseWindow() override;
  void setFullScreen(bool on) override;

 private:
  SdlHost() = default;
  bool translate(const SDL_Event& sdl, InputEvent& event);
  // Presents when the screen differs from what was last shown; answers whether it did.
  bool presentIfChanged();
  // Whether the screen's size, depth or (at 8 bits) palette differs from what is shown.
  bool layoutChanged() const;
  // The rows [first, end) that differ from what is shown; first == end when none do.
  std::pair<int, int> changedRows() const;
  // Brings the rows [first, end) to the texture and shows the frame.
  void presentRows(int first, int end);
  // Waits up to milliseconds for an SDL event, which is kept for nextInput (or, with the
  // display's own wait, until input may be there); answers whether the wait ended early.
  bool waitForEvent(int milliseconds);
  bool takeEvent(SDL_Event& sdl);
  // Whether SDL's events must be pumped now: something may be waiting, the display was
  // talked to since the last pump, or the last pump is a while ago.
  bool pumpNeeded(std::chrono::steady_clock::time_point now) const;
  bool makeTexture();
  // The picture's place in the window (letterboxed), and its scale.
  SDL_Rect pictureRect() const;
  bool toScreen(int x, int y, InputEvent& event) const;
  void showCursor();
  void showWindow();

  bool audioStarted_ = false;  // this host started the sound device, and stops it
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  Uint32 textureFormat_ = 0;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  int textureDepth_ = 0;
  std::vector<std::uint32_t> converted_;  // 8-bit screens go through the palette
  Uint32 lastCheck_ = 0;                  // when the screen was last compared with what is shown
  std::uint64_t shownDrawCount_ = 0;      // the screen's draw count when last compared
  bool presented_ = false;
  bool shown_ = false;                    // mapped: once titled or drawn
  std::vector<std::uint8_t> shownBytes_;  // what the window shows, to see changes
  std::array<std::uint32_t, 256> shownPalette_{};
  bool held_ = false;  // an event taken by a wait, not yet read
  SDL_Event heldEvent_{};
  // SDL's queue was found empty a moment before this: looking again sooner finds nothing new
  // (a wait would end at once on input) and costs calls to the display.
  std::chrono::steady_clock::time_point quietUntil_{};
  SdlDisplayWait displayWait_;
  // Calls to the display since the last pump: their requests are flushed and their answers
  // may have brought events along.
  bool pumpDue_ = true;
  std::chrono::steady_clock::time_point lastPump_{};
  std::uint8_t barPresses_ = 0;  // buttons pressed in the bars: their releases go nowhere too
  CursorShape cursorShape_ = desktopArrow();
  bool cursorVisible_ = true;
  SDL_Cursor* cursor_ = nullptr;  // made from cursorShape_ at cursorScale_
  int cursorScale_ = 0;
  std::string title_;
};

}  // namespace omhost
