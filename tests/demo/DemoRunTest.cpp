// The demo game run end to end as CI runs it: the program itself, headless, on the stepping
// clock, in a fresh copy of the demo's laid-out folders, driven by an input script. What it
// drew (the snapshots' checksums), played (the audio capture) and wrote ("debug.txt",
// "KORVANIX.DAT") is held against goldens written once from a reviewed run.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/demo/DemoProgram.h"
#include "tests/support/MazeContent.h"
#include "tests/support/MazeWriter.h"
#include "tests/support/PngWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ToneMeter.h"

namespace {

using namespace omdemo;
namespace fs = std::filesystem;

const std::string goldens = DEMO_GOLDENS;
const std::string shortRun = "at 1000 snap start\nat 1100 key Esc\n";

std::string readFile(const std::string& path)
{
  return omtest::readHostFile(path);
}

// The game started in a work folder.
class Program : public DemoProgram {
 public:
  Program(const std::string& workFolder, const std::map<std::string, std::string>& settings)
      : DemoProgram(KORVANIX_PATH, workFolder, settings)
  {
  }
};

// A fresh copy of the demo's folders: the work folder with "korvanix.INI" alone (what a
// `make demo` left there stays out) and the CD. Each copy has a runtime folder of its own, so
// that no other program running meanwhile is its first copy.
class DemoCopy {
 public:
  explicit DemoCopy(const std::string& folder) : folder_(folder)
  {
    fs::create_directories(work());
    fs::create_directories(snaps());
    fs::copy_file(std::string(DEMO_FOLDER) + "/work/korvanix.INI", work() + "/korvanix.INI");
    fs::copy(std::string(DEMO_FOLDER) + "/cd", folder_ + "/cd", fs::copy_options::recursive);
  }

  std::string work() const { return folder_ + "/work"; }
  std::string snaps() const { return folder_ + "/snaps"; }
  std::string audio() const { return folder_ + "/audio.wav"; }
  std::string inWork(const std::string& name) const { return work() + "/" + name; }

  // The settings of a headless run on the stepping clock with that input script.
  std::map<std::string, std::string> settings(const std::string& input,
                                              const std::string& runtime = "") const
  {
    const std::string script = folder_ + "/input.txt";
    std::ofstream(script, std::ios::binary) << input;
    return {{"OM_HOST", "headless"},
            {"OM_CLOCK", "step:10"},
            {"OM_INPUT_SCRIPT", script},
            {"OM_SNAP_DIR", snaps()},
            {"OM_AUDIO_CAPTURE", audio()},
            {"OM_DRIVE_D", folder_ + "/cd"},
            {"OM_WINDOWS_DIR", folder_ + "/windows"},
            {"XDG_RUNTIME_DIR", runtime.empty() ? folder_ : runtime}};
  }

  Result run(const std::string& input, std::map<std::string, std::string> extra = {}) const
  {
    std::map<std::string, std::string> all = settings(input);
    for (const auto& [name, value] : extra)
      all[name] = value;
    Program program(work(), all);
    Result result;
    result.status = program.wait(120);
    result.out = program.output();
    result.err = program.errors();
    return result;
  }

 private:
  std::string folder_;
};

// The golden snaps of one run: "NAME CHECKSUM" in order.
std::vector<std::string> goldenSnaps(const std::string& run)
{
  return goldenSnapsOf(goldens + "/snaps.golden", run);
}

// Compares a run's snaps with their goldens; a frame that differs is kept in the build
// folder's "failed-frames" for a look.
void expectGoldenSnaps(const std::string& run, const Result& result, const DemoCopy& copy)
{
  expectSnapsAsGoldens(run, goldenSnaps(run), result.out, copy.snaps());
}

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;

  bool blackAt(int x, int y) const
  {
    const std::size_t at = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
    return rgb[at] == 0 && rgb[at + 1] == 0 && rgb[at + 2] == 0;
  }
  bool sameAt(const Picture& other, int x, int y, int otherX, int otherY) const
  {
    const std::size_t at = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
    const std::size_t there =
        (std::size_t(otherY) * std::size_t(other.width) + std::size_t(otherX)) * 3;
    return std::equal(rgb.begin() + long(at), rgb.begin() + long(at) + 3,
                      other.rgb.begin() + long(there));
  }
};

Picture snapOf(const DemoCopy& copy, const std::string& name)
{
  Picture picture;
  EXPECT_TRUE(omtest::readPng(copy.snaps() + "/" + name + ".png", picture.width, picture.height,
                              picture.rgb))
      << name;
  return picture;
}

// The times of the input script's clicks.
std::vector<int> clickTimes(const std::string& script)
{
  std::vector<int> times;
  std::istringstream text(script);
  for (std::string line; std::getline(text, line);) {
    std::istringstream words(line);
    std::string at, command;
    int time = 0;
    if (words >> at >> time >> command && at == "at" && command == "click") times.push_back(time);
  }
  return times;
}

class DemoRunsHeadless : public ::testing::Test {
 protected:
  TempFolder temp;
  DemoCopy copy{temp.path() + "/demo"};
};

// Run 1: screen 1, "Go", the dissolve halfway, screen 2, "Back", the wipe halfway, screen 1
// again and Esc, exactly as reviewed.
TEST_F(DemoRunsHeadless, FirstStartMatchesItsGoldens)
{
  const std::string input = readFile(DEMO_INPUT);
  const Result result = copy.run(input);
  EXPECT_EQ(result.status, 0);
  // A clean run says nothing on standard error, and neither do the sanitizers.
  EXPECT_EQ(result.err, "");
  expectGoldenSnaps("first", result, copy);
  EXPECT_EQ(readFile(copy.inWork("debug.txt")), readFile(goldens + "/debug.expected"));
  const std::string data = readFile(copy.inWork("KORVANIX.DAT"));
  EXPECT_NE(data.find("\nseenMap\n1\n"), std::string::npos);
  if (data != readFile(goldens + "/KORVANIX.DAT.golden")) {
    fs::create_directories("failed-frames");
    fs::copy_file(copy.inWork("KORVANIX.DAT"), "failed-frames/KORVANIX.DAT",
                  fs::copy_options::overwrite_existing);
    ADD_FAILURE() << "KORVANIX.DAT differs from its golden; it is kept as "
                  << fs::absolute("failed-frames/KORVANIX.DAT").string();
  }

  // Halfway through its 30 ticks the dissolve has revealed 512 of screen 2's 1024 cells of
  // 20 x 15 pixels and left the others black; the cursor may cover a few of either.
  const Picture dissolve = snapOf(copy, "dissolve");
  const Picture screen2 = snapOf(copy, "screen2");
  ASSERT_EQ(dissolve.rgb.size(), 640u * 480u * 3u);
  ASSERT_EQ(screen2.rgb.size(), dissolve.rgb.size());
  int revealed = 0, black = 0;
  for (int cell = 0; cell < 1024; ++cell) {
    const int left = cell % 32 * 20, top = cell / 32 * 15;
    bool same = true, dark = true;
    for (int y = top; y < top + 15; ++y)
      for (int x = left; x < left + 20; ++x) {
        same = same && dissolve.sameAt(screen2, x, y, x, y);
        dark = dark && dissolve.blackAt(x, y);
      }
    revealed += same;
    black += dark;
  }
  EXPECT_LE(revealed, 512);
  EXPECT_LE(black, 512);
  EXPECT_GE(revealed + black, 1024 - 12) << "more cells than the cursor covers are neither";

  // Halfway through, the wipe from the left has shown the left half of screen 1.
  const Picture wipe = snapOf(copy, "wipe");
  ASSERT_EQ(wipe.rgb.size(), dissolve.rgb.size());
  for (int x = 0; x < 640; x += 8) {
    int dark = 0;
    for (int y = 0; y < 480; ++y)
      dark += wipe.blackAt(x, y);
    // The cursor stands at the edge and reaches 32 pixels into the black half.
    if (x < 320) {
      EXPECT_LT(dark, 480) << "column " << x;
    } else if (x >= 352) {
      EXPECT_EQ(dark, 480) << "column " << x;
    }
  }

  // The music (its notes fading in from the start) plays up to each click; each click sounds
  // at once (within 100 ms) while the transition pauses the music.
  const std::vector<std::int16_t> samples = capturedSamples(copy.audio());
  const std::vector<int> notes = {262, 294, 330, 392, 440, 523, 1200};
  const std::vector<int> clicks = clickTimes(input);
  ASSERT_EQ(clicks.size(), 2u);
  for (const int click : clicks) {
    SCOPED_TRACE("the click at " + std::to_string(click));
    ASSERT_LT(std::size_t((click + 100) * kCaptureRate / 1000), samples.size());
    // A slice across two notes shares its power between them.
    std::set<int> played;
    int clear = 0;
    for (int from = click - 500; from < click; from += 50) {
      const auto [tone, share] = strongestTone(samples, from, 50, notes);
      EXPECT_NE(tone, 1200) << from;
      clear += share > 0.5;
      played.insert(tone);
    }
    EXPECT_GE(clear, 7) << "the notes stand out of the slices before the click";
    EXPECT_GE(played.size(), 2u) << "a melody, not one tone";
    for (int from = click; from < click + 100; from += 50) {
      const auto [tone, share] = strongestTone(samples, from, 50, notes);
      EXPECT_EQ(tone, 1200) << from;
      EXPECT_GT(share, 0.5) << from;
    }
  }
}

// Run 2, in the same folders: the player "Demo" is read back and welcomed back.
TEST_F(DemoRunsHeadless, SecondStartWelcomesThePlayerBack)
{
  ASSERT_EQ(copy.run(readFile(DEMO_INPUT)).status, 0);
  const Result again = copy.run(shortRun);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.err, "");
  expectGoldenSnaps("again", again, copy);
  EXPECT_EQ(readFile(copy.inWork("debug.txt")),
            readFile(goldens + "/debug.expected") + "Welcome back, Demo\nbye\n");
}

// Run 3: a data file cut in the middle of the player's raw blocks. The game starts as for a
// new player, says what was damaged and keeps the damaged file.
TEST_F(DemoRunsHeadless, DamagedPlayerFileStartsANewPlayer)
{
  const std::string whole = readFile(goldens + "/KORVANIX.DAT.golden");
  const std::size_t blocks = whole.find("GLOBAL_END\n");
  ASSERT_NE(blocks, std::string::npos);
  const std::string cut = whole.substr(0, blocks + 11 + 140);
  std::ofstream(copy.inWork("KORVANIX.DAT"), std::ios::binary) << cut;
  const Result result = copy.run(shortRun);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "KORVANIX.DAT is damaged; a copy is kept as KORVANIX.BAD\n");
  EXPECT_EQ(readFile(copy.inWork("KORVANIX.BAD")), cut);
  EXPECT_EQ(readFile(copy.inWork("debug.txt")), "Hello, Demo\nbye\n");
  // The same first screen as a first start's.
  const std::vector<std::string> snaps = snapLines(result.out);
  ASSERT_EQ(snaps.size(), 1u);
  EXPECT_EQ(snaps[0], goldenSnaps("first").at(0));
}

// Run 4: while one copy runs, a second one started in another work folder brings the first
// forward and ends at once, without a trace.
TEST_F(DemoRunsHeadless, SecondCopyRaisesTheFirst)
{
  DemoCopy other(temp.path() + "/other");
  const std::string runtime = temp.makeFolder("runtime");
  // The first copy runs on the real clock and waits for input that comes much later.
  std::map<std::string, std::string> first =
      copy.settings("at 100 snap ready\nat 60000 key Esc\n", runtime);
  first.erase("OM_CLOCK");
  Program running(copy.work(), first);
  ASSERT_TRUE(running.waitForOutput("snap ready", 60)) << running.errors();

  std::map<std::string, std::string> second = other.settings("", runtime);
  second.erase("OM_INPUT_SCRIPT");
  Program late(other.work(), second);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(late.wait(60), 0) << late.errors();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  EXPECT_EQ(late.output(), "");
  EXPECT_EQ(late.errors(), "");
  EXPECT_FALSE(fs::exists(other.inWork("debug.txt")));
  EXPECT_FALSE(fs::exists(other.inWork("KORVANIX.DAT")));

  EXPECT_TRUE(running.waitForOutput("\nraised\n", 60)) << running.output();
}

// Run 5: a screen larger than 640 x 480. The warning shows once, its box ticked; the game
// plays in a window in the middle of the screen; the next start shows no warning.
TEST_F(DemoRunsHeadless, LargerScreenWarnsOncePlaysInAWindow)
{
  const std::map<std::string, std::string> larger = {{"OM_SCREEN", "1024x768x16"},
                                                     {"OM_DIALOG_ANSWER", "1+102"}};
  const std::string warning = "will be easier to see if they appear larger on the screen";
  const auto warningsIn = [&](const std::string& err) {
    int continues = 0;
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);)
      continues += line.find(warning) != std::string::npos && line.ends_with("-> 1");
    return continues;
  };

  const Result result = copy.run(shortRun, larger);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(warningsIn(result.err), 1) << result.err;
  EXPECT_NE(readFile(copy.inWork("KORVANIX.DAT")).find("\ninformResolutionWarning\n0\n"),
            std::string::npos);
  expectGoldenSnaps("larger", result, copy);
  // The stage's 640 x 480 in a window at (192, 144) on the black desktop: the first screen,
  // the ball wherever its frames have got to.
  const Picture screen = snapOf(copy, "start");
  ASSERT_EQ(screen.width, 1024);
  ASSERT_EQ(screen.height, 768);
  DemoCopy plain(temp.path() + "/plain");
  ASSERT_EQ(plain.run(shortRun).status, 0);
  const Picture start = snapOf(plain, "start");
  ASSERT_EQ(start.rgb.size(), 640u * 480u * 3u);
  int outside = 0, differ = 0;
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) {
      const bool inStage = x >= 192 && x < 832 && y >= 144 && y < 624;
      const bool inBall = x >= 192 + 100 && x < 192 + 164 && y >= 144 + 200 && y < 144 + 264;
      // The pointer starts at the desktop's corner: on the plain screen that is the stage's.
      const bool inPointer = x < 192 + 32 && y < 144 + 32;
      if (!inStage)
        outside += !screen.blackAt(x, y);
      else if (!inBall && !inPointer)
        differ += !screen.sameAt(start, x, y, x - 192, y - 144);
    }
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(differ, 0);

  const Result next = copy.run(shortRun, larger);
  EXPECT_EQ(next.status, 0);
  EXPECT_EQ(next.err, "");
}

}  // namespace

// An arcade scene on the demo's pictures, as its own start script: a paddle steered by the
// arrow keys, a ball with three lives, and a collision watch that sends the ball back up when
// they meet. Ten seconds of keys; the snaps and the log are held against their goldens.
TEST_F(DemoRunsHeadless, ArcadeSceneMatchesItsGoldens)
{
  std::ofstream(copy.inWork("../cd/scripts/Startup.mps"), std::ios::binary)
      << "yield off\r"
         "scene=RScenePort\rset scene appClose closeAsked\r"
         "Scene 100\r"
         "paddle=RArcadeAO 201 360 380 10 15\rset paddle direction 1\r"
         "set paddle tag 1\rset paddle boundingBox 0 0 560 440\r"
         "ball=RBouncingBall 210 300 100 400 300 1000\rset ball boundingBox 0 0 640 480\r"
         "set ball numOfLifes 3\rset ball tag 2\rset ball finished gameOver\r"
         "hit=RCollision 1 2\rset hit collision bounceBack\rset hit partition parted\r"
         "say \"start\"\r"
         "wait\r"
         "procedure bounceBack\r[\r  say \"bounce\"\r  play ball bounce up\r]\r"
         "procedure parted\r[\r  say \"apart\"\r]\r"
         "procedure gameOver\r[\r  say \"over\"\r  set ball paused 1\r]\r"
         "procedure closeAsked\r[\r  say \"bye\"\r  play scene exitSelected 1\r]\r";
  std::string input = "at 500 snap arcade-start\n";
  for (int at = 600; at < 1400; at += 100)
    input += "at " + std::to_string(at) + " key Right\n";
  input += "at 1500 snap arcade-paddle\n";
  for (int at = 3000; at < 4500; at += 100)
    input += "at " + std::to_string(at) + " key Left\n";
  input += "at 5000 snap arcade-middle\nat 9500 snap arcade-end\nat 10000 key Esc\n";
  const Result result = copy.run(input);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  expectGoldenSnaps("arcade", result, copy);
  const std::string log = readFile(copy.inWork("debug.txt"));
  EXPECT_EQ(log, readFile(goldens + "/arcade-debug.expected"));
  if (log != readFile(goldens + "/arcade-debug.expected")) {
    fs::create_directories("failed-frames");
    std::ofstream("failed-frames/arcade-debug.txt", std::ios::binary) << log;
  }
}

// Run 6: deeper screens (after the colour warning, continued), on GDI and on DirectDraw in a
// window, look as the 16-bit screen does once their colours are cut to 5 bits a channel: the
// screens, the ball and buttons, and the exit movie's frames.
TEST(DemoDepths, EveryDepthLooksAsSixteenBitsDo)
{
  TempFolder temp;
  const std::string input =
      readFile(DEMO_INPUT) + "at 4400 snap movie1\nat 5000 snap movie2\nat 5600 snap movie3\n";
  const auto run = [&](const std::string& name, const std::string& screen, bool directDraw) {
    auto copy = std::make_unique<DemoCopy>(temp.path() + "/" + name);
    if (directDraw)
      std::ofstream(copy->inWork("korvanix.INI"), std::ios::binary)
          << "[Velmora Trasko Adventures - CD]\r\nCDDrive=D:\\\r\nUseDirectDraw=1\r\n";
    const Result result = copy->run(input, {{"OM_SCREEN", screen}, {"OM_DIALOG_ANSWER", "1"}});
    EXPECT_EQ(result.status, 0) << name << ": " << result.err;
    return std::pair{std::move(copy), snapLines(result.out)};
  };
  const auto [base, baseSnaps] = run("x16", "640x480x16", false);
  ASSERT_EQ(baseSnaps.size(), 8u);
  for (const auto& [name, screen, directDraw] :
       {std::tuple{"x24", "640x480x24", false}, std::tuple{"x32", "640x480x32", false},
        std::tuple{"dd32", "640x480x32", true}}) {
    SCOPED_TRACE(name);
    const auto [copy, snaps] = run(name, screen, directDraw);
    ASSERT_EQ(snaps.size(), baseSnaps.size());
    for (const std::string& line : baseSnaps) {
      const std::string snap = line.substr(0, line.find(' '));
      const Picture expected = snapOf(*base, snap), actual = snapOf(*copy, snap);
      ASSERT_EQ(actual.rgb.size(), expected.rgb.size()) << snap;
      std::size_t differ = 0;
      for (std::size_t i = 0; i < expected.rgb.size(); ++i)
        differ += (expected.rgb[i] >> 3) != (actual.rgb[i] >> 3);
      EXPECT_EQ(differ, 0u) << snap;
    }
  }
}

// Run 7: the pointer shows over an empty part of screen 1 from the start, not only once it
// has been over a button: the same arrow before and after, and not there while the pointer
// is away.
TEST_F(DemoRunsHeadless, PointerShowsOverAnEmptyScreenFromTheStart)
{
  const Result result = copy.run(
      "at 1000 move 20 20\nat 1100 snap empty\nat 1200 move 320 424\nat 1300 snap button\n"
      "at 1400 move 20 20\nat 1500 snap left\nat 1600 key Esc\n");
  ASSERT_EQ(result.status, 0) << result.err;
  const Picture empty = snapOf(copy, "empty"), button = snapOf(copy, "button"),
                left = snapOf(copy, "left");
  int unlikeAway = 0, unlikeAfter = 0;
  for (int y = 20; y < 52; ++y)
    for (int x = 20; x < 52; ++x) {
      unlikeAway += !empty.sameAt(button, x, y, x, y);
      unlikeAfter += !empty.sameAt(left, x, y, x, y);
    }
  EXPECT_GT(unlikeAway, 20) << "no pointer over the empty screen";
  EXPECT_EQ(unlikeAfter, 0);
}

namespace {

// The ways a game whose scripts cannot go on, or cannot answer, still ends: the player data
// saved, nothing torn down twice (the sanitizers watch the program), and the status that says
// how it ended. A fatal script error ends with 1; a close request that no script can answer
// ends as the scripts' own "yes" does, with 0; host signals are close requests, and a second
// one, or one without an answer, ends with 128 + its number.
TEST_F(DemoRunsHeadless, ScriptsThatCannotGoOnOrAnswerStillEndAndSave)
{
  const std::string player = "world=RWorldPort\rplay world activatePlayer Road\r";
  const std::string scene = "scene=RScenePort\r";
  const std::string endless = "q=RQueue -1\rplay q add EmptyAction\rplay q start\r";
  const std::string refusing =
      scene + "set scene appClose refuse\r" + player + "procedure refuse\r[\r  say refused\r]\r";
  const struct {
    const char* road;
    std::string startup;  // none: no "Startup.mps"
    std::vector<int> signals;
    int status;
    bool saved;  // the player's record is in the data file
  } roads[] = {
      {"no start script", "", {}, 1, false},
      {"script too long", player + std::string(33000, ';') + "\r", {}, 1, false},
      {"missing script after the exit",
       player + scene + "play scene exitSelected 1\rcall nope\r",
       {},
       1,
       true},
      {"compile error", player + scene + "set scene appClose a\rif (1\r", {}, 0, false},
      // A stray "]" is a runtime error that stops the script.
      {"stray bracket",
       player + scene + "set scene appClose a\r]\rprocedure a\r[\r]\r",
       {},
       0,
       true},
      {"no appClose", player, {}, 0, true},
      {"terminated without appClose", player, {SIGTERM}, 128 + SIGTERM, true},
      // Rounds of actions that end as they begin go on pass by pass: the script goes on to
      // its player, and the loop answers the close request and the signal.
      {"an endless round of instant actions", endless + player, {}, 0, true},
      {"terminated in an endless round", endless + player, {SIGTERM}, 128 + SIGTERM, true},
      {"interrupted twice", refusing, {SIGINT, SIGINT}, 128 + SIGINT, true},
      {"hung up twice", refusing, {SIGHUP, SIGHUP}, 128 + SIGHUP, true},
  };
  for (const auto& each : roads) {
    SCOPED_TRACE(each.road);
    const std::string script = copy.work() + "/../cd/scripts/Startup.mps";
    fs::remove(script);
    if (!each.startup.empty()) std::ofstream(script, std::ios::binary) << each.startup;
    fs::remove(copy.inWork("KORVANIX.DAT"));
    fs::remove(copy.work() + "/../stdout.txt");  // the last run's "snap up" is no sign
    // Without signals the input closes the game; with them the signals do.
    const std::string input = each.signals.empty()
                                  ? "at 1000 snap up\nat 1100 key Esc\nat 1200 close\n"
                                  : "at 1000 snap up\n";
    Program program(copy.work(), copy.settings(input));
    int status = -1;
    if (each.signals.empty()) {
      status = program.wait(60);
    } else {
      ASSERT_TRUE(program.waitForOutput("snap up", 60));
      for (const int number : each.signals) {
        program.signal(number);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
      }
      status = program.wait(10);
    }
    EXPECT_EQ(status, each.status);
    const std::string data = readFile(copy.inWork("KORVANIX.DAT"));
    EXPECT_EQ(data.rfind("Version\n2\n", 0), 0u);
    EXPECT_EQ(data.find("playerName\nRoad\n") != std::string::npos, each.saved);
    const std::string errors = program.errors();
    EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("runtime error"), std::string::npos) << errors;
  }
}

}  // namespace

namespace {

// The maze scene of the game program itself: maze and tray made by the start script, its
// documents read by resource id or by file name, driven by held arrow keys and a key dragged
// from the tray onto the last gate.
class MazeRunsHeadless : public DemoRunsHeadless {
 protected:
  MazeRunsHeadless()
  {
    NEResourceWriter writer;
    mazetest::addMazeResources(writer);
    const omtest::MazeDescription maze = mazetest::driveMaze();
    const std::string layout = omtest::mazeLayout(maze),
                      definitions = omtest::mazeDefinitions(maze);
    writer.add("XML", std::to_string(mazetest::layoutId),
               NEResourceWriter::Bytes(layout.begin(), layout.end()));
    writer.add("XML", std::to_string(mazetest::definitionsId),
               NEResourceWriter::Bytes(definitions.begin(), definitions.end()));
    NEResourceWriter::Bytes bytes;
    EXPECT_TRUE(writer.build(bytes)) << writer.error();
    const std::string rsc = copy.work() + "/../cd/RSC/";
    std::ofstream(rsc + "maze.rsc", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    std::ofstream(rsc + "layout.xml", std::ios::binary) << layout;
    std::ofstream(rsc + "definitions.xml", std::ios::binary) << definitions;
    // The map names the new file's resources; its first line is the largest block's length.
    std::string block = "maze.rsc\r\n";
    int entries = 0;
    const auto entry = [&](const std::string& type, int id) {
      block += type + " " + std::to_string(id) + "\r\n";
      ++entries;
    };
    for (int s = 0; s < 6; ++s) {
      entry("ASEQ", mazetest::pathBase + s);
      entry("BK16", mazetest::mapBase + s);
    }
    for (int id : {mazetest::carImage, mazetest::blockImage, mazetest::warpImage,
                   mazetest::gateImage, mazetest::transformImage, mazetest::spotImage,
                   mazetest::riseImage, mazetest::lowerImage, 4063})
      entry("ASEQ", id);
    entry("WAVE", 20041);
    entry("WAVE", 20042);
    entry("NFNT", 4117);
    entry("XML", mazetest::layoutId);
    entry("XML", mazetest::definitionsId);
    std::string map = readFile(rsc + "resource.map");
    map = std::to_string(entries) + map.substr(map.find('\n')) + block + "ENDFILE\r\n";
    std::ofstream(rsc + "resource.map", std::ios::binary) << map;
  }

  void writeStartup(const std::string& documents)
  {
    std::ofstream(copy.inWork("../cd/scripts/Startup.mps"), std::ios::binary)
        << "yield off\r"
           "scene=RScenePort\rset scene appClose closeAsked\rInstallCursors\r"
           "b=MA2Bezel 440\rm=MA2Maze 1 1\rplay m data "
        << documents
        << "\rget m sets n\rsay sets n\r"
           "play m bezel \"b\"\rplay b addItem 1 key 800 801\rplay b addItem 2 clue 800 801\r"
           "play m setMap 600 601 602 603 604 605\rplay m setPaths 500 501 502 503 504 505\r"
           "set m solved solved\rset b beginUp beginUp\rset b endUp endUp\r"
           "set b beginDown beginDown\rset b endDown endDown\r"
           "play m position 1 200 240\rplay m start 1\r"
           "procedure solved\r[\r  say \"solved\"\r]\rprocedure beginUp\r[\r  say \"beginUp\"\r]\r"
           "procedure endUp\r[\r  say \"endUp\"\r]\rprocedure beginDown\r[\r  say "
           "\"beginDown\"\r]\r"
           "procedure endDown\r[\r  say \"endDown\"\r]\r"
           "procedure closeAsked\r[\r  say \"bye\"\r  play scene exitSelected 1\r]\r";
  }

  // The route: right through the open gate G1 to the block; back to the crossing; up onto warp
  // A1 (screen 4), on into the goal room and over the top edge to screen 1; left over the edge
  // to screen 0 and on against its left edge; right to the closed gate G3; the key from the
  // tray onto G3, whose transform plays and solves the maze.
  static std::string route()
  {
    return "at 1000 snap maze-start\n"
           "at 1100 keydown Right\nat 5000 keyup Right\nat 5100 snap maze-block\n"
           "at 5200 keydown Left\nat 6400 keyup Left\n"
           "at 6500 keydown Up\nat 8700 snap maze-warp\nat 9700 snap maze-goal\n"
           "at 18000 keyup Up\nat 18100 snap maze-screen1\n"
           "at 18200 keydown Left\nat 34000 keyup Left\nat 34100 snap maze-edge\n"
           "at 34200 keydown Right\nat 45000 keyup Right\nat 45100 snap maze-gate\n"
           "at 45200 move 130 450\nat 46000 press 130 450\nat 46200 move 400 300\n"
           "at 46400 move 610 240\nat 46600 release 610 240\nat 48000 snap maze-solved\n"
           "at 48500 key Esc\n";
  }
};

TEST_F(MazeRunsHeadless, DriveMatchesItsGoldensByIdsAndByFileNames)
{
  const std::string expectedLog = readFile(goldens + "/maze-debug.expected");
  for (const char* documents :
       {"900 901", "\"D:\\RSC\\layout.xml\" \"D:\\RSC\\definitions.xml\""}) {
    SCOPED_TRACE(documents);
    writeStartup(documents);
    fs::remove(copy.inWork("debug.txt"));
    const Result result = copy.run(route());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    expectGoldenSnaps("maze", result, copy);
    // The car where the rules put it: stopped by block B1 8 pixels short of it, and by gate G3
    // after the run back from screen 0's left edge (x 0, then steps of 6).
    const auto carAt = [&](const std::string& snap, int x, int y) {
      const Picture picture = snapOf(copy, snap);
      if (picture.width != 640) return false;
      for (int dy = -10; dy < 10; ++dy)
        for (int dx = -10; dx < 10; ++dx)
          if (!picture.blackAt(x + dx, y + dy)) return false;
      // The car's right side may lie 3 pixels over what stopped it.
      return !picture.blackAt(x - 11, y) && !picture.blackAt(x, y - 11) &&
             !picture.blackAt(x, y + 10);
    };
    EXPECT_TRUE(carAt("maze-block", 392, 240));
    EXPECT_TRUE(carAt("maze-gate", 588, 241));
    const std::string log = readFile(copy.inWork("debug.txt"));
    EXPECT_EQ(log, expectedLog);
    if (log != expectedLog) {
      fs::create_directories("failed-frames");
      std::ofstream("failed-frames/maze-debug.txt", std::ios::binary) << log;
    }
  }
}

}  // namespace
