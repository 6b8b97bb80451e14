#pragma once

#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"

class OMCursor;
class OMNControl;
class OMWndCanvas;

// A child window of the application's frame, or a top-level window over it. It turns the
// messages it receives into calls of its virtual operations, each of which calls its link by
// default. All mouse input goes to the active child window; the keyboard stays with the frame.
class OMWindow {
 public:
  // Where a window lies: in the frame's client area (rectangle in its coordinates), or on the
  // screen as a top-level window of its own above the frame (rectangle in screen coordinates).
  enum class Placement { inFrame, onScreen };

  OMWindow(const OMRect& rect, int kind, int adjust, Placement placement = Placement::inFrame);
  virtual ~OMWindow();
  OMWindow(const OMWindow&) = delete;
  OMWindow& operator=(const OMWindow&) = delete;

  virtual void activated();
  virtual void close();
  virtual void deactivated();
  virtual void paint();
  virtual void keyDown();
  virtual void keyUp();
  virtual void maximizedCommand();
  virtual void minimizedCommand();
  virtual void doubleClick();
  virtual void mouseDown();
  virtual void mouseMove();
  virtual void mouseUp();
  virtual void moved();
  virtual void restored();
  virtual void resized();
  virtual void reserved() {}

  void setPaintLink(const OMLink* link);
  void setKeyDownLink(const OMLink* link);
  void setKeyUpLink(const OMLink* link);
  void setMouseDownLink(const OMLink* link);
  void setMouseMoveLink(const OMLink* link);
  OMLink* keyDownLink() const { return links_[keyDownSlot].get(); }
  OMLink* keyUpLink() const { return links_[keyUpSlot].get(); }
  OMLink* mouseDownLink() const { return links_[mouseDownSlot].get(); }
  OMLink* mouseMoveLink() const { return links_[mouseMoveSlot].get(); }

  void activate();
  void deactivate();
  OMPoint getMousePoint(int* buttons) const;
  OMRect getFrameRect() const;
  void setCursor(OMCursor* cursor);

  // The visible OM windows of the frame in z-order: the one below `above` (the topmost for
  // null), or null at the bottom.
  static OMWindow* nextVisibleInZOrder(const OMWindow* above);
  void setTitle(const char* text);
  std::string title() const;
  // Zooming fills the frame's client area and keeps the rectangle to restore (frame
  // coordinates); restoring puts it back. Each does nothing in the other state.
  void zoom();
  void restore();
  bool isZoomed() const { return zoomed_; }
  const OMRect& restoreRect() const { return restoreRect_; }
  // Gives a native control a window procedure of its own; answers the one it had, to which
  // the new one passes what it leaves. The old procedure comes back when this window goes.
  WNDPROC subclassControl(HWND control, WNDPROC procedure);

  HWND handle() const { return window_; }
  int kind() const { return kind_; }
  bool isMarkedActive() const { return active_; }
  OMWndCanvas* canvas() const { return canvas_.get(); }
  // The native controls placed in the window, in the order they joined. The list does not own
  // them: a control joins and leaves it itself, and one still listed when the window goes is
  // left without its native window.
  void addControl(OMNControl* control);
  void removeControl(OMNControl* control);
  const std::vector<OMNControl*>& controls() const { return controls_; }

  static OMWindow* activeWindow();
  static OMWindow* fromHandle(HWND window);
  static const std::vector<OMWindow*>& windows();
  static bool isMouseCaptured();
  static void releaseMouseCapture();
  static const char* childClassName();
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Routes a mouse message that reached `window` to the active window's operation.
  static void routeMouseMessage(OMWindow* window, OMWindow* activeWindow,
                                void (OMWindow::*operation)(), UINT message, WPARAM wParam,
                                LPARAM lParam);
  static void restack();

 private:
  enum Slot {
    activatedSlot,
    closeSlot,
    deactivatedSlot,
    paintSlot,
    keyDownSlot,
    keyUpSlot,
    maximizedSlot,
    minimizedSlot,
    doubleClickSlot,
    mouseDownSlot,
    mouseMoveSlot,
    mouseUpSlot,
    movedSlot,
    restoredSlot,
    resizedSlot,
    slotCount
  };

  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void callLink(Slot slot);
  void setLink(Slot slot, const OMLink* link);
  void fillBackground(HDC dc);
  // Moves the window onto a rectangle of the frame's client coordinates.
  void moveInFrame(const OMRect& rect);

  struct Subclassed {
    HWND control;
    WNDPROC original;
  };

  // The listed control whose native window that is, or null.
  OMNControl* controlOf(LPARAM window) const;
  // A control's command, scroll or colour request; false when no listed control sent it.
  bool routeControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& answer);

  std::vector<OMNControl*> controls_;
  std::vector<Subclassed> subclassed_;
  OMRect restoreRect_;
  bool zoomed_ = false;
  std::unique_ptr<OMLink> links_[slotCount];
  std::unique_ptr<OMWndCanvas> canvas_;
  OMRGBColor iconColor_ = OMRGBColor(0xFF00, 0xFF00, 0xFF00);
  HICON icon_ = nullptr;
  int kind_ = 0;
  HWND window_ = nullptr;
  bool active_ = false;
  bool activationPending_ = true;
  bool onScreen_ = false;
};
