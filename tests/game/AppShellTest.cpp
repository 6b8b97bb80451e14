// The application shell on the headless host: the animation beat, the keys, close requests
// and their answers, the busy cursor.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMResFile.h"
#include "framework/OMTask.h"
#include "game/AppShell.h"
#include "game/OMStageWindow.h"
#include "game/ShellTrinkets.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tests/trinkets/MovieTestSupport.h"
#include "tools/ColorTableWriter.h"
#include "tools/NEResourceWriter.h"
#include "tools/SmackerWriter.h"
#include "trinkets/lib/OMTrinketDialog.h"
#include "trinkets/lib/RSmackerMovie.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTrinket.h"

namespace {

std::vector<std::string>& calls()
{
  static std::vector<std::string> log;
  return log;
}

// A touchy square that notes the beats its animation steps would see.
class Probe : public OMTrinket {
 public:
  Probe(OMTrinketWindow* host, const OMRect& rect) : OMTrinket(host, 2)
  {
    setRect(rect);
    setVisible(true);
    setTouchy(true);
    registerMembers();
    const OMLinkToFct up(&noteMouseUp);
    connect("mouseUp", &up, nullptr);
  }
  Probe(const Probe&) = default;
  std::unique_ptr<OMScriptableObject> clone() const override
  {
    return std::make_unique<Probe>(*this);
  }
  void paint() override {}
  void tick() override
  {
    if (OMAnimation::animationTickGate == 1) beats.push_back(timeGetTime());
  }

  std::vector<std::uint32_t> beats;

 private:
  static OMWord noteMouseUp(OMWord)
  {
    calls().push_back("mouseUp");
    return 0;
  }
};

// A movie that notes what the shell does with it.
class FakeMovie : public ShellMovie {
 public:
  explicit FakeMovie(bool running = true) : running_(running) {}
  ~FakeMovie() override { note(insideItsCallback ? "deleted inside its callback" : "deleted"); }
  void start() override { note("start"); }
  bool isRunning() const override { return running_; }
  void setFinishedLink(const OMLink* link) override
  {
    finished = link ? link->clone() : nullptr;
    if (!link) note("finished link cleared");
  }
  void setPressHook(const OMLink* link) override { note(link ? "press hook" : "no press hook"); }
  void setPaletteRestore(bool restore) override { note(restore ? "restore" : "no restore"); }
  void pauseRunning() override { note("pause"); }
  void resumeRunning() override { note("resume"); }
  void stopPlayback() override { note("stop"); }
  void restartPlayback() override { note("restart"); }
  void show() override { note("show"); }
  void hide() override { note("hide"); }
  void setZ(int z) override { note("z " + std::to_string(z)); }

  // The movie ends by itself, calling its finished link as a movie does.
  void finish()
  {
    insideItsCallback = true;
    if (finished) finished->call();
    insideItsCallback = false;
  }

  std::unique_ptr<OMLink> finished;
  static bool insideItsCallback;

 private:
  static void note(const std::string& what) { calls().push_back("movie " + what); }
  bool running_;
};

bool FakeMovie::insideItsCallback = false;

FakeMovie* openMovie = nullptr;

class ShellTest : public ::testing::Test {
 protected:
  ShellTest() : host(omtest::startAppSession())
  {
    calls().clear();
    shellCalls().raiseAppClose = [] { calls().push_back("appClose"); };
    shellCalls().closeCanBeAnswered = [] { return true; };
    shellCalls().sceneKeyPressed = [](std::uint32_t key) {
      calls().push_back("scene " + std::to_string(key));
      return key == ' ' || key == 0xE802 ? 1 : 0;
    };
    open();
  }
  ~ShellTest() override
  {
    destroyMainWindow();
    resetShellCalls();
    OMAnimation::animationResolver = nullptr;
    setPaletteLoader(nullptr);
    closeAllResFiles();
    omhost::useRealClock();
  }

  void open()
  {
    createMainWindow(3);
    shellStage()->activate();
    omtest::runPasses(2);
  }
  // The shell again on a screen of that depth.
  void reopen(int depth)
  {
    destroyMainWindow();
    host.screen().resize(640, 480, depth);
    open();
  }

  void settle() { omtest::runPasses(8); }

  omhost::HeadlessHost& host;
};

TEST_F(ShellTest, AnimationsStepOnA125MillisecondBeatThatSkipsWhatAStallMissed)
{
  Probe probe(shellStage(), OMRect(0, 0, 10, 10));
  const std::uint32_t start = 20000;
  for (const std::uint32_t at : {0, 60, 124, 125, 200, 250, 1000, 1060, 1124, 1125})
    omtest::passAt(start + at);
  const std::vector<std::uint32_t> expected = {start, start + 125, start + 250, start + 1000,
                                               start + 1125};
  EXPECT_EQ(probe.beats, expected);
  EXPECT_EQ(nextBeatTime(), start + 1250);
  // Outside the stage's pass the flag is down, so other windows' animations wait.
  EXPECT_EQ(OMAnimation::animationTickGate, 0);
}

TEST_F(ShellTest, KeysGoToTheScenePortsFirstAndEscAsksToClose)
{
  struct Case {
    const char* name;
    int virtualKey;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"Esc", VK_ESCAPE, {"scene 59396", "appClose"}},
      {"Space", VK_SPACE, {"scene 32"}},
      {"Enter", VK_RETURN, {"scene 59394"}},
      {"a letter", 'A', {"scene 97"}},
      {"F1", VK_F1, {"scene 59407"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    calls().clear();
    host.typeKey(c.virtualKey);
    settle();
    EXPECT_EQ(calls(), c.expected);
  }
}

TEST_F(ShellTest, ACloseRequestEndsAnOpenPressFirst)
{
  Probe probe(shellStage(), OMRect(100, 100, 200, 200));
  struct Case {
    const char* name;
    bool held;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"button up", false, {"appClose"}},
      {"button held", true, {"mouseUp", "appClose"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.moveMouse(150, 150);
    if (c.held) host.pressButton(150, 150);
    settle();
    calls().clear();
    host.requestClose();
    settle();
    EXPECT_EQ(calls(), c.expected);
    if (c.held) host.releaseButton(150, 150);
    settle();
  }
}

TEST_F(ShellTest, TheGameStartsBusyAndTheScriptsEndIt)
{
  EXPECT_TRUE(isBusyCursorOn());
  EXPECT_EQ(host.cursor().systemId, 32514);  // IDC_WAIT
  endBusyCursor();
  settle();
  EXPECT_FALSE(isBusyCursorOn());
  EXPECT_EQ(host.cursor().systemId, 32512);  // IDC_ARROW
  beginBusyCursor();
  beginBusyCursor();
  settle();
  EXPECT_EQ(host.cursor().systemId, 32514);
  endBusyCursor();
  settle();
  EXPECT_EQ(host.cursor().systemId, 32512);
}

// Drives the loop of runGame: each pass looks at what the shell asked the scripts and answers
// as the scripts would, first "stay", then "quit".
struct Answerer {
  int passes = 0;
  int answered = 0;
  int passesAfterStay = 0;
  OMWord pass(OMWord)
  {
    ++passes;
    if (passes == 3) omhost::headlessHost()->typeKey(VK_ESCAPE);
    const bool asked = !calls().empty() && calls().back() == "appClose";
    if (answered == 1) ++passesAfterStay;
    if (asked && answered == 0) {
      calls().push_back("stay");
      answerCloseRequest(0);
      answered = 1;
      omhost::headlessHost()->requestClose();
    } else if (asked && answered == 1) {
      calls().push_back("quit");
      answerCloseRequest(1);
      answered = 2;
    }
    return 0;
  }
};

TEST_F(ShellTest, TheScriptsAnswerTheCloseRequestAndOnlyQuitEndsTheGame)
{
  Answerer answerer;
  const OMLinkToObj<Answerer> link(&answerer, &Answerer::pass, 0);
  OMTask task(&link, 0);
  shellApp()->addTask(&task);
  runGame();
  shellApp()->removeTask(&task);
  // Without a playable exit movie the game ends with the first loop.
  EXPECT_FALSE(shellApp()->isRunning());
  const std::vector<std::string> expected = {"scene 59396", "appClose", "stay", "appClose", "quit"};
  EXPECT_EQ(calls(), expected);
  EXPECT_GT(answerer.passesAfterStay, 0);
}

}  // namespace

namespace {

// The close still and its palette in a resource file of the folder, with the lookups the
// resource set-up gives the animations and the stage.
void provideCloseStill(const TempFolder& folder)
{
  omtest::AnimationBuilder animation;
  const int image = animation.addImage(40, 30, 7);
  animation.addSequence(
      {{0, 0, static_cast<std::int16_t>(image), 0}, {0, 0, OMFrameEntry::hold, 0}});
  std::array<std::uint8_t, 768> rgb{};
  for (int i = 0; i < 256; ++i)
    rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = static_cast<std::uint8_t>(255 - i);
  NEResourceWriter writer;
  writer.add("ASEQ", "4041", animation.build());
  writer.add("RRGB", "4041", writeColorTable(rgb));
  NEResourceWriter::Bytes bytes;
  ASSERT_TRUE(writer.build(bytes));
  const std::string path =
      folder.write("close.rsc", std::vector<unsigned char>(bytes.begin(), bytes.end()));
  openResFile(path.c_str(), 1);
  OMAnimation::animationResolver = [](int id) { return openResourceStream(id, "ASEQ", -1); };
  setPaletteLoader([](std::uint16_t id) { return openResourceStream(id, "RRGB", -1); });
}

int trinketsAtDepth(int z)
{
  int count = 0;
  shellStage()->trinkets().forEach([&count, z](OMTrinket* trinket) {
    if (trinket->z() == z) ++count;
  });
  return count;
}

std::uint16_t paletteRed(int index)
{
  OMRGBColor colors[256];
  shellStage()->offscreen()->getPalette(colors);
  return colors[index].red;
}

}  // namespace

TEST_F(ShellTest, AnOpenMovieIsFrozenForTheCloseRequestAndGoesOnWhenTheScriptsStay)
{
  TempFolder folder;
  provideCloseStill(folder);
  shellCalls().currentMovie = []() -> ShellMovie* { return openMovie; };
  struct Case {
    int depth;
    std::vector<std::string> frozen;
  };
  const Case cases[] = {
      {16, {"movie pause", "movie stop", "movie z 19998", "appClose"}},
      {8, {"movie pause", "movie stop", "movie z 19998", "movie hide", "appClose"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    reopen(c.depth);
    FakeMovie movie;
    openMovie = &movie;
    const std::uint16_t red = c.depth == 8 ? paletteRed(100) : 0;
    for (int request = 0; request < 2; ++request) {
      calls().clear();
      host.requestClose();
      settle();
      EXPECT_EQ(calls(), c.frozen);
    }
    // One still over the movie however often the user asks.
    EXPECT_EQ(trinketsAtDepth(19999), c.depth == 8 ? 1 : 0);
    if (c.depth == 8) {
      EXPECT_EQ(paletteRed(100), 155 << 8);
    }
    calls().clear();
    answerCloseRequest(0);
    EXPECT_EQ(calls(), (std::vector<std::string>{"movie show", "movie resume", "movie restart"}));
    if (c.depth == 8) {
      EXPECT_EQ(paletteRed(100), red);
    }
    // Staying twice resumes nothing more; the still stays where it is.
    calls().clear();
    answerCloseRequest(0);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(trinketsAtDepth(19999), c.depth == 8 ? 1 : 0);
    openMovie = nullptr;
  }
}

TEST_F(ShellTest, AnOpenDialogTrinketTurnsCloseRequestsAway)
{
  shellCalls().isDialogOpen = [] { return true; };
  calls().clear();
  host.requestClose();
  host.typeKey(VK_ESCAPE);
  settle();
  EXPECT_EQ(calls(), std::vector<std::string>{"scene 59396"});
}

TEST_F(ShellTest, CloseRequestsWaitUntilTheDialogTrinketIsDismissed)
{
  ASSERT_EQ(OMTrinketDialog::create(OMRect(100, 100, 300, 200), 1, shellStage()), 1);
  OMTrinketDialog::currentDialog()->show();
  calls().clear();
  host.requestClose();
  settle();
  EXPECT_TRUE(calls().empty());
  OMTrinketDialog::currentDialog()->dismiss(1);
  host.requestClose();
  settle();
  EXPECT_EQ(calls(), std::vector<std::string>{"appClose"});
}

// Quits the first loop at once, then ends the exit movie's loop the case's way.
struct ExitDriver {
  int way = 0;
  int passes = 0;
  FakeMovie* movie = nullptr;
  OMWord pass(OMWord)
  {
    ++passes;
    if (passes == 2) answerCloseRequest(1);
    if (passes != 6) return 0;
    if (way == 0) movie->finish();
    if (way == 1) omhost::headlessHost()->typeKey(VK_SPACE);
    if (way == 2) omhost::headlessHost()->requestClose();
    return 0;
  }
};

ExitDriver exitDriver;

TEST_F(ShellTest, TheExitMoviePlaysInASecondLoopThatItsEndAKeyOrTheCloseBoxEnds)
{
  shellCalls().createExitMovie = [](const char* name, int x, int y, const OMLink* finished) {
    calls().push_back(std::string("exit movie ") + name + " " + std::to_string(x) + " " +
                      std::to_string(y));
    auto movie = std::make_unique<FakeMovie>();
    movie->setFinishedLink(finished);
    exitDriver.movie = movie.get();
    return std::unique_ptr<ShellMovie>(std::move(movie));
  };
  const std::vector<std::string> played = {"exit movie MVAdExit.smk 0 0", "movie no restore",
                                           "movie press hook", "movie start"};
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    exitDriver = ExitDriver{way};
    const OMLinkToObj<ExitDriver> link(&exitDriver, &ExitDriver::pass, 0);
    OMTask task(&link, 0);
    shellApp()->addTask(&task);
    calls().clear();
    runGame();
    shellApp()->removeTask(&task);
    std::vector<std::string> expected = played;
    // The scene ports never see the exit movie's key.
    expected.push_back("movie finished link cleared");
    expected.push_back("movie deleted");
    EXPECT_EQ(calls(), expected);
    EXPECT_GE(exitDriver.passes, 6);
    reopen(16);
  }
}

namespace {

int movieEnds = 0;

OMWord countMovieEnd(OMWord)
{
  ++movieEnds;
  return 0;
}

// The frame of the movie whose every pixel the screen shows with its corner at (left, top),
// or -1.
int frameOnScreen(const SmackerWriter::Movie& m, int left, int top)
{
  const omhost::ScreenBuffer& screen = omhost::headlessHost()->screen();
  const auto pixel = [&screen](int x, int y) {
    const std::uint8_t* row = screen.bytes.data() + std::size_t(y) * screen.pitch;
    return std::uint32_t(row[2 * x] | row[2 * x + 1] << 8);
  };
  for (int f = 0; f < int(m.frames.size()); ++f) {
    bool all = true;
    for (int y = 0; y < m.height && all; ++y)
      for (int x = 0; x < m.width && all; ++x)
        all = pixel(left + x, top + y) == movietest::expected(m, f, x, y, 16);
    if (all) return f;
  }
  return -1;
}

}  // namespace

// The open movie trinket through the shell's own calls: a close request parks it, a still on
// the running stage; staying plays a playing movie on from its frame, and leaves alone one
// that had ended or that the scripts deleted meanwhile.
TEST_F(ShellTest, ACloseRequestParksTheOpenMovieAndStayingPlaysOnOnlyAPlayingOne)
{
  // The game's base open flags, not the library's own.
  EXPECT_EQ(RSmackerMovie::openFlags(), 0x100u);
  TempFolder folder;
  ScopedCurrentFolder inFolder(folder.path());
  const SmackerWriter::Movie m = movietest::movie(8);
  SmackerWriter writer;
  SmackerWriter::Bytes bytes;
  ASSERT_TRUE(writer.write(m, bytes)) << writer.error();
  folder.write("movie.smk", std::vector<unsigned char>(bytes.begin(), bytes.end()));
  struct Case {
    const char* name;
    bool endedFirst;
    bool deletedWhileFrozen;
    int ends;
  };
  const Case cases[] = {
      {"playing", false, false, 1},
      {"ended", true, false, 1},
      {"deleted", false, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    movieEnds = 0;
    const OMLinkToFct end(&countMovieEnd);
    auto movie = std::make_unique<RSmackerMovie>("movie.smk", 40, 30, &end, -1, 1, 0);
    ASSERT_TRUE(movie->hasMovie());
    movie->start();
    for (int pass = 0; pass < 200 && movie->isRunning(); ++pass) {
      if (!c.endedFirst && frameOnScreen(m, 40, 30) == 3) break;
      omtest::runPasses(1, 10);
    }
    const int frozenFrame = frameOnScreen(m, 40, 30);
    const DWORD frozenAt = movie->movieRecord()->FrameNum;
    calls().clear();
    host.requestClose();
    omtest::runPasses(30, 10);
    EXPECT_EQ(calls(), std::vector<std::string>{"appClose"});
    EXPECT_TRUE(movie->isParked());
    EXPECT_FALSE(movie->isRunning());
    EXPECT_FALSE(movie->holdsHostPause());
    EXPECT_EQ(movie->movieRecord()->FrameNum, frozenAt);
    // The stage runs and paints the parked movie as it was.
    EXPECT_EQ(frameOnScreen(m, 40, 30), frozenFrame);

    if (c.deletedWhileFrozen) movie.reset();
    answerCloseRequest(0);
    std::vector<int> shown;
    for (int pass = 0; pass < 200 && movie && movie->isRunning(); ++pass) {
      const int f = frameOnScreen(m, 40, 30);
      if (shown.empty() || shown.back() != f) shown.push_back(f);
      omtest::runPasses(1, 10);
    }
    if (!c.endedFirst && !c.deletedWhileFrozen) {
      // On from the frozen frame to the end (the last frame ends the movie).
      EXPECT_EQ(shown, (std::vector<int>{3, 4, 5, 6}));
    }
    EXPECT_EQ(movieEnds, c.ends);
    if (movie) {
      EXPECT_FALSE(movie->isParked());
      EXPECT_FALSE(movie->isRunning());
      EXPECT_FALSE(movie->holdsHostPause());
      EXPECT_FALSE(movie->hasFrameTask());
    }
    omtest::runPasses(20, 10);
    EXPECT_EQ(movieEnds, c.ends);
  }
}
