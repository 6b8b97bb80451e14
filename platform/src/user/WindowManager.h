#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/src/gdi/RegionData.h"
#include "platform/src/user/Window.h"
#include "platform/src/user/WindowClass.h"

namespace omuser {

// The window system of the main thread: classes, the window tree, geometry, visibility,
// update regions, activation, focus and capture. The Win32 calls in this folder are thin
// wrappers around it.
class WindowManager {
 public:
  static WindowManager& instance();

  // ---- classes ----
  ATOM registerClass(const WNDCLASSEXA& description);
  bool unregisterClass(const char* name);
  WindowClass* findClass(const char* name) const;

  // ---- windows ----
  Window* find(HWND handle) const;
  Window* desktop() { return desktop_; }
  Window* create(const CREATESTRUCTA& create, WindowClass* windowClass);
  bool destroy(Window* window);
  // Calls the window's procedure (nothing for a destroyed window).
  LRESULT send(Window* window, UINT message, WPARAM wParam, LPARAM lParam);
  Window* topLevelOf(Window* window) const;
  std::vector<Window*> topLevelWindows() const;
  // The program's main window, which the host's window stands for: the first top-level
  // window without owner of those that still exist (later ones, such as a stage shown over
  // it, do not rename the host's window).
  Window* mainWindow() const;
  // A window and all its descendants, parents first.
  void collect(Window* root, std::vector<Window*>& out) const;
  bool isDescendant(const Window* ancestor, const Window* window) const;
  bool isShownOnScreen(const Window* window) const;

  // ---- geometry ----
  static RECT nonClientInsets(DWORD style, DWORD exStyle, bool hasMenu);
  static bool hasNonClientArea(const Window* window);
  RECT clientRectInWindow(const Window* window) const;
  RECT windowRectOnScreen(const Window* window) const;
  RECT clientRectOnScreen(const Window* window) const;
  POINT clientOrigin(const Window* window) const;
  RECT screenRect() const;
  int hitTest(const Window* window, POINT screen) const;
  Window* windowFromPoint(POINT screen) const;
  // The part of the screen where the window (or its client area) shows, with the windows
  // above it, its ancestors' borders and (with WS_CLIPCHILDREN) its children cut away.
  omgdi::RegionData visibleRegion(const Window* window, bool clientOnly) const;

  // ---- changes of place, size, z-order and visibility ----
  bool setWindowPos(Window* window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
  bool deferredPositions(const std::vector<WINDOWPOS>& batch);
  bool showWindow(Window* window, int command);
  void arrangeIconicWindows(Window* parent);
  // Gives a top-level window a menu bar (or none); the client area changes with it.
  void setMenu(Window* window, HMENU menu);

  // ---- painting ----
  // area in client coordinates, null for the whole client area.
  void invalidate(Window* window, const omgdi::RegionData* area, bool erase, int childMode);
  void validate(Window* window, const omgdi::RegionData* area, int childMode);
  bool needsPaint(const Window* window) const;
  Window* windowToPaint(const Window* filter) const;
  void paintNow(Window* window, bool children, bool eraseOnly);

  // ---- activation, focus, capture ----
  Window* active() const { return active_; }
  Window* focus() const { return focus_; }
  Window* capture() const { return capture_; }
  bool appActive() const { return appActive_; }
  void activate(Window* window, int how);
  void hostActivation(bool gained);
  // Told when the program loses the desktop's focus (after its windows are deactivated) and
  // when it regains it (before they are activated again): full-screen drawing gives up the
  // display and takes it back there.
  static void setHostActivationListener(void (*listener)(bool gained));
  Window* setFocus(Window* window);
  Window* setCapture(Window* window);
  void releaseCapture();

  // Children of a window: invalidation follows WS_CLIPCHILDREN unless told otherwise.
  static constexpr int kChildrenByStyle = 0;
  static constexpr int kAllChildren = 1;
  static constexpr int kNoChildren = 2;

  // Whether the caller runs on the thread that owns the windows (the first to use them).
  bool onOwnerThread() const { return std::this_thread::get_id() == owner_; }

  // Frees destroyed windows. Until then they stay, marked destroyed, so that code holding one
  // across a message it sent finds it dead rather than freed; the queue calls this when a
  // message is asked for outside any window procedure.
  void collectGarbage();
  // Forgets every window and class (tests start from a clean window system).
  void reset();

  // The system-menu key (Alt or F10) pressed alone, waiting for its release.
  int menuKeyPending = 0;

 private:
  WindowManager();
  void registerSystemClasses();
  using Snapshot = std::vector<std::pair<Window*, omgdi::RegionData>>;
  Snapshot snapshot() const;
  // The windows that got something to repaint.
  std::vector<HWND> exposeChanges(const Snapshot& before, const omgdi::RegionData& vacated);
  void placeInZOrder(Window* window, HWND insertAfter);
  void keepOwnedAboveOwners();
  bool applyPosition(Window* window, WINDOWPOS& position, omgdi::RegionData& vacated);
  void sendSizeAndMove(Window* window);
  void minimize(Window* window);
  void maximize(Window* window);
  void restore(Window* window);
  void activateNextAfter(Window* leaving);
  void unlink(Window* window);

  std::unordered_map<std::uintptr_t, std::unique_ptr<Window>> windows_;
  std::vector<std::unique_ptr<Window>> graveyard_;
  std::map<std::string, std::unique_ptr<WindowClass>> classes_;  // keyed by lower-case name
  Window* desktop_ = nullptr;
  Window* active_ = nullptr;
  Window* lastActive_ = nullptr;
  Window* focus_ = nullptr;
  Window* capture_ = nullptr;
  bool appActive_ = false;
  std::uintptr_t nextHandle_ = 0x10010;
  ATOM nextAtom_ = 0xC000;
  int sendDepth_ = 0;
  std::thread::id owner_ = std::this_thread::get_id();
  // The client area a window had before its frame changed (SetMenu).
  struct FrameChange {
    Window* window = nullptr;
    RECT client{};
  } frameChange_;
};

}  // namespace omuser

namespace omuser {

}  // namespace omuser
