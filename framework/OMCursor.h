#pragma once

#include <memory>

#include <windows.h>

class OMResHandle;
class OMResModule;
class OMWndCanvas;

// The mouse cursor of a window: a "CURSOR" resource or a system cursor. One cursor is
// current for the whole program; the default one (the arrow) stands for none.
class OMCursor {
 public:
  OMCursor();
  OMCursor(int id, OMResModule* source);
  virtual ~OMCursor();
  OMCursor(const OMCursor&) = delete;
  OMCursor& operator=(const OMCursor&) = delete;

  virtual void select(OMWndCanvas* canvas);
  virtual void deselect() {}
  virtual void appActivated() {}
  virtual void appDeactivated() {}
  virtual void hide();
  virtual void show();

  // Makes this cursor current for the canvas (the public entry of slot 1).
  void makeCurrent(OMWndCanvas* canvas);

  int id() const { return id_; }
  HCURSOR handle() const { return cursor_; }

  // The current cursor, or null when the default one is current.
  static OMCursor* current();
  // The cursor in effect: the current one or the default one.
  static OMCursor& effective();
  static OMCursor& defaultCursor();
  // The default cursor becomes current and is selected for the active window's canvas.
  static void selectNone();
  static bool isHiddenByProgram();

 private:
  void loadSystem(int id);

  int id_ = -1;
  std::unique_ptr<OMResHandle> resource_;
  HCURSOR cursor_ = nullptr;
  bool loaded_ = false;
};

void hideCursor();
void showCursor();
void setSystemCursorVisible(bool show);
