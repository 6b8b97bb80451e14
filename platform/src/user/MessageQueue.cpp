#include "platform/src/user/MessageQueue.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/host/HostActivity.h"
#include "platform/host/HostClock.h"
#include "platform/host/HostSignals.h"
#include "platform/src/kernel/WorkerThreads.h"
#include "platform/src/user/InstanceRegistry.h"
#include "platform/src/user/KeyboardLayout.h"
#include "platform/src/user/SystemMetrics.h"
#include "platform/src/user/WindowManager.h"

namespace omuser {
namespace {

using omhost::InputEvent;
using omhost::InputKind;
using omhost::MouseButton;

bool isMouse(InputKind kind)
{
  return kind == InputKind::MouseMove || kind == InputKind::MouseDown || kind == InputKind::MouseUp;
}

bool isKey(InputKind kind)
{
  return kind == InputKind::KeyDown || kind == InputKind::KeyUp;
}

int buttonKey(MouseButton button)
{
  switch (button) {
    case MouseButton::Right:
      return VK_RBUTTON;
    case MouseButton::Middle:
      return VK_MBUTTON;
    default:
      return VK_LBUTTON;
  }
}

// WM_MOUSEMOVE, or the button's down or up message.
UINT clientMouseMessage(const InputEvent& e)
{
  if (e.kind == InputKind::MouseMove) return WM_MOUSEMOVE;
  const UINT down = e.button == MouseButton::Right    ? WM_RBUTTONDOWN
                    : e.button == MouseButton::Middle ? WM_MBUTTONDOWN
                                                      : WM_LBUTTONDOWN;
  return e.kind == InputKind::MouseDown ? down : down + 1;
}

bool isPress(UINT message)
{
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
         message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK ||
         message == WM_MBUTTONDBLCLK || message == WM_NCLBUTTONDOWN ||
         message == WM_NCRBUTTONDOWN || message == WM_NCMBUTTONDOWN ||
         message == WM_NCLBUTTONDBLCLK || message == WM_NCRBUTTONDBLCLK ||
         message == WM_NCMBUTTONDBLCLK;
}

// Whether a look for messages from first to last can take a mouse or key message.
bool admitsInput(UINT first, UINT last)
{
  if (first == 0 && last == 0) return true;
  const auto overlaps = [&](UINT low, UINT high) { return first <= high && low <= last; };
  return overlaps(WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK) || overlaps(WM_KEYFIRST, WM_KEYLAST) ||
         overlaps(WM_MOUSEFIRST, WM_MOUSELAST);
}

LPARAM packPoint(int x, int y)
{
  return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

}  // namespace

MessageQueue& MessageQueue::instance()
{
  static MessageQueue queue;
  return queue;
}

void MessageQueue::reset()
{
  {
    std::lock_guard lock(postedMutex_);
    posted_.clear();
  }
  input_.clear();
  quitPending_ = false;
  syncKeys_.fill(0);
  asyncKeys_.fill(0);
  cursor_ = POINT{0, 0};
  lastPressWindow_ = nullptr;
  lastPressMessage_ = 0;
  lastPressWasDouble_ = false;
  idle_ = IdleState{};
}

void MessageQueue::post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  MSG msg{window, message, wParam, lParam, omhost::clockMilliseconds(), cursor_};
  {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(msg);
  }
  postedArrived_.notify_all();
  omhost::noteActivity();
}

void MessageQueue::postQuit(int exitCode)
{
  quitPending_ = true;
  quitCode_ = exitCode;
}

void MessageQueue::removeMessagesFor(HWND window)
{
  std::lock_guard lock(postedMutex_);
  posted_.erase(std::remove_if(posted_.begin(), posted_.end(),
                               [window](const MSG& m) { return m.hwnd == window; }),
                posted_.end());
}

void MessageQueue::setKey(std::array<std::uint8_t, 256>& table, int vk, bool down)
{
  auto apply = [&](int key) {
    if (key <= 0 || key > 255) return;
    if (down && !(table[key] & 0x80)) table[key] ^= 0x01;
    table[key] = static_cast<std::uint8_t>(down ? (table[key] | 0x80) : (table[key] & ~0x80));
  };
  apply(vk);
  // The generic Shift, Ctrl and Alt follow their left-hand keys.
  if (vk == VK_SHIFT) apply(VK_LSHIFT);
  if (vk == VK_CONTROL) apply(VK_LCONTROL);
  if (vk == VK_MENU) apply(VK_LMENU);
}

WPARAM MessageQueue::mouseKeyFlags(const std::array<std::uint8_t, 256>& t) const
{
  WPARAM flags = 0;
  if (t[VK_LBUTTON] & 0x80) flags |= MK_LBUTTON;
  if (t[VK_RBUTTON] & 0x80) flags |= MK_RBUTTON;
  if (t[VK_MBUTTON] & 0x80) flags |= MK_MBUTTON;
  if (t[VK_SHIFT] & 0x80) flags |= MK_SHIFT;
  if (t[VK_CONTROL] & 0x80) flags |= MK_CONTROL;
  return flags;
}

void MessageQueue::accept(const InputEvent& event)
{
  idle_.lastChange = std::chrono::steady_clock::now();
  RawInput raw;
  raw.event = event;
  raw.time = event.time != 0 ? event.time : omhost::clockMilliseconds();
  if (isMouse(event.kind)) {
    const RECT screen = WindowManager::instance().screenRect();
    cursor_.x = std::clamp<LONG>(event.x, screen.left, screen.right - 1);
    cursor_.y = std::clamp<LONG>(event.y, screen.top, screen.bottom - 1);
    raw.event.x = cursor_.x;
    raw.event.y = cursor_.y;
    if (event.kind != InputKind::MouseMove)
      setKey(asyncKeys_, buttonKey(event.button), event.kind == InputKind::MouseDown);
    raw.buttonsAfter = mouseKeyFlags(asyncKeys_);
    // Moves in a row collapse into the last one, as the system's queue does.
    if (event.kind == InputKind::MouseMove && !input_.empty() &&
        input_.back().event.kind == InputKind::MouseMove) {
      input_.back() = raw;
      return;
    }
  } else if (isKey(event.kind)) {
    const int vk = event.virtualKey & 0xFF;
    if (vk == 0) return;
    const bool down = event.kind == InputKind::KeyDown;
    const bool wasDown = (asyncKeys_[vk] & 0x80) != 0;
    setKey(asyncKeys_, vk, down);
    const bool alt = (asyncKeys_[VK_MENU] & 0x80) != 0;
    const bool ctrl = (asyncKeys_[VK_CONTROL] & 0x80) != 0;
    const bool system = vk == VK_F10 || (vk == VK_MENU && !ctrl) || (alt && !ctrl);
    raw.keyMessage =
        down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    const int scan = event.scanCode != 0 ? event.scanCode : KeyboardLayout::scanCode(vk);
    DWORD data = 1u | (static_cast<DWORD>(scan & 0xFF) << 16);
    if (KeyboardLayout::isExtended(vk)) data |= 1u << 24;
    if (alt && system) data |= 1u << 29;
    if (down ? wasDown : true) data |= 1u << 30;
    if (!down) data |= 1u << 31;
    raw.keyData = static_cast<LPARAM>(data);
  }
  input_.push_back(raw);
}

void MessageQueue::pumpHost(bool wait)
{
  omhost::Host& host = omhost::host();
  passExitRequest();
  InputEvent event;
  while (host.nextInput(event, false))
    accept(event);
  if (!wait || !input_.empty()) return;
  {
    std::lock_guard lock(postedMutex_);
    if (!posted_.empty()) return;
  }
  if (host.nextInput(event, true)) {
    accept(event);
    while (host.nextInput(event, false))
      accept(event);
  }
}

bool MessageQueue::runControlEvent(const InputEvent& event)
{
  WindowManager& wm = WindowManager::instance();
  switch (event.kind) {
    case InputKind::Activate:
      wm.hostActivation(true);
      return true;
    case InputKind::Deactivate:
      wm.hostActivation(false);
      return true;
    case InputKind::Close: {
      Window* target = wm.active();
      for (Window* top : wm.topLevelWindows())
        if (target == nullptr && top->isVisible()) target = top;
      if (target != nullptr) post(target->handle, WM_CLOSE, 0, 0);
      return true;
    }
    case InputKind::EndSession:
      for (Window* top : wm.topLevelWindows())
        wm.send(top, WM_QUERYENDSESSION, 0, 0);
      return true;
    default:
      return false;
  }
}

void MessageQueue::passExitRequest()
{
  const omhost::ExitRequest request = omhost::pendingExitRequest();
  // A request waits for the program's first window.
  const std::vector<Window*> tops = WindowManager::instance().topLevelWindows();
  if (request == omhost::ExitRequest::none || tops.empty()) return;
  if (request == omhost::ExitRequest::close) {
    InputEvent close;
    close.kind = InputKind::Close;
    runControlEvent(close);
  } else {
    for (Window* top : tops)
      post(top->handle, WM_ENDSESSION, TRUE, 0);
  }
  omhost::exitRequestPassed(request);
}

bool MessageQueue::candidateFor(const RawInput& raw, Candidate& out)
{
  WindowManager& wm = WindowManager::instance();
  const InputEvent& e = raw.event;
  out.msg.time = raw.time;
  if (isKey(e.kind)) {
    Window* target = wm.focus() != nullptr ? wm.focus() : wm.active();
    if (target == nullptr) return false;
    out.target = target;
    out.msg.hwnd = target->handle;
    out.msg.message = raw.keyMessage;
    out.msg.wParam = static_cast<WPARAM>(e.virtualKey & 0xFF);
    out.msg.lParam = raw.keyData;
    out.msg.pt = cursor_;
    return true;
  }
  const POINT p{e.x, e.y};
  out.msg.pt = p;
  UINT message = clientMouseMessage(e);
  Window* target = wm.capture();
  int hit = HTCLIENT;
  if (target == nullptr) {
    target = wm.windowFromPoint(p);
    // No mouse input reaches a disabled window or a child of one.
    for (const Window* w = target; w != nullptr && w != wm.desktop(); w = w->parent) {
      if (w->style & WS_DISABLED) return false;
    }
    if (target == nullptr) return false;
    const HWND handle = target->handle;
    hit = static_cast<int>(wm.send(target, WM_NCHITTEST, 0, packPoint(p.x, p.y)));
    if ((target = wm.find(handle)) == nullptr) return false;
    if (hit == HTTRANSPARENT) hit = HTCLIENT;
    if (hit == HTERROR || hit == HTNOWHERE) return false;
  }
  if (e.kind == InputKind::MouseDown) {
    const bool eligible = hit != HTCLIENT || (target->windowClass != nullptr &&
                                              (target->windowClass->style & CS_DBLCLKS) != 0);
    const bool near = std::abs(p.x - lastPressPoint_.x) <= metrics::kDoubleClickArea / 2 &&
                      std::abs(p.y - lastPressPoint_.y) <= metrics::kDoubleClickArea / 2;
    if (eligible && !lastPressWasDouble_ && lastPressWindow_ == target->handle &&
        lastPressMessage_ == message && raw.time - lastPressTime_ <= metrics::kDoubleClickTime &&
        near)
      message += 2;
  }
  out.target = target;
  out.hitCode = hit;
  out.msg.hwnd = target->handle;
  if (hit != HTCLIENT) {
    out.msg.message = message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    out.msg.wParam = static_cast<WPARAM>(hit);
    out.msg.lParam = packPoint(p.x, p.y);
  } else {
    const POINT origin = wm.clientOrigin(target);
    out.msg.message = message;
    out.msg.wParam = raw.buttonsAfter;
    out.msg.lParam = packPoint(p.x - origin.x, p.y - origin.y);
  }
  return true;
}

bool MessageQueue::matches(const MSG& msg, HWND window, UINT first, UINT last) const
{
  if (window == reinterpret_cast<HWND>(-1)) {
    if (msg.hwnd != nullptr) return false;
  } else if (window != nullptr) {
    WindowManager& wm = WindowManager::instance();
    const Window* filter = wm.find(window);
    const Window* target = wm.find(msg.hwnd);
    if (filter == nullptr || target == nullptr || !wm.isDescendant(filter, target)) return false;
  }
  if (first == 0 && last == 0) return true;
  return msg.message >= first && msg.message <= last;
}

bool MessageQueue::takePosted(MSG& out, HWND window, UINT first, UINT last, bool remove)
{
  std::lock_guard lock(postedMutex_);
  for (auto it = posted_.begin(); it != posted_.end(); ++it) {
    if (!matches(*it, window, first, last)) continue;
    out = *it;
    if (remove) posted_.erase(it);
    return true;
  }
  return false;
}

bool MessageQueue::takeInput(MSG& out, HWND window, UINT first, UINT last, bool remove)
{
  // A look for other kinds leaves the input alone: turning it into messages would hit-test
  // the windows under it.
  if (!admitsInput(first, last)) return false;
  WindowManager& wm = WindowManager::instance();
  std::size_t i = 0;
  while (i < input_.size()) {
    const RawInput raw = input_[i];
    // Later input waits behind an activation or a close request, which peek runs first.
    if (!isMouse(raw.event.kind) && !isKey(raw.event.kind)) break;
    Candidate c;
    if (!candidateFor(raw, c)) {
      input_.erase(input_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (!matches(c.msg, window, first, last)) {
      ++i;
      continue;
    }
    if (!remove) {
      out = c.msg;
      return true;
    }
    input_.erase(input_.begin() + static_cast<std::ptrdiff_t>(i));
    const HWND target = c.msg.hwnd;
    if (isKey(raw.event.kind)) {
      setKey(syncKeys_, static_cast<int>(c.msg.wParam), raw.event.kind == InputKind::KeyDown);
      if (raw.event.kind == InputKind::KeyDown) {
        const bool repeat = (c.msg.lParam & (1 << 30)) != 0;
        if (!repeat) wm.menuKeyPending = 0;
        if ((c.msg.wParam == VK_MENU || c.msg.wParam == VK_F10) && !repeat)
          wm.menuKeyPending = static_cast<int>(c.msg.wParam);
      }
      out = c.msg;
      return true;
    }
    if (raw.event.kind != InputKind::MouseMove)
      setKey(syncKeys_, buttonKey(raw.event.button), raw.event.kind == InputKind::MouseDown);
    if (wm.capture() == nullptr || wm.capture()->handle != target)
      wm.send(c.target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
              MAKELPARAM(c.hitCode, c.msg.message >= WM_MOUSEFIRST
                                        ? c.msg.message
                                        : c.msg.message - WM_NCMOUSEMOVE + WM_MOUSEMOVE));
    else
      wm.send(c.target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
              MAKELPARAM(HTCLIENT, c.msg.message));
    if ((c.target = wm.find(target)) == nullptr) continue;
    if (isPress(c.msg.message)) {
      wm.menuKeyPending = 0;
      lastPressWasDouble_ =
          c.msg.message == WM_LBUTTONDBLCLK || c.msg.message == WM_RBUTTONDBLCLK ||
          c.msg.message == WM_MBUTTONDBLCLK || c.msg.message == WM_NCLBUTTONDBLCLK ||
          c.msg.message == WM_NCRBUTTONDBLCLK || c.msg.message == WM_NCMBUTTONDBLCLK;
      lastPressWindow_ = target;
      lastPressMessage_ = clientMouseMessage(raw.event);
      lastPressTime_ = raw.time;
      lastPressPoint_ = c.msg.pt;
      if (wm.capture() == nullptr) {
        Window* top = wm.topLevelOf(c.target);
        const UINT mouseMessage = c.msg.message >= WM_MOUSEFIRST
                                      ? c.msg.message
                                      : c.msg.message - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
        const LRESULT answer = wm.send(c.target, WM_MOUSEACTIVATE,
                                       reinterpret_cast<WPARAM>(top ? top->handle : nullptr),
                                       MAKELPARAM(c.hitCode, mouseMessage));
        if ((answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) && top != nullptr &&
            wm.find(top->handle) != nullptr && wm.active() != top)
          wm.activate(top, WA_CLICKACTIVE);
        if (answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT) continue;
        if (wm.find(target) == nullptr) continue;
      }
    }
    out = c.msg;
    return true;
  }
  return false;
}

bool MessageQueue::takePaint(MSG& out, HWND window, UINT first, UINT last)
{
  if (!(first == 0 && last == 0) && !(first <= WM_PAINT && WM_PAINT <= last)) return false;
  WindowManager& wm = WindowManager::instance();
  const Window* filter = nullptr;
  if (window == reinterpret_cast<HWND>(-1)) return false;
  if (window != nullptr && (filter = wm.find(window)) == nullptr) return false;
  Window* w = wm.windowToPaint(filter);
  if (w == nullptr) return false;
  out = MSG{w->handle, WM_PAINT, 0, 0, omhost::clockMilliseconds(), cursor_};
  return true;
}

void MessageQueue::noteTaken(const MSG& msg)
{
  messageTime_ = msg.time;
  messagePosition_ = msg.pt;
}

// A look for any message is a pass of the program's loop; a look for some kinds (a flush of
// the input) is not. Under a stepping clock each pass first lets the workers finish what they
// were given, and an empty pass moves the clock once.
bool MessageQueue::isPassLook(UINT first, UINT last)
{
  const bool pass = first == 0 && last == 0;
  if (pass && omhost::clockStep() != 0) omwin::WorkerThreads::instance().waitForRest(kWorkerLimit);
  return pass;
}

bool MessageQueue::peek(MSG& out, HWND window, UINT first, UINT last, bool remove)
{
  const bool pass = isPassLook(first, last);
  if (peekOnce(out, window, first, last, remove)) {
    idle_.lastWasEmpty = false;
    return true;
  }
  if (!pass) return false;
  omhost::noInputWaiting();
  // Only the loop's own looks wait when nothing comes; a look for some kinds returns at once.
  if (!isStill()) return false;
  omhost::host().idle(idleWait(idle_.lastEmpty));
  idle_.lastEmpty = std::chrono::steady_clock::now();
  return peekOnce(out, window, first, last, remove);
}

// The program's loop polls with nothing to do when two passes in a row found no message, did
// no platform work and were over at once; the passes of a real clock only (on the manual clock
// tests drive time and nothing may wait).
bool MessageQueue::isStill()
{
  const auto now = std::chrono::steady_clock::now();
  const std::uint64_t activity = omhost::activityCount();
  const bool shortPass = idle_.lastWasEmpty && activity == idle_.activity &&
                         now - idle_.lastEmpty < kStillPass && !omhost::isManualClock();
  const bool still = shortPass && idle_.lastWasShort;
  idle_.lastWasShort = shortPass;
  idle_.lastWasEmpty = true;
  idle_.lastEmpty = now;
  idle_.activity = activity;
  return still;
}

std::uint32_t MessageQueue::idleWait(std::chrono::steady_clock::time_point now)
{
  const std::uint64_t drawn = omhost::host().screen().drawCount;
  if (drawn != idle_.drawCount) {
    idle_.drawCount = drawn;
    idle_.lastChange = now;
  }
  return now - idle_.lastChange < kSettling ? kIdleWait : kSettledWait;
}

bool MessageQueue::peekOnce(MSG& out, HWND window, UINT first, UINT last, bool remove)
{
  WindowManager::instance().collectGarbage();
  pumpHost(false);
  bool found = false;
  for (;;) {
    // Activation changes and close requests happen in their turn among the input, whatever
    // range is asked for; what they send and post comes before later input.
    while (!input_.empty() && !isMouse(input_.front().event.kind) &&
           !isKey(input_.front().event.kind)) {
      const InputEvent control = input_.front().event;
      input_.pop_front();
      runControlEvent(control);
    }
    found =
        takePosted(out, window, first, last, remove) || takeInput(out, window, first, last, remove);
    if (found || input_.empty() || isMouse(input_.front().event.kind) ||
        isKey(input_.front().event.kind))
      break;
  }
  if (!found && quitPending_ &&
      (first == 0 && last == 0 ? true : first <= WM_QUIT && WM_QUIT <= last)) {
    out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0, omhost::clockMilliseconds(),
              cursor_};
    if (remove) quitPending_ = false;
    found = true;
  }
  if (!found) found = takePaint(out, window, first, last);
  if (found) noteTaken(out);
  return found;
}

bool MessageQueue::get(MSG& out, HWND window, UINT first, UINT last)
{
  isPassLook(first, last);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (peekOnce(out, window, first, last, true)) return out.message != WM_QUIT;
    pumpHost(true);
  }
  // Other processes may post to a published window from the listening thread: wait a little
  // for them before giving up.
  if (InstanceRegistry::instance().anyPublished()) {
    std::unique_lock lock(postedMutex_);
    postedArrived_.wait_for(lock, std::chrono::milliseconds(100),
                            [this] { return !posted_.empty(); });
    lock.unlock();
    if (peekOnce(out, window, first, last, true)) return out.message != WM_QUIT;
  }
  // Nothing came and nothing will: an empty message rather than waiting for ever.
  omhost::noInputWaiting();
  out = MSG{nullptr, WM_NULL, 0, 0, omhost::clockMilliseconds(), cursor_};
  return TRUE;
}

SHORT MessageQueue::keyState(int vk) const
{
  if (vk < 0 || vk > 255) return 0;
  const std::uint8_t s = syncKeys_[vk];
  return static_cast<SHORT>(((s & 0x80) ? 0x8000 : 0) | (s & 0x01));
}

SHORT MessageQueue::asyncKeyState(int vk) const
{
  if (vk < 0 || vk > 255) return 0;
  return static_cast<SHORT>((asyncKeys_[vk] & 0x80) ? 0x8000 : 0);
}

}  // namespace omuser
