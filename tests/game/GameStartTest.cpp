// The game program from its entry point to its end, in this process on the headless host: a
// work folder with the INI file and a CD folder (scripts, resource files, their map) on a
// mapped drive. "Startup.mps" calls a probe function of the test, which looks at the running
// game and asks to close; the test answers the close request as the scripts would.
#include <gtest/gtest.h>

#include <windows.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMPathDirectory.h"
#include "game/AppShell.h"
#include "game/GameMain.h"
#include "game/MachineChecks.h"
#include "game/OMStageWindow.h"
#include "game/ResourceFileRegistry.h"
#include "platform/src/user/InstanceRegistry.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tools/NEResourceWriter.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

// What the probe saw of the running game.
struct Seen {
  int probes = 0;
  int closes = 0;
  std::string debugAtProbe;
  RECT stage{};
  int cursor = 0;
  int mode = 0;
  int secondCopyStatus = -1;
  bool secondCopyWroteNothing = false;
  int raisesAtClose = 0;
  bool mappedResource = false;
};

Seen seen;
std::string workFolder;
bool startSecondCopy = false;

// Runs the program itself in the work folder; answers its exit status, -1 when it did not end
// by itself within the time.
int runProgram(int milliseconds)
{
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(workFolder.c_str()) != 0) ::_exit(97);
    ::execl(KORVANIX_PATH, "korvanix", static_cast<char*>(nullptr));
    ::_exit(98);
  }
  if (child < 0) return -1;
  int status = 0;
  for (int waited = 0; waited < milliseconds / 10; ++waited) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0) return -1;
    ::usleep(10000);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, &status, 0);
  return -1;
}

OMWord probe(OMWord)
{
  ++seen.probes;
  seen.debugAtProbe = omtest::readHostFile(workFolder + "/debug.txt");
  GetWindowRect(shellStage()->handle(), &seen.stage);
  seen.cursor = omhost::headlessHost()->cursor().systemId;
  seen.mode = shellApp()->frameMode();
  seen.mappedResource = findResourceStream(5000, "TEXT", -1) != nullptr;
  if (startSecondCopy) {
    const auto before = std::filesystem::last_write_time(workFolder + "/debug.txt");
    // A copy that did not find this one would run on: it gets a few seconds.
    seen.secondCopyStatus = runProgram(5000);
    seen.secondCopyWroteNothing =
        std::filesystem::last_write_time(workFolder + "/debug.txt") == before &&
        !std::filesystem::exists(workFolder + "/KORVANIX.DAT");
  }
  omhost::headlessHost()->requestClose();
  return 0;
}

void answerClose()
{
  ++seen.closes;
  seen.raisesAtClose = omhost::headlessHost()->raiseCount();
  answerCloseRequest(1);
}

class GameStartTest : public ::testing::Test {
 protected:
  GameStartTest()
  {
    seen = Seen{};
    workFolder = work.path();
    startSecondCopy = false;
    std::filesystem::create_directories(cd / "scripts");
    std::filesystem::create_directories(cd / "RSC");
    work.write("korvanix.INI", "[Velmora Trasko Adventures - CD]\nCDDrive=D:\\\n");
    cd.write("scripts/Startup.mps", "say started\rGameStartProbe\r");
    NEResourceWriter writer;
    writer.add("TEXT", "5000", {'h', 'i', 0});
    NEResourceWriter::Bytes bytes;
    EXPECT_TRUE(writer.build(bytes));
    cd.write("RSC/Intro.rsc", std::vector<unsigned char>(bytes.begin(), bytes.end()));
    cd.write("RSC/resource.map", "1\nintro.rsc\nTEXT 5000\nENDFILE\n");
    const OMLinkToFct link(&probe);
    registerScriptFunction("GameStartProbe", &link);
    shellCalls().raiseAppClose = &answerClose;
  }
  ~GameStartTest() override
  {
    // What the program leaves for the process's end.
    clearSearchPaths();
    setSearchPathStrict(0);
    resetShellCalls();
    resetShellSettings();
    omhost::useRealClock();
  }

  // One start of the program on a screen of that size and depth.
  void start(int width, int height, int depth)
  {
    omhost::HeadlessHost& host = omtest::startAppSession();
    host.screen().resize(width, height, depth);
    // Another process finds this copy only when its frame is published.
    omuser::InstanceRegistry::instance().setEnabled(startSecondCopy);
    resetShellSettings();
    ScopedCurrentFolder inWork(work.path());
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL), 0);
    boxes.clear();
    warnings = 0;
    for (const auto& dialog : host.dialogs()) {
      if (dialog.messageBox)
        boxes.push_back(dialog.text);
      else
        ++warnings;
    }
  }

  std::string dataFile() const { return omtest::readHostFile(work / "KORVANIX.DAT"); }

  TempFolder work, cd, runtime;
  ScopedEnv drive{"OM_DRIVE_D", cd.path()};
  // Copies of the program find one another through this folder: the tests' copies stay
  // among themselves.
  ScopedEnv runtimeFolder{"XDG_RUNTIME_DIR", runtime.path()};
  std::vector<std::string> boxes;
  int warnings = 0;
};

TEST_F(GameStartTest, TheGameRunsItsStartScriptOnACentredBusyStageAndSavesAtTheEnd)
{
  ScopedEnv headless("OM_HOST", "headless");
  startSecondCopy = true;
  start(800, 600, 16);
  omuser::InstanceRegistry::instance().setEnabled(false);

  EXPECT_EQ(seen.probes, 1);
  EXPECT_EQ(seen.debugAtProbe, "started\n");
  EXPECT_EQ(seen.stage.left, 80);
  EXPECT_EQ(seen.stage.top, 60);
  EXPECT_EQ(seen.stage.right - seen.stage.left, 640);
  EXPECT_EQ(seen.stage.bottom - seen.stage.top, 480);
  EXPECT_EQ(seen.cursor, 32514);  // IDC_WAIT
  EXPECT_EQ(seen.mode, 3);
  EXPECT_TRUE(seen.mappedResource);
  // The second copy found this one, brought it forward and ended at once.
  EXPECT_EQ(seen.secondCopyStatus, 0);
  EXPECT_TRUE(seen.secondCopyWroteNothing);
  EXPECT_EQ(seen.closes, 1);
  EXPECT_GT(seen.raisesAtClose, 0);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(dataFile().rfind("Version\n2\n", 0), 0u);
}

TEST_F(GameStartTest, EveryWayOutSavesTheDataFile)
{
  struct Case {
    const char* name;
    int width, height, depth;
    bool emptyCD;
    int probes;
    std::vector<int> boxIds;
  };
  const Case cases[] = {
      {"normal", 640, 480, 16, false, 1, {}},
      {"failed check", 640, 480, 8, false, 0, {1018}},
      {"failed set-up", 640, 480, 16, true, 0, {1026}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    seen = Seen{};
    std::filesystem::remove(work / "KORVANIX.DAT");
    if (c.emptyCD) std::filesystem::remove_all(cd / "RSC");
    start(c.width, c.height, c.depth);
    EXPECT_EQ(seen.probes, c.probes);
    std::vector<std::string> expected;
    for (int id : c.boxIds) {
      char text[1024];
      loadTextResource(id, text);
      expected.push_back(text);
    }
    EXPECT_EQ(boxes, expected);
    EXPECT_EQ(dataFile().rfind("Version\n2\n", 0), 0u);
  }
}

TEST_F(GameStartTest, TheLargeScreenWarningContinuesQuitsOrGoesForGood)
{
  struct Case {
    const char* name;
    const char* answer;
    int probes;
    // Whether the next start shows the warning again.
    bool warnsAgain;
  };
  const Case cases[] = {
      {"Continue", "1", 1, true},
      {"Quit", "2", 0, true},
      {"Quit, ticked", "2+102", 0, false},
      {"Continue, ticked", "1+102", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(work / "KORVANIX.DAT");
    seen = Seen{};
    {
      ScopedEnv answer("OM_DIALOG_ANSWER", c.answer);
      start(1024, 768, 16);
    }
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(seen.probes, c.probes);
    if (c.probes > 0) {
      EXPECT_EQ(seen.mode, 3);
      EXPECT_EQ(seen.stage.left, 192);
      EXPECT_EQ(seen.stage.top, 144);
    }
    ASSERT_FALSE(dataFile().empty());
    seen = Seen{};
    {
      ScopedEnv answer("OM_DIALOG_ANSWER", "1");
      start(1024, 768, 16);
    }
    EXPECT_EQ(warnings, c.warnsAgain ? 1 : 0);
    EXPECT_EQ(seen.probes, 1);
  }
}

// The program itself, headless, until its start script quits.
TEST_F(GameStartTest, TheProgramRunsUntilItsScriptQuits)
{
  ScopedEnv headless("OM_HOST", "headless");
  cd.write("scripts/Startup.mps", "say started\rpause 1\rsay resumed\rquit\r");
  EXPECT_EQ(runProgram(30000), 0);
  EXPECT_EQ(omtest::readHostFile(work / "debug.txt"), "started\nresumed\n");
  EXPECT_EQ(dataFile().rfind("Version\n2\n", 0), 0u);
}

TEST(FindRunningInstanceTest, TheFrameClassCarriesTheVersionOrOneMoreBlank)
{
  TempFolder runtime;
  ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", runtime.path());
  omtest::startAppSession();
  const std::string before = OMApp::frameClassName();
  struct Case {
    const char* name;
    HMODULE module;
    const char* className;
  };
  const Case cases[] = {
      {"the program's version block", GetModuleHandleA(nullptr),
       "ZEB: Velmora Trasko Adventures 1.0"},
      {"no version block", LoadLibraryA("DDRAW.DLL"), "ZEB:  "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(findRunningInstance(c.module));
    EXPECT_STREQ(OMApp::frameClassName(), c.className);
    // A window of that class stands for a running copy.
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &DefWindowProcA;
    windowClass.lpszClassName = c.className;
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    HWND running = CreateWindowExA(0, c.className, "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                   nullptr, nullptr, nullptr);
    EXPECT_TRUE(findRunningInstance(c.module));
    DestroyWindow(running);
    UnregisterClassA(c.className, nullptr);
  }
  OMApp::setFrameClassName(before.c_str());
  omhost::useRealClock();
}

}  // namespace
