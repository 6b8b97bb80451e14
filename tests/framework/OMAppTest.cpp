// The application object's main loop, tasks and frame window procedure, and the child windows'
// input routing, on the headless host.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMSystem.h"
#include "framework/OMTask.h"
#include "framework/OMWindow.h"
#include "framework/OMWndCanvas.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/ScopedEdition.h"

namespace {

std::vector<std::string> log;

OMWord note(OMWord id)
{
  log.push_back("t" + std::to_string(id));
  return 0;
}

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    log.clear();
    session_ = std::make_unique<omtest::TestApp>();
  }
  void TearDown() override
  {
    tasks_.clear();
    session_.reset();
  }
  OMTask* task(int id, std::uint32_t word)
  {
    const OMLinkToFct link(&note, static_cast<OMWord>(id));
    tasks_.push_back(std::make_unique<OMTask>(&link, word));
    return tasks_.back().get();
  }
  OMApp& app() { return session_->app(); }
  omhost::HeadlessHost& host() { return session_->host(); }

  std::unique_ptr<omtest::TestApp> session_;
  std::vector<std::unique_ptr<OMTask>> tasks_;
};

TEST_F(AppTest, TasksRunByWordAndMayChangeTheListWhileTheyRun)
{
  // 1 removes itself; 2 (word 5) adds 5 (word 5, equal) and 6 (word 9, higher) and 7 (word 0,
  // lower): the first two run in the same pass, the lower one from the next pass on.
  static OMTask* tasks[8];
  struct Effects {
    static OMWord run(OMWord id)
    {
      note(id);
      OMApp* app = OMApp::instance();
      if (id == 1) app->removeTask(tasks[1]);
      static bool added = false;
      if (id == 2 && !added) {
        added = true;
        app->addTask(tasks[5]);
        app->addTask(tasks[6]);
        app->addTask(tasks[7]);
      }
      return 0;
    }
  };
  const std::uint32_t words[8] = {0, 3, 5, 7, 0, 5, 9, 0};
  for (int id = 1; id < 8; ++id) {
    const OMLinkToFct link(&Effects::run, static_cast<OMWord>(id));
    tasks_.push_back(std::make_unique<OMTask>(&link, words[id]));
    tasks[id] = tasks_.back().get();
  }
  for (int id : {3, 2, 1})
    app().addTask(tasks[id]);
  omtest::runPasses(1);
  EXPECT_EQ(log, (std::vector<std::string>{"t1", "t2", "t5", "t3", "t6"}));
  log.clear();
  tasks[3]->suspend();
  app().addTask(tasks[2]);  // re-adding moves it behind its equal, 5
  omtest::runPasses(1);
  EXPECT_EQ(log, (std::vector<std::string>{"t7", "t5", "t2", "t6"}));
  EXPECT_EQ(app().taskList().count(), 5);
  EXPECT_EQ(app().removeTask(tasks[1]), nullptr);
  log.clear();
  tasks[3]->resume();
  tasks_.erase(tasks_.begin() + 1);  // deleting task 2 takes it off the list
  omtest::runPasses(1);
  EXPECT_EQ(log, (std::vector<std::string>{"t7", "t5", "t3", "t6"}));
}

TEST_F(AppTest, AnInactiveApplicationWaitsAndRunsNoTaskNorIdleLink)
{
  app().addTask(task(1, 0));
  omtest::runPasses(1);
  EXPECT_EQ(log.size(), 1u);
  host().deactivate();
  omtest::runPasses(3);
  EXPECT_TRUE(app().isWaitMode());
  EXPECT_FALSE(app().isActive());
  const std::size_t afterDeactivation = log.size();
  omtest::runPasses(3);
  EXPECT_EQ(log.size(), afterDeactivation);
  // A quit taken while waiting is dropped: the loop goes on.
  PostQuitMessage(0);
  omtest::runPasses(3);
  EXPECT_EQ(log.size(), afterDeactivation);
  host().activate();
  omtest::runPasses(2);
  EXPECT_FALSE(app().isWaitMode());
  EXPECT_GT(log.size(), afterDeactivation);
}

TEST_F(AppTest, ATaskOutlivingTheApplicationLeavesNoListBehind)
{
  app().addTask(task(1, 0));
  session_.reset();
  EXPECT_EQ(OMApp::instance(), nullptr);
  tasks_.clear();  // under the sanitizer, touching the gone list would show here
  session_ = std::make_unique<omtest::TestApp>();
  EXPECT_TRUE(app().taskList().isEmpty());
}

TEST_F(AppTest, AWaitingLoopStillEndsWhenTheHostClosesTheFrame)
{
  host().deactivate();
  omtest::runPasses(2);
  ASSERT_TRUE(app().isWaitMode());
  host().requestClose();
  app().run();
  EXPECT_FALSE(app().isRunning());
}

// A pre-dispatch hook that cancels every message: no window sees it, post-dispatch still runs.
class CancellingApp : public OMApp {
 public:
  using OMApp::OMApp;
  void preDispatch() override
  {
    ++pre;
    currentEvent().message = 0;
  }
  void postDispatch() override { ++post; }
  void closeRequested() override { ++closes; }
  int pre = 0;
  int post = 0;
  int closes = 0;
};

TEST(AppFrame, AMessageZeroedBeforeDispatchReachesNoWindow)
{
  omtest::startAppSession();
  CancellingApp app(3, OMRect(0, 0, 640, 480), OMRGBColor(), 16, 0);
  PostMessageA(app.frameWindow(), WM_CLOSE, 0, 0);
  omtest::runPasses(3);
  EXPECT_GE(app.pre, 1);
  EXPECT_EQ(app.pre, app.post);
  EXPECT_EQ(app.closes, 0);
  omhost::useRealClock();
}

TEST_F(AppTest, CloseWithoutLinkEndsTheLoopAndLetsTheSessionEnd)
{
  EXPECT_EQ(SendMessageA(app().frameWindow(), WM_QUERYENDSESSION, 0, 0), TRUE);
  host().requestClose();
  app().run();  // returns after the pass in which the frame's close arrived
  EXPECT_FALSE(app().isRunning());
}

TEST(AppFrame, FullScreenModeWithoutDirectDrawIsMadeAsModeThree)
{
  {
    omtest::TestApp session(5);
    EXPECT_EQ(session.app().frameMode(), 3);
    // Top-level windows always clip their siblings.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(session.app().frameWindow(), GWL_STYLE)) &
                  ~static_cast<DWORD>(WS_CLIPSIBLINGS),
              0x82080000u | WS_VISIBLE);
    // The platform offers DirectDraw with its fixed list of modes.
    EXPECT_TRUE(probeDirectDraw(640, 480, 16));
    EXPECT_FALSE(probeDirectDraw(641, 480, 16));
  }
  OMApp::useDirectDrawDrawing();
  omtest::TestApp windowed(1);
  EXPECT_EQ(windowed.app().frameMode(), 3);
  EXPECT_FALSE(OMApp::isDirectDrawWanted());
  EXPECT_FALSE(OMApp::canvasesUseDirectDraw());
}

// A child window that records what reaches it.
class Recorder : public OMWindow {
 public:
  using OMWindow::OMWindow;
  void keyDown() override { seen.push_back("down " + hex(currentEventWParam())); }
  void keyUp() override { seen.push_back("up " + hex(currentEventWParam())); }
  void mouseDown() override { seen.push_back("press " + point()); }
  void mouseMove() override { seen.push_back("move " + point()); }
  void mouseUp() override { seen.push_back("release " + point()); }
  void activated() override { seen.push_back("activated"); }
  void deactivated() override { seen.push_back("deactivated"); }
  std::vector<std::string> seen;

 private:
  static std::string hex(WPARAM value)
  {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
  }
  static std::string point()
  {
    const OMPoint p = currentEventMousePoint();
    return std::to_string(p.x) + "," + std::to_string(p.y);
  }
};

TEST_F(AppTest, KeysReachTheActiveWindowAsKeyCodesAndReleasesCarryTheirPressCode)
{
  Recorder window(OMRect(0, 0, 640, 480), 0, 0);
  window.activate();
  omtest::runPasses(2);
  window.seen.clear();
  host().typeKey(VK_F5);
  host().typeKey(VK_RETURN);
  host().typeKey('A');
  host().pressKey(VK_LEFT);
  host().pressKey(VK_LEFT);  // auto-repeat: a second press, one release
  host().releaseKey(VK_LEFT);
  omtest::runPasses(20);
  EXPECT_EQ(window.seen,
            (std::vector<std::string>{"down E813", "up E813", "down E802", "up E802", "down 61",
                                      "up 61", "down E809", "down E809", "up E809"}));
}

TEST_F(AppTest, MouseInputGoesToTheActiveWindowAndTheCaptureKeepsAPressTogether)
{
  Recorder left(OMRect(0, 0, 200, 200), 0, 0);
  Recorder right(OMRect(300, 0, 500, 200), 0, 0);
  right.activate();
  left.activate();
  EXPECT_EQ(right.seen, (std::vector<std::string>{"activated", "deactivated"}));
  left.activate();  // already active: nothing again
  omtest::runPasses(2);
  left.seen.clear();
  right.seen.clear();
  host().releaseButton(50, 50);  // a release without a captured press
  host().pressButton(310, 20);   // on the other window: reaches the active one
  host().moveMouse(600, 400);    // outside, still held
  host().releaseButton(600, 400);
  host().pressButton(50, 50, omhost::MouseButton::Right);
  host().releaseButton(50, 50, omhost::MouseButton::Right);
  omtest::runPasses(20);
  EXPECT_TRUE(right.seen.empty());
  EXPECT_EQ(left.seen,
            (std::vector<std::string>{"press 310,20", "move 600,400", "release 600,400"}));
  EXPECT_FALSE(OMWindow::isMouseCaptured());
}

// What a screen point shows of a caption: 'A' active, 'I' inactive, '?' neither.
char captionAt(int x, int y)
{
  HDC screen = GetDC(nullptr);
  const COLORREF color = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  // At the precision of the 16-bit screen.
  const auto shows = [color](int index) { return ((color ^ GetSysColor(index)) & 0xF8F8F8) == 0; };
  return shows(COLOR_ACTIVECAPTION) ? 'A' : shows(COLOR_INACTIVECAPTION) ? 'I' : '?';
}

// Child windows with captions: activating one draws its caption active and every other one
// inactive; deactivating leaves them all inactive.
TEST_F(AppTest, ActivationDrawsTheActiveWindowsCaptionActiveAndTheOthersInactive)
{
  OMWindow a(OMRect(0, 0, 300, 200), 3, 0);
  OMWindow b(OMRect(320, 0, 620, 200), 3, 0);
  b.activate();
  a.activate();
  const auto captions = [&a, &b] {
    std::string shown;
    for (const OMWindow* window : {&a, &b}) {
      RECT r;
      GetWindowRect(window->handle(), &r);
      shown += captionAt(r.left + 4 + 19, r.top + 4 + 1);  // inside the sizing frame
    }
    return shown;
  };
  const struct {
    OMWindow* window;
    void (OMWindow::*operation)();
    const char* shown;
  } steps[] = {
      {&a, &OMWindow::activate, "AI"},   {&b, &OMWindow::activate, "IA"},
      {&b, &OMWindow::activate, "IA"},   {&a, &OMWindow::activate, "AI"},
      {&a, &OMWindow::deactivate, "II"}, {&b, &OMWindow::activate, "IA"},
  };
  for (const auto& step : steps) {
    (step.window->*step.operation)();
    omtest::runPasses(2);
    EXPECT_EQ(captions(), step.shown) << (step.window == &a ? "a" : "b");
  }
}

// The paint operation runs between BeginPaint and EndPaint, so what it draws reaches only the
// part of the window that is being painted.
TEST_F(AppTest, PaintDrawsOnlyWhatIsBeingPainted)
{
  class Painter : public OMWindow {
   public:
    using OMWindow::OMWindow;
    void paint() override
    {
      canvas()->setFillColor(OMRGBColor::fromBytes(0, 0, 255));
      canvas()->drawRect(OMRect(0, 0, 200, 100));
    }
  } window(OMRect(0, 0, 200, 100), 0, 0);
  window.activate();
  omtest::runPasses(2);
  window.canvas()->setFillColor(OMRGBColor::fromBytes(255, 0, 0));
  window.canvas()->drawRect(OMRect(0, 0, 200, 100));
  const RECT dirty{10, 10, 20, 20};
  InvalidateRect(window.handle(), &dirty, FALSE);
  UpdateWindow(window.handle());
  HDC dc = GetDC(window.handle());
  EXPECT_EQ(GetPixel(dc, 15, 15) & 0xF8F8F8, RGB(0, 0, 248));
  EXPECT_EQ(GetPixel(dc, 50, 50) & 0xF8F8F8, RGB(248, 0, 0));
  ReleaseDC(window.handle(), dc);
}

OMWindow* doomed = nullptr;
OMWord destroyDoomed(OMWord)
{
  delete doomed;
  doomed = nullptr;
  return 0;
}

// A window that its own press link destroys is not touched afterwards, and the next window
// in line becomes the active one.
TEST_F(AppTest, AWindowDestroyedInsideItsOwnLinkIsLeftAlone)
{
  Recorder survivor(OMRect(300, 0, 500, 200), 0, 0);
  survivor.activate();
  doomed = new OMWindow(OMRect(0, 0, 200, 200), 0, 0);
  doomed->activate();
  const OMLinkToFct link(&destroyDoomed);
  doomed->setMouseDownLink(&link);
  host().click(50, 50);
  omtest::runPasses(10);
  EXPECT_EQ(doomed, nullptr);
  EXPECT_EQ(OMWindow::activeWindow(), &survivor);
  EXPECT_TRUE(survivor.isMarkedActive());
}

TEST(AppEditions, TheAssessmentEditionNamesItsChildClassAndRunsTasksWithoutALock)
{
  const ScopedEdition edition(OMEdition::assessment);
  omtest::TestApp session(2);
  EXPECT_EQ(session.app().frameMode(), 2);
  OMWindow window(OMRect(10, 10, 110, 110), 3, 1);
  char name[64] = {};
  GetClassNameA(window.handle(), name, sizeof name);
  EXPECT_STREQ(name, "OMWindowChildClass");
  EXPECT_EQ(OMWindow::fromHandle(window.handle()), &window);
  log.clear();
  const OMLinkToFct link(&note, 4);
  OMTask task(&link, 0);
  session.app().addTask(&task);
  omtest::runPasses(2);
  EXPECT_EQ(log.size(), 2u);
  // Kind 3 has a system menu of its own, with Restore greyed.
  HMENU menu = GetSystemMenu(window.handle(), FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemCount(menu), 7);
  EXPECT_TRUE(GetMenuState(menu, SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED);
}

WNDPROC buttonProcedure = nullptr;

LRESULT CALLBACK ownButtonProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_USER + 1) return 77;
  return CallWindowProcA(buttonProcedure, control, message, wParam, lParam);
}

// The assessment edition's window extras: the walk over visible windows in z-order, titles,
// zoom and restore geometry, and controls with a window procedure of their own.
TEST(AppEditions, WindowsWalkTheirZOrderKeepTitlesZoomAndSubclassControls)
{
  const ScopedEdition edition(OMEdition::assessment);
  omtest::TestApp session(2);
  std::vector<std::unique_ptr<OMWindow>> windows;
  for (int i = 0; i < 3; ++i)
    windows.push_back(std::make_unique<OMWindow>(OMRect(50, 40, 250, 190), 0, 0));
  const auto walk = [&windows] {
    std::string order;
    for (OMWindow* w = OMWindow::nextVisibleInZOrder(nullptr); w;
         w = OMWindow::nextVisibleInZOrder(w))
      order += static_cast<char>('A' + (w == windows[1].get()) + 2 * (w == windows[2].get()));
    return order;
  };
  // Activating shows a window on top; a hidden one is passed over.
  const std::pair<int, const char*> steps[] = {{-1, ""},   {0, "A"},   {2, "CA"},
                                               {1, "BCA"}, {0, "ABC"}, {-2, "AC"}};
  for (const auto& [window, order] : steps) {
    if (window >= 0) windows[static_cast<std::size_t>(window)]->activate();
    if (window == -2) ShowWindow(windows[1]->handle(), SW_HIDE);
    EXPECT_EQ(walk(), order) << window;
  }

  OMWindow& window = *windows[0];
  const std::string longTitle(300, 't');
  for (const char* title : {"Stage", "", static_cast<const char*>(nullptr), longTitle.c_str()})
    EXPECT_EQ((window.setTitle(title), window.title()), std::string(title ? title : "", 0, 255));

  RECT client{};
  GetClientRect(session.app().frameWindow(), &client);
  const OMRect home(50, 40, 250, 190), full(0, 0, client.right, client.bottom);
  const std::pair<void (OMWindow::*)(), OMRect> zooms[] = {
      {&OMWindow::restore, home}, {&OMWindow::zoom, full},    {&OMWindow::zoom, full},
      {&OMWindow::restore, home}, {&OMWindow::restore, home}, {&OMWindow::zoom, full}};
  for (const auto& [operation, rect] : zooms) {
    (window.*operation)();
    EXPECT_EQ(window.isZoomed(), rect == full);
    EXPECT_EQ(window.getFrameRect(), rect);
  }
  EXPECT_EQ(window.restoreRect(), home);

  // The control's own procedure takes what it knows and passes on the rest; it comes back
  // when the window goes.
  HWND button = CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20,
                                session.app().frameWindow(), nullptr, nullptr, nullptr);
  buttonProcedure = window.subclassControl(button, &ownButtonProcedure);
  ASSERT_NE(buttonProcedure, nullptr);
  EXPECT_EQ(window.subclassControl(button, &ownButtonProcedure), &ownButtonProcedure);
  EXPECT_EQ(SendMessageA(button, WM_USER + 1, 0, 0), 77);
  SendMessageA(button, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("new"));
  char text[16] = "";
  GetWindowTextA(button, text, sizeof text);
  EXPECT_STREQ(text, "new");
  windows.clear();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(button, GWLP_WNDPROC)), buttonProcedure);
  DestroyWindow(button);
}

TEST(AppHelpers, KeyCodesScreenAndAlertBox)
{
  omtest::TestApp session;
  EXPECT_EQ(omkey::codeOfVirtualKey(VK_F1), 0xE80Fu);
  EXPECT_EQ(omkey::codeOfVirtualKey(VK_F12), 0xE81Au);
  EXPECT_EQ(omkey::codeOfVirtualKey(VK_DELETE), 0xE80Eu);
  EXPECT_EQ(omkey::codeOfVirtualKey(VK_RETURN), 0u);
  EXPECT_EQ(getScreenRect(0), OMRect(0, 0, 640, 480));
  EXPECT_TRUE(getScreenRect(1).isEmpty());
  EXPECT_EQ(getScreenDepth(), 16);
  omhost::advanceClock(1000);
  const std::uint32_t before = getTicks();
  omhost::advanceClock(1000);
  EXPECT_EQ(getTicks() - before, 60u);
  session.host().pressKey(VK_LEFT);
  omtest::runPasses(2);
  EXPECT_TRUE(isKeyDown(omkey::left));
  EXPECT_FALSE(isKeyDown(omkey::right));
  alertBox("Stop", MB_OK, nullptr);
  alertBox("Go", MB_OK, "Title");
  ASSERT_EQ(session.host().messageBoxes().size(), 2u);
  EXPECT_EQ(session.host().messageBoxes()[0].caption, "Alert");
  EXPECT_EQ(session.host().messageBoxes()[1].caption, "Title");
}

}  // namespace
