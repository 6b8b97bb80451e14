#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <ddraw.h>
#include <windows.h>

#include "framework/OMLink.h"
#include "framework/OMList.h"
#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"
#include "framework/OMTask.h"

class OMMenubar;

// The one application object: the frame window, the menu bar, the DirectDraw objects of full
// screen and the list of per-pass tasks; it runs the main loop.
class OMApp {
 public:
  OMApp(int mode, const OMRect& rect, const OMRGBColor& background, int depth, OMWord reserved);
  virtual ~OMApp();
  OMApp(const OMApp&) = delete;
  OMApp& operator=(const OMApp&) = delete;

  // Each calls its link when one is set. Without a link, about shows the About box and
  // closeRequested quits.
  virtual void about();
  virtual void activated();
  virtual void closeRequested();
  virtual void deactivated();
  virtual void idle();
  virtual void maximized();
  virtual void minimized();
  virtual void preDispatch();
  virtual void postDispatch();
  virtual void moved();
  virtual void resumed();
  virtual void restored();
  virtual void resized();
  virtual void suspended();

  static OMApp* instance();

  void run();
  // One pass of the main loop: at most one message, then the idle link and every task.
  void runPass();
  void quit() { running_ = false; }
  bool isRunning() const { return running_; }

  void addTask(OMTask* task);
  OMTask* removeTask(OMTask* task);
  OMList<OMTask>& taskList() { return tasks_; }

  void setMenu(OMMenubar* menubar);
  void resetMenu();
  OMMenubar* menu() const { return currentMenu_; }

  void setActivateLink(const OMLink* link);
  void setDeactivateLink(const OMLink* link);
  void setCloseLink(const OMLink* link);
  void setResumeLink(const OMLink* link);
  void setSuspendLink(const OMLink* link);

  void activateApp();
  void deactivateApp();
  void suspend();
  void resume();
  void buildSystemMenu(bool minimized);

  static LRESULT CALLBACK frameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND frameWindow() const { return frame_; }
  int frameMode() const { return mode_; }
  int displayIndex() const { return displayIndex_; }
  int colorDepth() const { return depth_; }
  const OMRect& frameRect() const { return frameRect_; }
  const OMRGBColor& background() const { return background_; }
  const std::string& productName() const { return productName_; }
  const std::string& productVersion() const { return productVersion_; }
  const std::string& title() const { return title_; }
  bool isActive() const { return active_; }
  bool isSuspended() const { return suspended_; }
  bool isWaitMode() const { return waitMode_; }
  IDirectDraw* directDraw() const { return directDraw_; }
  IDirectDraw2* directDraw2() const { return directDraw2_; }

  // The class name of the frame window, chosen by the program's start-up before the object
  // is made; and the instance the program runs as.
  static void setFrameClassName(const char* name);
  static const char* frameClassName();
  static void setProgramInstance(HINSTANCE instance);
  static HINSTANCE programInstance();

  // The two drawing switches of the start-up display check. GDI drawing is the state before
  // either is called.
  static void useDirectDrawDrawing();
  static void useGdiDrawing();
  static bool isDirectDrawWanted();
  // Whether memory canvases draw on DirectDraw surfaces (fixed when the object is made).
  static bool canvasesUseDirectDraw();
  // The deep-canvas flag (off unless a program sets it): offscreen canvases made for the
  // display take the application's colour depth; off, they have 8 bits.
  static void setDeepCanvases(bool on);
  static int offscreenDepth();

 private:
  struct HeldKey {
    std::uint32_t code;
    int scanCode;
  };

  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void callLink(const std::unique_ptr<OMLink>& link);
  void keyDispatch(std::uint32_t character, LPARAM lParam);
  void keyReleased(LPARAM lParam);
  bool startDirectDraw(int depth);
  void releaseDirectDraw();
  void lock();
  void unlock();

  std::string productName_;
  std::string productVersion_;
  bool running_ = false;
  OMMenubar* currentMenu_ = nullptr;
  std::unique_ptr<OMMenubar> defaultMenu_;
  OMRGBColor background_;
  OMRect frameRect_;
  std::string title_;
  int mode_ = 3;
  int displayIndex_ = 0;
  int depth_ = 0;
  OMList<OMTask> tasks_;
  std::unique_ptr<OMLink> aboutLink_, activatedLink_, deactivatedLink_, closeLink_, idleLink_,
      maximizedLink_, minimizedLink_, preDispatchLink_, postDispatchLink_, movedLink_, resumedLink_,
      restoredLink_, resizedLink_, suspendedLink_;
  bool active_ = false;
  bool suspended_ = false;
  bool waitMode_ = false;
  HWND frame_ = nullptr;
  WNDCLASSEXA frameClass_{};
  IDirectDraw* directDraw_ = nullptr;
  IDirectDraw2* directDraw2_ = nullptr;
  CRITICAL_SECTION section_{};
  bool lockTaskList_ = true;

  std::vector<HeldKey> heldKeys_;
  bool modeCancelPending_ = false;
  bool restoring_ = false;
  bool refitting_ = false;
  bool nextNcReleaseToDefault_ = false;
};
