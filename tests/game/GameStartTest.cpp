// The game program from its entry point to its end, in this process on the headless host: a
// work folder with the INI file and a CD folder (scripts, resource files, their map) on a
// mapped drive. "Startup.mps" calls a probe function of the test, which looks at the running
// game and asks to close; the test answers the close request as the scripts would.
#include <gtest/gtest.h>

#include <windows.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMFileServices.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMTask.h"
#include "game/AppShell.h"
#include "game/GameMain.h"
#include "game/GameResources.h"
#include "game/MachineChecks.h"
#include "game/OMStageWindow.h"
#include "game/ResourceFileRegistry.h"
#include "game/ShellTrinkets.h"
#include "platform/src/user/InstanceRegistry.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/PauseRuns.h"
#include "tests/support/PngWriter.h"
#include "tests/support/TempFolder.h"
#include "tools/BackgroundWriter.h"
#include "tools/ColorTableWriter.h"
#include "tools/MovieSources.h"
#include "tools/NEResourceWriter.h"
#include "tools/SmackerWriter.h"
#include "trinkets/lib/RSmackerMovie.h"
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
  // Counted by the pass task, when the probe starts it.
  int passes = 0;
  bool displayHeld = true;
  bool fullScreen = false;
  bool directDrawCanvases = false;
  omhost::ScreenBuffer screen;
  // What the display was while the game was away, and the screens the pass task kept.
  omhost::ScreenBuffer away;
  bool fullScreenAway = false;
  bool iconicAway = false;
  std::vector<omhost::ScreenBuffer> screens;
};

Seen seen;
std::string workFolder;
bool startSecondCopy = false;
// When not 0, the probe lets the game run this many passes of its main loop before it asks
// to close.
int passesToRun = 0;
std::unique_ptr<OMTask> passTask;

// Runs the program itself in the work folder, its standard error going to `errors` when one
// is named; answers its exit status, -1 when it did not end by itself within the time.
int runProgram(int milliseconds, const std::string& errors = "")
{
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(workFolder.c_str()) != 0) ::_exit(97);
    if (!errors.empty() && !std::freopen(errors.c_str(), "w", stderr)) ::_exit(96);
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

// While the game is away, the loop waits for input: it comes back.
void comeBack()
{
  omhost::HeadlessHost* host = omhost::headlessHost();
  seen.away = host->screen();
  seen.fullScreenAway = host->fullScreen();
  seen.iconicAway = IsIconic(shellApp()->frameWindow()) != FALSE;
  host->setIdleHandler(nullptr);
  host->activate();
}

// Each pass of the main loop after the probe: the clock moves on as a frame's time and the
// display must stay in the mode it had at the probe. Halfway the game goes away (another
// program takes the focus) and comes back; every 40 passes the screen is kept, and at the
// last pass the game is asked to close.
OMWord countPass(OMWord)
{
  omhost::advanceClock(25);
  ++seen.passes;
  omhost::HeadlessHost* host = omhost::headlessHost();
  const omhost::ScreenBuffer& screen = host->screen();
  if (screen.width != seen.screen.width || screen.height != seen.screen.height ||
      screen.bitsPerPixel != seen.screen.bitsPerPixel || host->fullScreen() != seen.fullScreen)
    seen.displayHeld = false;
  if (seen.passes == passesToRun / 2) {
    host->deactivate();
    host->setIdleHandler(&comeBack);
  }
  if (seen.passes % 40 == 0) seen.screens.push_back(screen);
  if (seen.passes < passesToRun) return 0;
  shellApp()->removeTask(passTask.get());
  host->requestClose();
  return 0;
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
    // A copy that did not find this one would run on: it gets a minute, since a loaded
    // machine running sanitized builds takes seconds just to start and end one.
    seen.secondCopyStatus = runProgram(60000);
    seen.secondCopyWroteNothing =
        std::filesystem::last_write_time(workFolder + "/debug.txt") == before &&
        !std::filesystem::exists(workFolder + "/KORVANIX.DAT");
  }
  seen.screen = omhost::host().screen();
  seen.fullScreen = omhost::host().fullScreen();
  seen.directDrawCanvases = OMApp::canvasesUseDirectDraw();
  if (passesToRun > 0) {
    const OMLinkToFct link(&countPass);
    passTask = std::make_unique<OMTask>(&link, 0);
    shellApp()->addTask(passTask.get());
    return 0;
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
    passesToRun = 0;
    std::filesystem::create_directories(cd / "scripts");
    work.write("korvanix.INI", "[Velmora Trasko Adventures - CD]\nCDDrive=D:\\\n");
    cd.write("scripts/Startup.mps", "say started\rGameStartProbe\r");
    NEResourceWriter writer;
    writer.add("TEXT", "5000", {'h', 'i', 0});
    writeResources(writer, "TEXT 5000\n");
    const OMLinkToFct link(&probe);
    registerScriptFunction("GameStartProbe", &link);
    shellCalls().raiseAppClose = &answerClose;
    shellCalls().closeCanBeAnswered = [] { return true; };
  }
  ~GameStartTest() override
  {
    // What the program leaves for the process's end; the next start reads its files afresh.
    terminateFileServices();
    setSearchPathStrict(0);
    resetShellCalls();
    resetShellSettings();
    omhost::useRealClock();
  }

  // One start of the program on a screen of that size and depth; answers its exit status.
  int start(int width, int height, int depth)
  {
    omhost::HeadlessHost& host = omtest::startAppSession();
    host.screen().resize(width, height, depth);
    // Another process finds this copy only when its frame is published.
    omuser::InstanceRegistry::instance().setEnabled(startSecondCopy);
    resetShellSettings();
    ScopedCurrentFolder inWork(work.path());
    const int status =
        WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
    iconPixels = {host.icons().first.pixels.size(), host.icons().second.pixels.size()};
    boxes.clear();
    warnings = 0;
    for (const auto& dialog : host.dialogs()) {
      if (dialog.messageBox)
        boxes.push_back(dialog.text);
      else
        ++warnings;
    }
    return status;
  }

  std::string dataFile() const { return omtest::readHostFile(work / "KORVANIX.DAT"); }

  // The CD's one resource file and the map that lists what it holds.
  void writeResources(NEResourceWriter& writer, const std::string& mapLines)
  {
    NEResourceWriter::Bytes bytes;
    EXPECT_TRUE(writer.build(bytes));
    cd.write("RSC/Intro.rsc", std::vector<unsigned char>(bytes.begin(), bytes.end()));
    cd.write("RSC/resource.map", "1\nintro.rsc\n" + mapLines + "ENDFILE\n");
  }

  TempFolder work, cd, runtime;
  ScopedEnv drive{"OM_DRIVE_D", cd.path()};
  // Copies of the program find one another through this folder: the tests' copies stay
  // among themselves.
  ScopedEnv runtimeFolder{"XDG_RUNTIME_DIR", runtime.path()};
  std::vector<std::string> boxes;
  int warnings = 0;
  std::pair<std::size_t, std::size_t> iconPixels;  // the window's large and small icon
};

TEST_F(GameStartTest, TheGameRunsItsStartScriptOnACentredBusyStageAndSavesAtTheEnd)
{
  ScopedEnv headless("OM_HOST", "headless");
  startSecondCopy = true;
  EXPECT_EQ(start(800, 600, 16), 0);
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
  // The frame class's icons reach the host as pictures.
  EXPECT_EQ(iconPixels, std::make_pair(std::size_t(32 * 32), std::size_t(32 * 32)));
}

TEST_F(GameStartTest, EveryWayOutSavesTheDataFile)
{
  struct Case {
    const char* name;
    int width, height, depth;
    bool emptyCD;
    const char* cdDrive;  // the INI's CDDrive
    int probes;
    std::vector<int> boxIds;
    int status;
    std::string errors;  // what standard error says
  };
  const std::string folder = cd.path();
  const Case cases[] = {
      {"normal", 640, 480, 16, false, "D:\\", 1, {}, 0, ""},
      {"failed check", 640, 480, 8, false, "D:\\", 0, {1018}, 1, ""},
      {"failed set-up",
       640,
       480,
       16,
       true,
       "D:\\",
       0,
       {1026},
       1,
       "korvanix: no resource file under D:\\, which is the folder " + folder + " (OM_DRIVE_D)\n"},
      {"no such drive",
       640,
       480,
       16,
       false,
       "Q:\\",
       0,
       {1026},
       1,
       "korvanix: no resource file under Q:\\: no folder is mapped to Q: (set OM_DRIVE_Q)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    seen = Seen{};
    std::filesystem::remove(work / "KORVANIX.DAT");
    if (c.emptyCD) std::filesystem::remove_all(cd / "RSC");
    work.write("korvanix.INI",
               std::string("[Velmora Trasko Adventures - CD]\nCDDrive=") + c.cdDrive + "\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(start(c.width, c.height, c.depth), c.status);
    // The headless host prints the boxes there too; the program's own lines start its name.
    std::istringstream said(testing::internal::GetCapturedStderr());
    std::string ours;
    for (std::string line; std::getline(said, line);)
      if (line.rfind("korvanix: ", 0) == 0) ours += line + "\n";
    EXPECT_EQ(ours, c.errors);
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

// A folder where the game expects a file is a missing file: the start goes on as it does
// without the file, or fails with its message, and never ends by an exception.
TEST_F(GameStartTest, AFolderInPlaceOfAFileIsAMissingFile)
{
  TempFolder windows;
  ScopedEnv windowsFolder("OM_WINDOWS_DIR", windows.path());
  ScopedEnv registry("OM_REGISTRY", windows / "registry.txt");
  const struct {
    const TempFolder* folder;
    const char* file;
    int status;
    int probes;
  } cases[] = {
      {&work, "korvanix.INI", 0, 1},      {&work, "KORVANIX.DAT", 0, 1},
      {&work, "debug.txt", 0, 1},         {&work, "KORVANIX.TMP", 0, 1},
      {&cd, "scripts/Startup.mps", 1, 0}, {&cd, "RSC/Intro.rsc", 0, 1},
      {&cd, "RSC/resource.map", 1, 0},    {&windows, "WIN.INI", 0, 1},
      {&windows, "registry.txt", 0, 1},   {&windows, "KORVANIX.DAT", 0, 1},
  };
  const std::string ini = work.read("korvanix.INI");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    seen = Seen{};
    const std::string kept = c.folder->read(c.file);
    std::filesystem::remove(*c.folder / c.file);
    c.folder->makeFolder(std::string(c.file) + "/inside");
    testing::internal::CaptureStderr();
    const int status = start(640, 480, 16);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, c.status) << said;
    EXPECT_EQ(seen.probes, c.probes) << said;
    std::filesystem::remove_all(*c.folder / c.file);
    if (!kept.empty()) c.folder->write(c.file, kept);
    std::filesystem::remove(work / "KORVANIX.DAT");
    std::filesystem::remove(windows / "KORVANIX.DAT");
  }
  EXPECT_EQ(work.read("korvanix.INI"), ini);
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
      // Quitting at a warning is no successful start.
      EXPECT_EQ(start(1024, 768, 16), c.probes > 0 ? 0 : 1);
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
      EXPECT_EQ(start(1024, 768, 16), 0);
    }
    EXPECT_EQ(warnings, c.warnsAgain ? 1 : 0);
    EXPECT_EQ(seen.probes, 1);
  }
}

// The program itself, headless, until its start script quits, however its pause holds it.
TEST_F(GameStartTest, TheProgramRunsUntilItsScriptQuits)
{
  ScopedEnv headless("OM_HOST", "headless");
  for (const omtest::PauseRun& run : omtest::pauseRuns("quit\r")) {
    SCOPED_TRACE(run.name);
    std::filesystem::remove(work / "debug.txt");
    std::optional<ScopedEnv> clock;
    if (run.clock) clock.emplace("OM_CLOCK", run.clock);
    const auto processorUsedBy = [this](const std::string& script) {
      cd.write("scripts/Startup.mps", script);
      const long before = omtest::endedChildrenProcessorMilliseconds();
      EXPECT_EQ(runProgram(30000), 0);
      return omtest::endedChildrenProcessorMilliseconds() - before;
    };
    const long used = processorUsedBy(run.script);
    EXPECT_EQ(omtest::readHostFile(work / "debug.txt"), "started\nresumed\n");
    EXPECT_EQ(dataFile().rfind("Version\n2\n", 0), 0u);
    if (run.processorLimit) {
      EXPECT_LT(used - processorUsedBy(run.unpaused), run.processorLimit);
    }
  }
}

// A script that cannot be loaded ends the program with one alert; standard error names the
// line that asked for it (an include, before anything runs, or a "call" of a procedure that
// does not exist, once the script runs) with its text, or the first script itself.
TEST_F(GameStartTest, AScriptThatCannotBeLoadedEndsTheProgramWithOneAlert)
{
  ScopedEnv headless("OM_HOST", "headless");
  cd.write("scripts/Part.mps", "say part\r\ninclude Missing.mps\r\n");
  const struct {
    const char* startup;  // none: no "Startup.mps"
    const char* box;
    const char* fault;
    const char* said;
  } cases[] = {
      {"say before\r\ninclude Missing.mps\r\nsay after\r\n", "Missing.mps not found",
       "Startup.mps line 2: \"include Missing.mps\": Missing.mps not found", nullptr},
      {"say before\r\ninclude Part.mps\r\nsay (after\r\n", "Missing.mps not found",
       "Part.mps line 2: \"include Missing.mps\": Missing.mps not found", nullptr},
      {"say before\r\n  call nope  \r\nsay after\r\n", "nope not found",
       "Startup.mps line 2: \"  call nope  \": nope not found", "before\n"},
      {nullptr, "Startup.mps not found", "Startup.mps: Startup.mps not found", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.startup ? c.startup : "no start script");
    std::filesystem::remove(work / "debug.txt");
    std::filesystem::remove(cd / "scripts/Startup.mps");
    if (c.startup) cd.write("scripts/Startup.mps", c.startup);
    EXPECT_EQ(runProgram(30000, work / "errors.txt"), 1);
    std::istringstream said(work.read("errors.txt"));
    std::vector<std::string> boxes, faults;
    for (std::string line; std::getline(said, line);)
      (line.rfind("[message box] ", 0) == 0 ? boxes : faults).push_back(line);
    EXPECT_EQ(boxes,
              std::vector<std::string>{std::string("[message box] Alert: ") + c.box + " -> 1"});
    EXPECT_EQ(faults, std::vector<std::string>{c.fault});
    if (c.said) {
      EXPECT_EQ(omtest::readHostFile(work / "debug.txt"), c.said);
    } else {
      EXPECT_FALSE(std::filesystem::exists(work / "debug.txt"));
    }
    EXPECT_EQ(dataFile().rfind("Version\n2\n", 0), 0u);
    std::filesystem::remove(work / "KORVANIX.DAT");
  }
}

// The demo's exit movie as the screen shows it at 16 bits (5-5-5), from the pictures the build
// makes it of.
struct MovieFrames {
  int width = 0;
  int height = 0;
  std::vector<std::vector<std::uint16_t>> frames;
};

MovieFrames readExitMovieFrames()
{
  MovieFrames movie;
  for (int f = 0;; ++f) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame%03d.png", f);
    const std::string file = omtest::readHostFile(std::string(DEMO_MOVIE_SOURCES) + name);
    moviesources::IndexedImage image;
    std::string error;
    if (!moviesources::readIndexedPng(moviesources::Bytes(file.begin(), file.end()), image, error))
      break;
    const auto rgb = SmackerWriter::quantisePalette(image.palette);
    std::vector<std::uint16_t> pixels;
    for (const std::uint8_t index : image.indices) {
      const std::uint8_t* colour = &rgb[std::size_t(index) * 3];
      pixels.push_back(static_cast<std::uint16_t>((colour[0] >> 3) << 10 | (colour[1] >> 3) << 5 |
                                                  colour[2] >> 3));
    }
    movie.width = image.width;
    movie.height = image.height;
    movie.frames.push_back(std::move(pixels));
  }
  return movie;
}

// What one pass of the exit movie's loop found, and how the case ends it.
struct ExitMovieRun {
  const MovieFrames* movie = nullptr;
  // Clicks the stage once this frame is on the screen; -1 never.
  int clickAt = -1;
  POINT corner{};
  std::unique_ptr<OMLink> shellLink;
  int finishedCalls = 0;
  int passes = 0;
  // The frame on the screen before each pass, -1 for none.
  std::vector<int> shown;
};

ExitMovieRun exitRun;

std::uint16_t screenPixel(int x, int y)
{
  const omhost::ScreenBuffer& screen = omhost::headlessHost()->screen();
  const std::uint8_t* row = screen.bytes.data() + std::size_t(y) * screen.pitch;
  return static_cast<std::uint16_t>(row[2 * x] | row[2 * x + 1] << 8);
}

// The frame whose every pixel the screen shows at the movie's place, or -1.
int frameOnScreen()
{
  const MovieFrames& movie = *exitRun.movie;
  const auto matches = [&](int f, int y) {
    for (int x = 0; x < movie.width; ++x)
      if (screenPixel(exitRun.corner.x + x, exitRun.corner.y + y) !=
          movie.frames[std::size_t(f)][std::size_t(y) * movie.width + x])
        return false;
    return true;
  };
  for (int f = 0; f < static_cast<int>(movie.frames.size()); ++f) {
    // The middle row tells the frames apart; then every row must match.
    if (!matches(f, movie.height / 2)) continue;
    for (int y = 0; y < movie.height; ++y)
      if (!matches(f, y)) return -1;
    return f;
  }
  return -1;
}

OMWord countExitMovieEnd(OMWord)
{
  ++exitRun.finishedCalls;
  if (exitRun.shellLink) exitRun.shellLink->call();
  return 0;
}

// Each pass of the exit movie's loop: the clock 10 ms on, a look at the stage, the case's
// click; a movie that never ends is stopped.
OMWord watchExitMovie(OMWord)
{
  omhost::advanceClock(10);
  const int frame = frameOnScreen();
  exitRun.shown.push_back(frame);
  if (frame >= 0 && frame == exitRun.clickAt) {
    omhost::headlessHost()->click(exitRun.corner.x + 100, exitRun.corner.y + 100);
    exitRun.clickAt = -1;
  }
  if (++exitRun.passes == 3000) shellApp()->quit();
  return 0;
}

std::unique_ptr<ShellMovie> createWatchedExitMovie(const char* name, int x, int y,
                                                   const OMLink* finished)
{
  exitRun.shellLink = cloneLink(finished);
  exitRun.corner = POINT{x, y};
  ClientToScreen(shellStage()->handle(), &exitRun.corner);
  static const OMLinkToFct watch(&watchExitMovie);
  static OMTask task(&watch, 0);
  shellApp()->addTask(&task);
  const OMLinkToFct counting(&countExitMovieEnd);
  return createExitMovie(name, x, y, &counting);
}

// The frames on the screen in their order, each once, and how many passes each stayed.
struct Runs {
  std::vector<int> frames;
  std::vector<int> passes;
};

Runs runsOf(const std::vector<int>& shown)
{
  Runs runs;
  for (const int f : shown) {
    if (f < 0) continue;
    if (runs.frames.empty() || runs.frames.back() != f) {
      runs.frames.push_back(f);
      runs.passes.push_back(0);
    }
    ++runs.passes.back();
  }
  return runs;
}

std::vector<int> firstFrames(int count)
{
  std::vector<int> frames;
  for (int f = 0; f < count; ++f)
    frames.push_back(f);
  return frames;
}

// When the scripts quit, the exit movie on the CD plays on the stage, frame by frame, until
// its end or a click; then the program ends. Without it the game ends with its scripts.
TEST_F(GameStartTest, TheExitMoviePlaysAfterTheScriptsQuitUntilItsEndOrAClick)
{
  const MovieFrames movie = readExitMovieFrames();
  ASSERT_EQ(movie.frames.size(), 30u);
  struct Case {
    const char* name;
    bool onCD;
    int clickAt;
    std::vector<int> frames;
    int finishedCalls;
  };
  const Case cases[] = {
      {"to its end", true, -1, firstFrames(29), 1},
      {"clicked", true, 10, firstFrames(11), 0},
      // The movie that does not open calls its link at once and never plays.
      {"no movie", false, -1, {}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(cd / "RSC/MVAdExit.smk");
    if (c.onCD) std::filesystem::copy_file(DEMO_EXIT_MOVIE, cd / "RSC/MVAdExit.smk");
    exitRun = ExitMovieRun{};
    exitRun.movie = &movie;
    exitRun.clickAt = c.clickAt;
    shellCalls().createExitMovie = &createWatchedExitMovie;
    seen = Seen{};
    EXPECT_EQ(start(640, 480, 16), 0);
    EXPECT_EQ(seen.closes, 1);
    const Runs runs = runsOf(exitRun.shown);
    EXPECT_EQ(runs.frames, c.frames);
    // 15 frames a second on a pass every 10 ms; the click cuts the last one short.
    for (std::size_t i = 0; i + 1 < runs.passes.size(); ++i) {
      EXPECT_GE(runs.passes[i], 6) << "frame " << runs.frames[i];
      EXPECT_LE(runs.passes[i], 7) << "frame " << runs.frames[i];
    }
    EXPECT_EQ(exitRun.finishedCalls, c.finishedCalls);
    // The program ended by itself, the movie gone with it; without one there is no second
    // loop.
    EXPECT_EQ(exitRun.passes > 0, c.onCD);
    EXPECT_LT(exitRun.passes, 3000);
    EXPECT_EQ(RSmackerMovie::openMovieCount(), 0);
    EXPECT_EQ(dataFile().rfind("Version\n2\n", 0), 0u);
  }
}

OMFrameEntry shown(int image, int x = 0)
{
  return OMFrameEntry{static_cast<std::int16_t>(x), 0, static_cast<std::int16_t>(image), 0};
}

// The start script's stage: a background of two halves, a box that takes the next of three
// colours on every beat, and a box with a see-through border that walks across it.
void writeStageContent(NEResourceWriter& writer, std::string& map)
{
  std::vector<std::uint16_t> background(640 * 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      background[static_cast<std::size_t>(y) * 640 + x] =
          x < 320 ? pixel555(0, 0, 160) : pixel555(128, 128, 128 + (y & 64));
  writer.add("BK16", "50", writeBackground(640, 480, background));
  map += "BK16 50\n";

  omtest::AnimationBuilder changer, walker;
  std::vector<OMFrameEntry> cycle;
  for (std::uint8_t colour = 1; colour <= 3; ++colour)
    cycle.push_back(shown(changer.addImage(60, 60, colour)));
  cycle.push_back(shown(OMFrameEntry::loop));
  changer.addSequence(cycle);
  walker.addImage(40, 40, 4, 8);
  std::vector<OMFrameEntry> walk;
  for (int step = 0; step < 13; ++step)
    walk.push_back(shown(0, 20 * step));
  walk.push_back(shown(OMFrameEntry::loop));
  walker.addSequence(walk);
  std::array<std::uint8_t, 768> table{};
  const std::uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {255, 0, 255}};
  for (std::size_t i = 0; i < 4; ++i)
    for (std::size_t c = 0; c < 3; ++c)
      table[3 * (i + 1) + c] = colours[i][c];
  int id = 1;
  for (const omtest::AnimationBuilder* animation : {&changer, &walker}) {
    writer.add("ASEQ", std::to_string(id), animation->build());
    writer.add("RRGB", std::to_string(id), writeColorTable(table));
    map += "ASEQ " + std::to_string(id) + "\nRRGB " + std::to_string(id) + "\n";
    ++id;
  }
}

// A 640x480 rectangle of a 16-bit screen, rows top first.
std::vector<std::uint16_t> stagePixels(const omhost::ScreenBuffer& screen, int left, int top)
{
  std::vector<std::uint16_t> pixels;
  if (screen.bitsPerPixel != 16 || screen.width < left + 640 || screen.height < top + 480)
    return pixels;
  for (int y = top; y < top + 480; ++y) {
    const std::uint8_t* row = screen.bytes.data() + static_cast<std::size_t>(y) * screen.pitch;
    for (int x = left; x < left + 640; ++x)
      pixels.push_back(static_cast<std::uint16_t>(row[2 * x] | row[2 * x + 1] << 8));
  }
  return pixels;
}

// Writes a picture that differs from the expected one into the current folder (the build's),
// for a look; answers its name.
std::string savePicture(const std::string& name, const std::vector<std::uint16_t>& pixels)
{
  std::vector<std::uint8_t> rgb;
  for (std::uint16_t p : pixels)
    for (int shift : {10, 5, 0})
      rgb.push_back(static_cast<std::uint8_t>(((p >> shift) & 31) << 3));
  omtest::writePng(name + ".png", 640, 480, rgb);
  return name + ".png";
}

// With "UseDirectDraw" the start takes the DirectDraw path on any desktop, without a
// resolution or colour warning: full screen at 640x480 in 16 bits when "DisplayFullScreen"
// asks for it, else a window. Each run goes on for 200 passes of the start script's stage;
// full screen shows the very pixels of the plain windowed game, and the desktop comes back.
TEST_F(GameStartTest, WithDirectDrawTheGameRunsFullScreenOrInAWindow)
{
  NEResourceWriter writer;
  writer.add("TEXT", "5000", {'h', 'i', 0});
  std::string map = "TEXT 5000\n";
  writeStageContent(writer, map);
  writeResources(writer, map);
  cd.write("scripts/Startup.mps",
           "Scene 50\rb=RAnimation 200 150 1\rc=RAnimation 140 160 2\r"
           "GameStartProbe\rwait\r");

  struct Display {
    int width, height, depth;
  };
  struct Case {
    const char* name;
    const char* settings;
    Display desktop;
    int mode;
    Display running;
    int left, top;
    // Whether the stage must show the pixels of the first case.
    bool samePicture;
  };
  const Case cases[] = {
      {"windowed", "", {640, 480, 16}, 3, {640, 480, 16}, 0, 0, true},
      {"full screen",
       "UseDirectDraw=1\nDisplayFullScreen=1\n",
       {1024, 768, 32},
       5,
       {640, 480, 16},
       0,
       0,
       true},
      {"full screen from 8 bits",
       "UseDirectDraw=1\nDisplayFullScreen=1\n",
       {800, 600, 8},
       5,
       {640, 480, 16},
       0,
       0,
       true},
      {"DirectDraw in a window",
       "UseDirectDraw=1\nDisplayFullScreen=0\n",
       {640, 480, 16},
       3,
       {640, 480, 16},
       0,
       0,
       true},
      {"DirectDraw in a large window",
       "UseDirectDraw=1\n",
       {1024, 768, 32},
       3,
       {1024, 768, 32},
       192,
       144,
       false},
  };
  passesToRun = 200;
  std::vector<std::vector<std::uint16_t>> windowed;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    seen = Seen{};
    work.write("korvanix.INI",
               std::string("[Velmora Trasko Adventures - CD]\nCDDrive=D:\\\n") + c.settings);
    EXPECT_EQ(start(c.desktop.width, c.desktop.height, c.desktop.depth), 0);
    passTask.reset();
    const bool fullScreen = c.mode == 5;
    EXPECT_EQ(warnings, 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(seen.mode, c.mode);
    EXPECT_EQ(seen.directDrawCanvases, fullScreen);
    EXPECT_EQ(seen.passes, 200);
    EXPECT_TRUE(seen.displayHeld);
    EXPECT_EQ(seen.fullScreen, fullScreen);
    EXPECT_EQ(seen.stage.left, c.left);
    EXPECT_EQ(seen.stage.top, c.top);
    EXPECT_EQ(seen.screen.width, c.running.width);
    EXPECT_EQ(seen.screen.height, c.running.height);
    EXPECT_EQ(seen.screen.bitsPerPixel, c.running.depth);
    // Away, full screen gives the desktop its mode back and waits minimised.
    EXPECT_EQ(seen.away.width, c.desktop.width);
    EXPECT_EQ(seen.away.bitsPerPixel, fullScreen ? c.desktop.depth : c.running.depth);
    EXPECT_FALSE(seen.fullScreenAway);
    EXPECT_EQ(seen.iconicAway, fullScreen);
    // At the end the desktop is as it was.
    const omhost::ScreenBuffer& after = omhost::host().screen();
    EXPECT_EQ(after.width, c.desktop.width);
    EXPECT_EQ(after.height, c.desktop.height);
    EXPECT_EQ(after.bitsPerPixel, c.desktop.depth);
    EXPECT_FALSE(omhost::host().fullScreen());
    if (!c.samePicture) continue;
    ASSERT_EQ(seen.screens.size(), 5u);
    std::vector<std::vector<std::uint16_t>> pictures;
    for (const omhost::ScreenBuffer& screen : seen.screens) {
      pictures.push_back(stagePixels(screen, c.left, c.top));
      ASSERT_EQ(pictures.back().size(), 640u * 480u);
    }
    if (windowed.empty()) {
      windowed = pictures;
      // The background, the changing box and the walker are there, and they move.
      const std::vector<std::uint16_t>& last = pictures.back();
      EXPECT_EQ(last[10 * 640 + 10], pixel555(0, 0, 160));
      EXPECT_EQ(last[470 * 640 + 630], pixel555(128, 128, 192));
      int changing = 0, walkers = 0;
      for (std::uint16_t p : last) {
        changing +=
            p == pixel555(255, 0, 0) || p == pixel555(0, 255, 0) || p == pixel555(255, 255, 0);
        walkers += p == pixel555(255, 0, 255);
      }
      EXPECT_GT(changing, 1000);
      EXPECT_EQ(walkers, 24 * 24);
      for (std::size_t i = 1; i < pictures.size(); ++i)
        EXPECT_NE(pictures[i], pictures[i - 1]) << "pass " << 40 * (i + 1);
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      if (pictures[i] == windowed[i]) continue;
      std::string name = std::string("GameStart-") + c.name + "-" + std::to_string(40 * (i + 1));
      std::replace(name.begin(), name.end(), ' ', '-');
      ADD_FAILURE() << "at pass " << 40 * (i + 1) << " the stage differs from the windowed game's; "
                    << "it is in " << savePicture(name, pictures[i]);
    }
  }
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
