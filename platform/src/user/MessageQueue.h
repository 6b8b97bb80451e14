#pragma once

#include <windows.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/host/Host.h"

namespace omuser {

struct Window;

// The main thread's message queue: posted messages, input from the host turned into mouse and
// key messages, and the paint and quit messages made on demand. Posted messages come before
// input, input before WM_QUIT, and WM_PAINT only when nothing else in the asked range waits.
// It also keeps the keyboard and mouse state (the state as of the last message taken, for
// GetKeyState, and the current state, for GetAsyncKeyState) and the cursor position.
class MessageQueue {
 public:
  static MessageQueue& instance();

  // PostMessageA; safe from any thread.
  void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void postQuit(int exitCode);
  // PeekMessageA / GetMessageA. window: null for all, (HWND)-1 for thread messages only.
  bool peek(MSG& out, HWND window, UINT first, UINT last, bool remove);
  bool get(MSG& out, HWND window, UINT first, UINT last);

  // Reads what the host has (the current key and button state follow at once).
  void pumpHost(bool wait);
  void removeMessagesFor(HWND window);

  SHORT keyState(int virtualKey) const;
  SHORT asyncKeyState(int virtualKey) const;
  POINT cursorPosition() const { return cursor_; }
  void setCursorPosition(POINT p) { cursor_ = p; }
  DWORD messageTime() const { return messageTime_; }
  POINT messagePosition() const { return messagePosition_; }

  // Forgets everything (tests start from an empty queue).
  void reset();

 private:
  // One input event, with what could be decided when it was read.
  struct RawInput {
    omhost::InputEvent event;
    UINT keyMessage = 0;  // key events: WM_KEYDOWN ... WM_SYSKEYUP
    LPARAM keyData = 0;
    WPARAM buttonsAfter = 0;  // mouse: MK_ flags after the event
    DWORD time = 0;
  };
  // A raw mouse or key event turned into the message it makes now.
  struct Candidate {
    MSG msg{};
    int hitCode = HTCLIENT;
    Window* target = nullptr;
  };

  // A still loop waits this long at most in an empty peek: well within the 25 ms mouse
  // throttle, the script tick, the animation step, a movie frame and a ring of sound blocks;
  // input, posted messages, events and played blocks end it earlier.
  static constexpr std::uint32_t kIdleWait = 8;
  // Once nothing has been drawn and no input has come for a while, the program waits for a
  // timer of its own (a delay, the next step of a slow animation) or for input, sound or a
  // worker, which end the wait at once: a timer may then come due up to two display
  // refreshes late, and a still screen wakes a quarter as often.
  static constexpr std::uint32_t kSettledWait = 32;
  static constexpr std::chrono::milliseconds kSettling{250};
  // A pass this short that found nothing did no work.
  static constexpr std::chrono::microseconds kStillPass{1000};
  // A stepping clock waits this long at most for the workers to rest: one stuck on something
  // other than its next request must not stop the program.
  static constexpr std::chrono::milliseconds kWorkerLimit{5000};
  struct IdleState {
    bool lastWasEmpty = false;
    bool lastWasShort = false;
    std::chrono::steady_clock::time_point lastEmpty{};
    std::uint64_t activity = 0;
    std::uint64_t drawCount = 0;
    std::chrono::steady_clock::time_point lastChange{};  // a drawing or input seen
  };

  MessageQueue() = default;
  bool peekOnce(MSG& out, HWND window, UINT first, UINT last, bool remove);
  static bool isPassLook(UINT first, UINT last);
  bool isStill();
  // How long a still pass may wait.
  std::uint32_t idleWait(std::chrono::steady_clock::time_point now);
  void accept(const omhost::InputEvent& event);
  void setKey(std::array<std::uint8_t, 256>& table, int vk, bool down);
  bool runControlEvent(const omhost::InputEvent& event);
  // A host signal or a lost display: a close request, or the end of the session.
  void passExitRequest();
  bool candidateFor(const RawInput& raw, Candidate& out);
  bool takeInput(MSG& out, HWND window, UINT first, UINT last, bool remove);
  bool takePosted(MSG& out, HWND window, UINT first, UINT last, bool remove);
  bool takePaint(MSG& out, HWND window, UINT first, UINT last);
  void noteTaken(const MSG& msg);
  bool matches(const MSG& msg, HWND window, UINT first, UINT last) const;
  WPARAM mouseKeyFlags(const std::array<std::uint8_t, 256>& table) const;

  mutable std::mutex postedMutex_;
  std::condition_variable postedArrived_;
  std::deque<MSG> posted_;
  std::deque<RawInput> input_;
  bool quitPending_ = false;
  int quitCode_ = 0;
  std::array<std::uint8_t, 256> syncKeys_{};  // bit 0x80 down, bit 0x01 toggled
  std::array<std::uint8_t, 256> asyncKeys_{};
  POINT cursor_{0, 0};
  DWORD messageTime_ = 0;
  POINT messagePosition_{0, 0};
  // The last press, for double clicks.
  HWND lastPressWindow_ = nullptr;
  UINT lastPressMessage_ = 0;
  DWORD lastPressTime_ = 0;
  POINT lastPressPoint_{0, 0};
  bool lastPressWasDouble_ = false;
  IdleState idle_;
};

}  // namespace omuser
