#include "framework/OMApp.h"

#include <string>

#include "framework/OMCanvas.h"
#include "framework/OMCursor.h"
#include "framework/OMDirectDraw.h"
#include "framework/OMEdition.h"
#include "framework/OMMenubar.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMResourceReport.h"
#include "framework/OMSystem.h"
#include "framework/OMWindow.h"
#include "framework/OMWndCanvas.h"

namespace {

OMApp* theApp = nullptr;
std::string frameClass = "OMAppFrameClass";
HINSTANCE programModule = nullptr;
bool directDrawWanted = false;
bool surfacesForCanvases = false;
bool deepCanvases = false;

constexpr UINT aboutCommand = 512;
constexpr DWORD frameStyles[6] = {0x02CF0000, 0x02CA0000, 0x02CA0000,
                                  0x82080000, 0x820A0000, 0x82080000};

int runsNoEarlier(OMTask* existing, OMTask* added)
{
  return added->word() >= existing->word();
}

bool isMouse(UINT message)
{
  return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
}

}  // namespace

void OMApp::setFrameClassName(const char* name)
{
  frameClass = name ? name : "";
}

const char* OMApp::frameClassName()
{
  return frameClass.c_str();
}

void OMApp::setProgramInstance(HINSTANCE instance)
{
  programModule = instance;
}

HINSTANCE OMApp::programInstance()
{
  return programModule ? programModule : GetModuleHandleA(nullptr);
}

void OMApp::useDirectDrawDrawing()
{
  directDrawWanted = true;
}

void OMApp::useGdiDrawing()
{
  directDrawWanted = false;
}

bool OMApp::isDirectDrawWanted()
{
  return directDrawWanted;
}

bool OMApp::canvasesUseDirectDraw()
{
  return surfacesForCanvases && theApp && theApp->directDraw2_;
}

void OMApp::setDeepCanvases(bool on)
{
  deepCanvases = on;
}

int OMApp::offscreenDepth()
{
  return deepCanvases && theApp ? theApp->depth_ : 8;
}

OMApp* OMApp::instance()
{
  return theApp;
}

OMApp::OMApp(int mode, const OMRect& rect, const OMRGBColor& background, int depth,
             OMWord /*reserved*/)
    : depth_(depth)
{
  forgetResourceReports();
  tasks_.setOrdering(&runsNoEarlier);
  lockTaskList_ = OMEdition::isGame();
  if (lockTaskList_) InitializeCriticalSection(&section_);
  theApp = this;

  // Full screen through DirectDraw needs both the mode and the wish for it.
  if (mode < 0 || mode > 5) mode = 3;
  if ((mode == 5) != directDrawWanted) {
    mode = 3;
    directDrawWanted = false;
  }
  mode_ = mode;
  if (!(background.index == -2 && !directDrawWanted)) background_ = background;

  defaultMenu_ = std::make_unique<OMMenubar>();
  currentMenu_ = defaultMenu_.get();

  HINSTANCE instance = programInstance();
  frameClass_.cbSize = sizeof frameClass_;
  frameClass_.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  frameClass_.lpfnWndProc = &OMApp::frameWindowProc;
  frameClass_.hInstance = instance;
  frameClass_.hIcon = LoadIconA(instance, "OM_APP_ICON");
  if (!frameClass_.hIcon) frameClass_.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  frameClass_.hIconSm = static_cast<HICON>(LoadImageA(instance, "OM_APP_ICON_SMALL", IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
  frameClass_.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  frameClass_.lpszClassName = frameClass.c_str();
  RegisterClassExA(&frameClass_);

  getVersionStrings(instance, productName_, productVersion_);
  title_ = productName_;

  const OMRect screen = getScreenRect(0);
  frameRect_ = (mode_ >= 2 && mode_ <= 4) ? screen : rect;
  frame_ = CreateWindowExA(0, frameClass.c_str(), title_.c_str(), frameStyles[mode_],
                           frameRect_.left(), frameRect_.top(), frameRect_.width(),
                           frameRect_.height(), nullptr, nullptr, instance, nullptr);

  if (directDrawWanted && !startDirectDraw(depth)) {
    mode_ = 3;
    directDrawWanted = false;
  }
  surfacesForCanvases = directDrawWanted && directDraw2_;
  displayIndex_ = 0;

  buildSystemMenu(false);
  if (frame_) {
    BringWindowToTop(frame_);
    ShowWindow(frame_, SW_SHOW);
    SetFocus(frame_);
    RECT placed;
    GetWindowRect(frame_, &placed);
    frameRect_.set(placed.left, placed.top, placed.right, placed.bottom);
  }
}

bool OMApp::startDirectDraw(int depth)
{
  const OMDirectDrawLibrary& library = loadDirectDrawLibrary();
  if (!library.usable()) return false;
  if (library.create(nullptr, &directDraw_, nullptr) != DD_OK || !directDraw_) {
    directDraw_ = nullptr;
    return false;
  }
  if (directDraw_->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&directDraw2_)) !=
          DD_OK ||
      !directDraw2_ ||
      directDraw2_->SetCooperativeLevel(frame_, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK ||
      directDraw2_->SetDisplayMode(static_cast<DWORD>(frameRect_.width()),
                                   static_cast<DWORD>(frameRect_.height()),
                                   static_cast<DWORD>(depth), 0, 0) != DD_OK) {
    releaseDirectDraw();
    return false;
  }
  return true;
}

void OMApp::releaseDirectDraw()
{
  if (directDraw2_) directDraw2_->Release();
  if (directDraw_) directDraw_->Release();
  directDraw2_ = nullptr;
  directDraw_ = nullptr;
}

OMApp::~OMApp()
{
  currentMenu_ = nullptr;
  defaultMenu_.reset();
  theApp = nullptr;
  title_.clear();
  productName_.clear();
  productVersion_.clear();
  if (frame_) DestroyWindow(frame_);
  frame_ = nullptr;
  UnregisterClassA(frameClass.c_str(), frameClass_.hInstance);
  if (frameClass_.hIcon && frameClass_.hIcon != LoadIconA(nullptr, IDI_APPLICATION))
    DestroyIcon(frameClass_.hIcon);
  if (lockTaskList_) DeleteCriticalSection(&section_);
  releaseDirectDraw();
  if (frameClass_.hIconSm) DestroyIcon(frameClass_.hIconSm);
  tasks_.removeAll();
}

void OMApp::callLink(const std::unique_ptr<OMLink>& link)
{
  if (link) link->call();
}

void OMApp::about()
{
  if (aboutLink_) {
    aboutLink_->call();
    return;
  }
  const std::string text = productName_ + " " + productVersion_;
  alertBox(text.c_str(), 0x3000, "About");
}

void OMApp::activated()
{
  callLink(activatedLink_);
}

void OMApp::closeRequested()
{
  if (closeLink_) {
    closeLink_->call();
    return;
  }
  quit();
}

void OMApp::deactivated()
{
  callLink(deactivatedLink_);
}
void OMApp::idle()
{
  callLink(idleLink_);
}
void OMApp::maximized()
{
  callLink(maximizedLink_);
}
void OMApp::minimized()
{
  callLink(minimizedLink_);
}
void OMApp::preDispatch()
{
  callLink(preDispatchLink_);
}
void OMApp::postDispatch()
{
  callLink(postDispatchLink_);
}
void OMApp::moved()
{
  callLink(movedLink_);
}
void OMApp::resumed()
{
  callLink(resumedLink_);
}
void OMApp::restored()
{
  callLink(restoredLink_);
}
void OMApp::resized()
{
  callLink(resizedLink_);
}
void OMApp::suspended()
{
  callLink(suspendedLink_);
}

void OMApp::setActivateLink(const OMLink* link)
{
  activatedLink_ = cloneLink(link);
}
void OMApp::setDeactivateLink(const OMLink* link)
{
  deactivatedLink_ = cloneLink(link);
}
void OMApp::setCloseLink(const OMLink* link)
{
  closeLink_ = cloneLink(link);
}
void OMApp::setResumeLink(const OMLink* link)
{
  resumedLink_ = cloneLink(link);
}
void OMApp::setSuspendLink(const OMLink* link)
{
  suspendedLink_ = cloneLink(link);
}

void OMApp::lock()
{
  if (lockTaskList_) EnterCriticalSection(&section_);
}

void OMApp::unlock()
{
  if (lockTaskList_) LeaveCriticalSection(&section_);
}

void OMApp::addTask(OMTask* task)
{
  lock();
  if (task) {
    tasks_.remove(task);
    tasks_.add(task);
  }
  unlock();
}

OMTask* OMApp::removeTask(OMTask* task)
{
  lock();
  OMTask* removed = tasks_.remove(task);
  unlock();
  return removed;
}

void OMApp::setMenu(OMMenubar* menubar)
{
  if (!menubar) return;
  currentMenu_ = menubar;
  menubar->install();
  if (frame_ && mode_ != 3 && mode_ != 5) {
    SetMenu(frame_, menubar->handle());
    DrawMenuBar(frame_);
  }
}

void OMApp::resetMenu()
{
  if (frame_) SetMenu(frame_, nullptr);
  if (currentMenu_ == defaultMenu_.get()) defaultMenu_ = std::make_unique<OMMenubar>();
  currentMenu_ = defaultMenu_.get();
}

void OMApp::run()
{
  if (frame_)
    RedrawWindow(frame_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  flushInputMessages();
  setMenu(currentMenu_);
  running_ = !OMProgramEnd::requested();
  while (running_)
    runPass();
}

void OMApp::runPass()
{
  MSG message{};
  bool taken = false;
  if (waitMode_) {
    const BOOL answer = GetMessageA(&message, nullptr, 0, 0);
    // A quit does not end the loop; in wait mode it is dropped, and so is a failed take.
    taken = answer > 0;
  } else {
    taken = PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != 0;
  }
  if (taken) {
    currentEvent() = message;
    preDispatch();
    message = currentEvent();
    if (message.message != 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    postDispatch();
  }
  if (waitMode_) return;
  idle();
  lock();
  tasks_.forEach([](OMTask* task) { OMTask::runOnce(task); });
  unlock();
}

void OMApp::activateApp()
{
  if (active_) return;
  if (OMCursor::isHiddenByProgram()) ShowCursor(FALSE);
  waitMode_ = false;
  active_ = true;
  OMCursor::effective().appActivated();
  activated();
  if (OMWindow* child = OMWindow::activeWindow()) {
    if (mode_ == 5 && directDraw2_ && child->canvas()->surfaceUsable()) {
      const OMRect screen = getScreenRect(displayIndex_);
      MoveWindow(frame_, screen.left(), screen.top(), screen.width(), screen.height(), TRUE);
      child->paint();
    }
    if (modeCancelPending_) {
      suspend();
    } else {
      child->activate();
    }
  }
  if (frame_) SetFocus(frame_);
}

void OMApp::deactivateApp()
{
  resume();
  if (OMWindow* child = OMWindow::activeWindow()) child->deactivate();
  if (active_) {
    if (OMCursor::isHiddenByProgram()) ShowCursor(TRUE);
    active_ = false;
    waitMode_ = true;
    deactivated();
    OMCursor::effective().appDeactivated();
  }
  OMWindow::releaseMouseCapture();
}

void OMApp::suspend()
{
  if (suspended_) return;
  suspended_ = true;
  suspended();
  OMCursor::effective().appDeactivated();
}

void OMApp::resume()
{
  if (!suspended_) return;
  suspended_ = false;
  OMCursor::effective().appActivated();
  resumed();
}

void OMApp::buildSystemMenu(bool minimized)
{
  if (!frame_) return;
  GetSystemMenu(frame_, TRUE);
  HMENU menu = GetSystemMenu(frame_, FALSE);
  if (!menu) return;
  if (mode_ <= 2) {
    if (mode_ == 2 && !minimized) DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    const std::string text = "&About " + productName_ + "...";
    AppendMenuA(menu, MF_STRING, aboutCommand, text.c_str());
    flushInputMessages();
  } else {
    while (GetMenuItemCount(menu) > 0)
      DeleteMenu(menu, 0, MF_BYPOSITION);
  }
}

LRESULT CALLBACK OMApp::frameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (!theApp || (theApp->frame_ && window != theApp->frame_))
    return DefWindowProcA(window, message, wParam, lParam);
  return theApp->handle(window, message, wParam, lParam);
}

void OMApp::keyDispatch(std::uint32_t character, LPARAM lParam)
{
  const std::uint32_t code = omkey::codeOfCharacter(character);
  currentEvent().wParam = code;
  OMWindow* child = OMWindow::activeWindow();
  if (!child || !child->isMarkedActive()) return;
  const int scan = static_cast<int>((static_cast<std::uint32_t>(lParam) >> 16) & 0xFF);
  bool known = false;
  for (const HeldKey& key : heldKeys_)
    known = known || key.scanCode == scan;
  if (!known) heldKeys_.push_back(HeldKey{code, scan});
  child->keyDown();
}

void OMApp::keyReleased(LPARAM lParam)
{
  const int scan = static_cast<int>((static_cast<std::uint32_t>(lParam) >> 16) & 0xFF);
  for (auto it = heldKeys_.begin(); it != heldKeys_.end(); ++it) {
    if (it->scanCode != scan) continue;
    currentEvent().wParam = it->code;
    heldKeys_.erase(it);
    if (OMWindow* child = OMWindow::activeWindow()) child->keyUp();
    return;
  }
}

LRESULT OMApp::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  OMWindow* child = OMWindow::activeWindow();
  switch (message) {
    case WM_CLOSE:
      closeRequested();
      return 0;
    case WM_QUERYENDSESSION:
      closeRequested();
      return running_ ? FALSE : TRUE;
    case WM_ENDSESSION:
      // The session ends now, whatever the scripts would answer.
      if (wParam) OMProgramEnd::request(OMProgramEnd::signalStatus());
      return 0;
    case WM_ACTIVATEAPP:
      if (LOWORD(wParam))
        activateApp();
      else
        deactivateApp();
      return 0;
    case WM_ACTIVATE:
    case WM_NCACTIVATE:
      if (wParam) SetFocus(window);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETFOCUS:
      if (child) {
        child->activate();
        resume();
        modeCancelPending_ = false;
      }
      return 0;
    case WM_KILLFOCUS:
      if (child) child->deactivate();
      return 0;
    case WM_MOVE: {
      if (mode_ == 5) break;
      RECT placed;
      GetWindowRect(window, &placed);
      frameRect_.set(placed.left, placed.top, placed.left + frameRect_.width(),
                     placed.top + frameRect_.height());
      const LRESULT answer = DefWindowProcA(window, message, wParam, lParam);
      moved();
      return answer;
    }
    case WM_SIZE: {
      if (mode_ == 5) break;
      RECT placed;
      GetWindowRect(window, &placed);
      frameRect_.set(placed.left, placed.top, placed.right, placed.bottom);
      const LRESULT answer = DefWindowProcA(window, message, wParam, lParam);
      resized();
      if (child && IsZoomed(child->handle())) {
        RECT client;
        GetClientRect(window, &client);
        MoveWindow(child->handle(), 0, 0, client.right, client.bottom, TRUE);
      }
      return answer;
    }
    case WM_WINDOWPOSCHANGING: {
      auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
      if (position && mode_ >= 2 && mode_ <= 4 && !IsIconic(window) && !restoring_ && !refitting_)
        position->flags |= SWP_NOMOVE | SWP_NOSIZE;
      return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_DISPLAYCHANGE: {
      if (mode_ == 5) break;
      const int previous = depth_;
      depth_ = static_cast<int>(wParam);
      const int width = LOWORD(lParam);
      const int height = HIWORD(lParam);
      if (mode_ <= 1) {
        if (depth_ != previous) resized();
      } else if (frameRect_.width() == width && frameRect_.height() == height) {
        resized();
      } else {
        refitting_ = true;
        MoveWindow(window, 0, 0, width, height, FALSE);
        refitting_ = false;
      }
      InvalidateRect(window, nullptr, TRUE);
      UpdateWindow(window);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (dc && background_.index != -2) {
        COLORREF color = CLR_INVALID;
        if (background_.index == -1)
          color =
              PALETTERGB(background_.redByte(), background_.greenByte(), background_.blueByte());
        else if (background_.index >= 0 && background_.index <= 255)
          color = PALETTEINDEX(background_.index);
        HPALETTE previous = nullptr;
        OMWndCanvas* canvas = child ? child->canvas() : nullptr;
        if (canvas && canvas->palette()) previous = SelectPalette(dc, canvas->palette(), TRUE);
        if (color != CLR_INVALID) {
          HBRUSH brush = CreateSolidBrush(color);
          FillRect(dc, &paint.rcPaint, brush);
          DeleteObject(brush);
        }
        if (previous) SelectPalette(dc, previous, TRUE);
      }
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_NOCHILDREN);
      UpdateWindow(window);
      return 1;
    case WM_SETCURSOR: {
      static HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
      if (!IsIconic(window) && LOWORD(lParam) == HTCLIENT) {
        OMCursor* shown = child && child->canvas() ? child->canvas()->cursor() : nullptr;
        SetCursor(shown ? shown->handle() : arrow);
        return TRUE;
      }
      return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_CANCELMODE:
      modeCancelPending_ = true;
      suspend();
      return 0;
    case WM_COMMAND:
      if (dispatchMenuCommand(LOWORD(wParam))) return 0;
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_INITMENU:
      if (currentMenu_) currentMenu_->update();
      return 0;
    case WM_NCMOUSEMOVE:
      if (active_ && child) PostMessageA(child->handle(), message, wParam, lParam);
      return 0;
    case WM_NCLBUTTONDOWN: {
      suspend();
      const LRESULT answer = DefWindowProcA(window, message, wParam, lParam);
      resume();
      return answer;
    }
    case WM_NCLBUTTONDBLCLK:
      nextNcReleaseToDefault_ = true;
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_NCLBUTTONUP:
      if (nextNcReleaseToDefault_) {
        nextNcReleaseToDefault_ = false;
        return DefWindowProcA(window, message, wParam, lParam);
      }
      if (active_ && child) PostMessageA(child->handle(), message, wParam, lParam);
      return 0;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
    case WM_NCMBUTTONDBLCLK:
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_TAB) suspend();
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_SYSCHAR:
      if (wParam == '-' && child) return DefWindowProcA(child->handle(), message, wParam, lParam);
      if (child && child->kind() <= 1 && (mode_ == 3 || mode_ == 5))
        keyDispatch(static_cast<std::uint32_t>(wParam), lParam);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_KEYDOWN: {
      if (wParam == VK_F4 && isControlKeyDown()) {
        if ((GetWindowLongA(window, GWL_STYLE) & WS_SYSMENU) && child) child->close();
        resume();
        return 0;
      }
      const std::uint32_t code = omkey::codeOfVirtualKey(static_cast<int>(wParam));
      if (code && child && child->isMarkedActive()) {
        currentEvent().message = WM_CHAR;
        currentEvent().wParam = code;
        keyDispatch(code, lParam);
      }
      return 0;
    }
    case WM_CHAR:
      keyDispatch(static_cast<std::uint32_t>(wParam), lParam);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (wParam == VK_MENU) resume();
      keyReleased(lParam);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_SYSCOMMAND: {
      const UINT command = static_cast<UINT>(wParam & 0xFFF0);
      if (wParam == aboutCommand) {
        suspend();
        about();
        resume();
        return 0;
      }
      if (command == SC_KEYMENU && (mode_ == 3 || mode_ == 5)) return 0;
      if (command != SC_TASKLIST && command != SC_NEXTWINDOW && command != SC_PREVWINDOW) suspend();
      LRESULT answer = 0;
      if (command == SC_MINIMIZE) {
        buildSystemMenu(true);
        minimized();
        answer = DefWindowProcA(window, message, wParam, lParam);
      } else if (command == SC_MAXIMIZE) {
        buildSystemMenu(false);
        maximized();
        answer = DefWindowProcA(window, message, wParam, lParam);
      } else if (command == SC_RESTORE) {
        buildSystemMenu(false);
        restored();
        restoring_ = true;
        answer = DefWindowProcA(window, message, wParam, lParam);
        restoring_ = false;
      } else {
        answer = DefWindowProcA(window, message, wParam, lParam);
      }
      resume();
      return answer;
    }
    default:
      if (isMouse(message)) {
        if (active_ && child) {
          POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
          MapWindowPoints(window, child->handle(), &point, 1);
          PostMessageA(child->handle(), message, wParam, MAKELPARAM(point.x, point.y));
        }
        return 0;
      }
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
