// Scene ports driven by scripts on the shell's stage: the background music and its fades, the
// pause bracket, the global timers, the transition effects and the shell's keys and close
// requests, with handlers that delete ports.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMResFile.h"
#include "framework/OMSystem.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "game/AppShell.h"
#include "game/BackgroundMusic.h"
#include "game/OMStageWindow.h"
#include "game/RScenePort.h"
#include "game/ScenePortShell.h"
#include "platform/host/HostAudioSink.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ToneMeter.h"
#include "tools/BackgroundWriter.h"
#include "tools/NEResourceWriter.h"
#include "tools/WaveWriter.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using Lines = std::vector<std::string>;

constexpr int highMusic = 40;  // a second of 1000 Hz
constexpr int lowMusic = 41;   // a second of 500 Hz
constexpr int pictureId = 50;
constexpr std::uint16_t pictureColour = pixel555(40, 200, 120);
constexpr double sinkRate = omhost::HostAudioSink::kRate;

template <const char* Type>
std::unique_ptr<OMIStream> load(std::uint16_t id)
{
  return openResourceStream(id, Type, -1);
}
constexpr char backgroundType[] = "BK16";

std::unique_ptr<OMIStream> loadMusic(std::uint16_t id, std::int32_t flags)
{
  return openResourceStream(id, "WAVE", flags);
}

// The game's shell and stage on the headless host with the manual clock, the scene port's
// task, two musics and a picture; scripts run in a fresh current folder.
class ScenePortTest : public ::testing::Test {
 protected:
  ScenePortTest() : host_(omtest::startAppSession())
  {
    NEResourceWriter writer;
    writer.add("WAVE", std::to_string(highMusic),
               wavewriter::waveImage(22050, wavewriter::tone(22050, 1000, 22050)));
    writer.add("WAVE", std::to_string(lowMusic),
               wavewriter::waveImage(22050, wavewriter::tone(22050, 500, 22050)));
    writer.add("BK16", std::to_string(pictureId),
               writeBackground(640, 480, std::vector<std::uint16_t>(640 * 480, pictureColour)));
    NEResourceWriter::Bytes bytes;
    EXPECT_TRUE(writer.build(bytes));
    openResFile(folder_.write("scene.rsc", std::string(bytes.begin(), bytes.end())).c_str(), 1);
    setBackgroundLoader(&load<backgroundType>);
    setBackgroundMusicLoader(&loadMusic);
    createMainWindow(3);
    shellStage()->activate();
    installScenePortTask();
    setScriptStepMode(1);
    omhost::HostAudioSink::instance().resynchronise();
    omhost::HostAudioSink::instance().startCapture();
    passes(2);
  }
  ~ScenePortTest() override
  {
    threads_.clear();
    scriptVariables.clear();
    clearEventRecords();
    setScriptStepMode(0);
    shutdownScenePort();
    destroyMainWindow();
    resetShellCalls();
    setBackgroundLoader(nullptr);
    setBackgroundMusicLoader(nullptr);
    closeWaveOut();
    omhost::HostAudioSink::instance().takeCaptured();
    omhost::HostAudioSink::instance().resynchronise();
    closeAllResFiles();
    omhost::useRealClock();
  }

  // Runs the lines as a script of their own (yielding off, so that they run in one pass); it
  // stays to run its procedures' events.
  void run(const std::string& lines)
  {
    const std::string name = "s" + std::to_string(threads_.size()) + ".mps";
    std::ofstream(name, std::ios::binary) << "yield off\r" << lines << "wait\r" << procedures_;
    threads_.push_back(std::make_unique<YThread>(name.c_str(), nullptr));
    threads_.back()->start();
    shellApp()->runPass();
  }
  // Procedures that log "<PORT> <event>" for these events of these ports, connected.
  std::string logEvents(const std::string& ports, const Lines& events)
  {
    std::string connect;
    for (char port : ports) {
      const std::string name(1, port);
      for (const std::string& event : events) {
        procedures_ += "procedure " + name + event + "\r[\r  say " +
                       std::string(1, static_cast<char>(port - 'a' + 'A')) + " " + event + "\r]\r";
        connect += "set " + name + " " + event + " " + name + event + "\r";
      }
    }
    return connect;
  }

  void passes(int count, std::uint32_t stepMilliseconds = 0)
  {
    omtest::runPasses(count, stepMilliseconds);
  }
  // A pass now, then passes a millisecond apart up to the first at that tick after the start.
  void passToTick(std::uint32_t startTick, std::uint32_t ticks)
  {
    passes(1);
    while (getTicks() < startTick + ticks)
      passes(1, 1);
  }
  void settle() { passes(8); }

  Lines debugLines() const
  {
    std::ifstream file("debug.txt", std::ios::binary);
    Lines lines;
    for (std::string line; std::getline(file, line);)
      lines.push_back(line.substr(0, line.find('\r')));
    return lines;
  }
  // The log's lines after the first `from`.
  Lines linesSince(std::size_t from) const
  {
    const Lines all = debugLines();
    return from < all.size() ? Lines(all.begin() + static_cast<long>(from), all.end()) : Lines{};
  }
  static std::string text(const char* name)
  {
    YVariable* found = scriptVariables.at(scriptVariables.find(name, -1));
    return found ? found->getText() : std::string("<none>");
  }
  static int musicVolumeHeard()
  {
    const OMWaveSound* sound = backgroundMusicSound();
    return sound ? sound->volume() : -1;
  }
  // The power of a tone in the next 200 ms that reach the sink.
  double listen(double frequency)
  {
    omhost::HostAudioSink::instance().takeCaptured();
    passes(20, 10);
    const std::vector<std::int16_t> heard = omhost::HostAudioSink::instance().takeCaptured();
    const std::size_t count = static_cast<std::size_t>(sinkRate / 10);
    if (heard.size() < 2 * count) return 0;
    return omtest::tonePower(heard, heard.size() - count, count, frequency, sinkRate);
  }
  std::uint32_t pixel(int x, int y) const
  {
    const omhost::ScreenBuffer& screen = host_.screen();
    const std::uint8_t* row = screen.bytes.data() + static_cast<std::size_t>(y) * screen.pitch;
    return static_cast<std::uint32_t>(row[2 * x] | row[2 * x + 1] << 8);
  }
  // How many points of a 16 x 12 grid over the window show the picture, and how many black.
  std::pair<int, int> pictureAndBlack() const
  {
    int picture = 0, black = 0;
    for (int y = 20; y < 480; y += 40) {
      for (int x = 20; x < 640; x += 40) {
        picture += pixel(x, y) == pictureColour;
        black += pixel(x, y) == 0;
      }
    }
    return {picture, black};
  }

  TempFolder folder_;
  ScopedCurrentFolder inFolder_{folder_.path()};
  omhost::HeadlessHost& host_;
  ScopedEdition edition_{OMEdition::game};
  std::string procedures_;
  std::vector<std::unique_ptr<YThread>> threads_;
};

// A fade-in reaches its volume on its last tick and the music plays on; a fade-out during it
// starts from where it was heading and ends the music; the same id changes nothing, another
// restarts the music with its own sound.
TEST_F(ScenePortTest, MusicFadesInAndOutInTicksAndRestartsOnlyForANewId)
{
  run("p=RScenePort\rplay p startBackgroundMusic 40 80 2\r");
  std::uint32_t start = getTicks();
  const struct {
    std::uint32_t tick;
    int volume;
    bool fading;
  } fadeIn[] = {{0, 0, true},    {30, 20, true},   {60, 40, true},
                {119, 79, true}, {120, 80, false}, {200, 80, false}};
  for (const auto& step : fadeIn) {
    passToTick(start, step.tick);
    EXPECT_EQ(musicVolumeHeard(), step.volume) << step.tick;
    EXPECT_EQ(isBackgroundMusicFading(), step.fading) << step.tick;
  }
  run("get p backgroundMusicVolume v\rget p backgroundMusicID i\r");
  EXPECT_EQ(text("v"), "80");
  EXPECT_EQ(text("i"), "40");
  // Looping: after three seconds the tone still sounds, at 80 % of the full volume.
  passes(100, 10);
  const double at80 = listen(1000);
  run("set p backgroundMusicVolume 100\r");
  EXPECT_NEAR(omtest::decibels(at80, listen(1000)), -1.94, 0.6);

  run("play p startBackgroundMusic 40 80 2\r");
  start = getTicks();
  passToTick(start, 30);
  EXPECT_EQ(musicVolumeHeard(), 20);
  run("play p stopBackgroundMusic 1\r");
  start = getTicks();
  const struct {
    std::uint32_t tick;
    int volume;
  } fadeOut[] = {{0, 80}, {30, 40}, {59, 2}, {60, -1}};
  for (const auto& step : fadeOut) {
    passToTick(start, step.tick);
    EXPECT_EQ(musicVolumeHeard(), step.volume) << step.tick;
  }
  EXPECT_FALSE(isBackgroundMusicFading());
  EXPECT_LT(listen(1000), 1);
  run("get p backgroundMusicVolume v\r");
  EXPECT_EQ(text("v"), "80");

  // No arguments: the music again, as it was.
  run("play p startBackgroundMusic\r");
  const OMWaveSound* playing = backgroundMusicSound();
  ASSERT_NE(playing, nullptr);
  const double high = listen(1000);
  EXPECT_GT(high, 1e5);
  run("set p backgroundMusicID 40\r");
  EXPECT_EQ(backgroundMusicSound(), playing);
  EXPECT_NEAR(omtest::decibels(listen(1000), high), 0, 1);
  run("set p backgroundMusicID 41\rget p backgroundMusicID i\r");
  EXPECT_EQ(text("i"), "41");
  EXPECT_LT(listen(1000), high / 1000);
  EXPECT_NEAR(omtest::decibels(listen(500), high), 0, 1);

  // Switched off the music stops; on again it starts with its id and volume.
  run("set p isBackgroundMusicEnabled 0\rplay p startBackgroundMusic 40\r"
      "get p isBackgroundMusicEnabled e\r");
  EXPECT_EQ(text("e"), "0");
  EXPECT_EQ(backgroundMusicSound(), nullptr);
  run("set p isBackgroundMusicEnabled 1\r");
  EXPECT_EQ(backgroundMusicId(), 40);
  EXPECT_GT(listen(1000), 1e5);
}

// Scripts may ask for fades of any length from any volume: one of 2^30 seconds (whose ticks
// pass 2^32) or of more than 2^31 ticks holds its first volume for as long as anyone listens,
// and a fade-out from the lowest volume still ends on time.
TEST_F(ScenePortTest, FadesOfAnyLengthFromAnyVolumeKeepTheirCourse)
{
  const struct {
    const char* name;
    const char* lines;
    std::uint32_t tick;
    int heard;
    bool fading;
  } cases[] = {
      {"fade-in over 2^30 s", "play p startBackgroundMusic 40 80 1073741824\r", 600, 0, true},
      {"fade-in over 2^31 ticks", "play p startBackgroundMusic 40 80 35791395\r", 600, 0, true},
      {"fade-out over 2^30 s",
       "play p startBackgroundMusic 40 80\rplay p stopBackgroundMusic 1073741824\r", 600, 80, true},
      {"fade-out from the lowest volume, halfway",
       "play p startBackgroundMusic 40 -2147483648\rplay p stopBackgroundMusic 2\r", 60, 0, true},
      {"fade-out from the lowest volume, at its end",
       "play p startBackgroundMusic 40 -2147483648\rplay p stopBackgroundMusic 2\r", 120, -1,
       false},
  };
  run("p=RScenePort\r");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    run("play p stopBackgroundMusic\r" + std::string(c.lines));
    passToTick(getTicks(), c.tick);
    EXPECT_EQ(musicVolumeHeard(), c.heard);
    EXPECT_EQ(isBackgroundMusicFading(), c.fading);
  }
}

// Nested pauses (a transition and the scripts' own) pause once and resume at the last end; a
// fade started inside them waits, with its music, for that end; an end too many is ignored.
TEST_F(ScenePortTest, APauseHoldsTheMusicAndItsFadeUntilTheLastEnd)
{
  run("p=RScenePort\rplay p startBackgroundMusic 40 100\r");
  EXPECT_GT(listen(1000), 1e5);
  beginScenePause();
  run("play p pauseBackgroundMusic\rplay p startBackgroundMusic 40 60 1\r");
  EXPECT_EQ(scenePauseDepth(), 2);
  ASSERT_NE(backgroundMusicSound(), nullptr);
  EXPECT_TRUE(backgroundMusicSound()->isPaused());
  passes(200, 10);
  EXPECT_EQ(musicVolumeHeard(), 0);
  EXPECT_LT(listen(1000), 1);

  run("play p resumeBackgroundMusic\r");
  EXPECT_TRUE(backgroundMusicSound()->isPaused());
  EXPECT_EQ(musicVolumeHeard(), 0);
  endScenePause();
  const std::uint32_t start = getTicks();
  EXPECT_FALSE(backgroundMusicSound()->isPaused());
  passToTick(start, 30);
  EXPECT_EQ(musicVolumeHeard(), 30);
  passToTick(start, 60);
  EXPECT_EQ(musicVolumeHeard(), 60);
  EXPECT_FALSE(isBackgroundMusicFading());
  EXPECT_GT(listen(1000), 1e5);

  endScenePause();
  run("play p resumeBackgroundMusic\r");
  EXPECT_EQ(scenePauseDepth(), 0);
  beginScenePause();
  EXPECT_TRUE(backgroundMusicSound()->isPaused());
  endScenePause();
  EXPECT_FALSE(backgroundMusicSound()->isPaused());
}

// Timers of a second on ports made before and after them; disables count; a timer with flags
// 2 waits while the button is held on the stage, and only its own press holds it.
TEST_F(ScenePortTest, GlobalTimersExpireOnEveryPortUnlessDisabledOrHeld)
{
  std::string connect = logEvents("a", {"tickEvent"});
  connect += logEvents("c", {"tickEvent"});
  connect += logEvents("b", {"holdEvent"});
  // A press before the timers exist: its release must not count for them.
  host_.pressButton(600, 400);
  settle();
  run("a=RScenePort\rb=RScenePort\rplay a addGlobalTimer 1 1 tick\r"
      "play b addGlobalTimer 1 1 hold 2\rc=RScenePort\r" +
      connect);
  const std::uint32_t start = omhost::clockMilliseconds();

  const struct {
    std::uint32_t at;
    const char* script;  // run at that time
    int button;          // 1 press, -1 release at that time
  } actions[] = {
      {300, nullptr, -1},
      {500, nullptr, 1},
      {2100, nullptr, -1},
      {2200,
       "play a disableGlobalTimer tick\rplay c disableGlobalTimer tick\r"
       "play b enableGlobalTimer tick\rplay b disableGlobalTimer nosuch\r",
       0},
      {3500, "play c enableGlobalTimer tick\r", 0},
  };
  Lines heard;
  std::size_t seen = debugLines().size();
  EXPECT_EQ(seen, 0u);
  for (std::uint32_t at = 0; at <= 4500; at += 10) {
    omtest::passAt(start + at);
    for (const auto& action : actions) {
      if (action.at != at) continue;
      if (action.script) run(action.script);
      if (action.button == 1) host_.pressButton(600, 400);
      if (action.button == -1) host_.releaseButton(600, 400);
    }
    const Lines now = debugLines();
    for (; seen < now.size(); ++seen)
      heard.push_back(std::to_string(at) + " " + now[seen]);
  }
  const Lines expected = {"1000 A tickEvent", "1000 C tickEvent", "2000 A tickEvent",
                          "2000 C tickEvent", "3000 B holdEvent", "4000 A tickEvent",
                          "4000 C tickEvent", "4000 B holdEvent"};
  EXPECT_EQ(heard, expected);
}

// Each effect through a port draws its way and then raises "effectFinished" once on every
// port; "sceneFlag" tells the effect that runs. The picture's layer, made after the ports,
// reports clicks to every port for as long as a port exists.
TEST_F(ScenePortTest, EffectsEndWithOneNoticeOnEveryPortAndTheBackgroundHearsClicks)
{
  run("a=RScenePort\rget a sceneFlag f\rb=RScenePort\rplay a scene 50\r" +
      logEvents("ab", {"effectFinished", "backgroundClicked"}));
  EXPECT_EQ(text("f"), "0");
  ASSERT_NE(shellStage()->background(), nullptr);
  EXPECT_NE(shellStage()->background()->link(OMDrawLayer::pressLink), nullptr);

  const struct {
    const char* call;
    bool fromBlack;
    int mode;
    bool endsBlack;
  } effects[] = {
      {"dissolve 40 0", true, 1, false},       {"dissolve 40 1", false, 3, true},
      {"iris 40 320 240 500", true, 1, false}, {"iris 40 100 100 0", false, 3, true},
      {"wipe 1 40 0", true, 1, false},         {"wipe 0 40 1", false, 3, true},
      {"shake 40 6 4", false, 2, false},
  };
  for (const auto& effect : effects) {
    SCOPED_TRACE(effect.call);
    run(effect.fromBlack ? "play a goToBlack\r" : "play a displayScreen\r");
    settle();
    EXPECT_EQ(pictureAndBlack().second == 192, effect.fromBlack);
    const std::size_t before = debugLines().size();
    run(std::string("play b ") + effect.call + "\r");
    const std::uint32_t start = getTicks();
    passToTick(start, 20);
    run("get a sceneFlag f\r");
    EXPECT_EQ(text("f"), std::to_string(effect.mode));
    if (effect.mode != 2) {
      const auto [picture, black] = pictureAndBlack();
      EXPECT_GT(picture, 0);
      EXPECT_GT(black, 0);
    }
    passToTick(start, 39);
    EXPECT_TRUE(linesSince(before).empty());
    passToTick(start, 40);
    settle();
    EXPECT_EQ(linesSince(before), (Lines{"A effectFinished", "B effectFinished"}));
    EXPECT_EQ(pictureAndBlack(), effect.endsBlack ? std::pair(0, 192) : std::pair(192, 0));
    run("get b sceneFlag f\r");
    EXPECT_EQ(text("f"), "0");
  }

  const std::size_t before = debugLines().size();
  host_.click(320, 240);
  settle();
  EXPECT_EQ(linesSince(before), (Lines{"A backgroundClicked", "B backgroundClicked"}));
  // The last port takes the link with it, also from inside its own click; a new one brings
  // it back.
  run("a=0\rb=0\r");
  EXPECT_EQ(shellStage()->background()->link(OMDrawLayer::pressLink), nullptr);
  procedures_ += "procedure dropC\r[\r  say C backgroundClicked\r  c=0\r]\r";
  run("c=RScenePort\rset c backgroundClicked dropC\r");
  host_.click(320, 240);
  settle();
  EXPECT_EQ(linesSince(before),
            (Lines{"A backgroundClicked", "B backgroundClicked", "C backgroundClicked"}));
  EXPECT_TRUE(RScenePort::ports().empty());
  EXPECT_EQ(shellStage()->background()->link(OMDrawLayer::pressLink), nullptr);
}

// Space, Enter and Esc reach every port during the game's loop; handlers drop a later port
// and their own; the close request is answered by "exitSelected": 0 goes on, 1 ends the run.
TEST_F(ScenePortTest, KeysAndCloseRequestsReachThePortsAndExitSelectedAnswers)
{
  procedures_ =
      "procedure aClose\r[\r  say A appClose answer\r  play a exitSelected answer\r"
      "  answer=1\r]\r"
      "procedure dropB\r[\r  say A spacebarPressed\r  b=0\r]\r"
      "procedure dropSelf\r[\r  say C returnPressed\r  c=0\r]\r";
  std::string connect = logEvents("abc", {"spacebarPressed", "returnPressed", "appClose"});
  connect += "set a appClose aClose\rset a spacebarPressed dropB\rset c returnPressed dropSelf\r";
  run("answer=0\ra=RScenePort\rb=RScenePort\rc=RScenePort\rplay a scene 50\r" + connect);
  ASSERT_EQ(RScenePort::ports().size(), 3u);
  settle();
  ASSERT_EQ(pictureAndBlack().first, 192);

  struct Driver {
    int passes = 0;
    OMWord pass(OMWord)
    {
      ++passes;
      omhost::HeadlessHost* host = omhost::headlessHost();
      if (passes == 3) host->typeKey(VK_SPACE);
      if (passes == 6) host->typeKey(VK_RETURN);
      if (passes == 9) host->typeKey(VK_ESCAPE);
      if (passes == 12) host->requestClose();
      // A run that no answer ends.
      if (passes == 400) shellApp()->quit();
      return 0;
    }
  } driver;
  const OMLinkToObj<Driver> link(&driver, &Driver::pass, 0);
  OMTask task(&link, 0);
  shellApp()->addTask(&task);
  runGame();
  shellApp()->removeTask(&task);
  EXPECT_LT(driver.passes, 400);
  EXPECT_GE(driver.passes, 12);
  const Lines expected = {"A spacebarPressed", "C spacebarPressed", "A returnPressed",
                          "C returnPressed",   "A appClose 0",      "A appClose 1"};
  EXPECT_EQ(debugLines(), expected);
  EXPECT_EQ(RScenePort::ports().size(), 1u);
  EXPECT_EQ(pictureAndBlack().second, 192);
}

TEST(ScenePortRegistry, OnlyTheGameEditionMakesScenePorts)
{
  for (const auto edition : {OMEdition::game, OMEdition::assessment}) {
    ScopedEdition scoped(edition);
    clearScriptArgs();
    EXPECT_EQ(createTrinketByName("RScenePort", scriptArgTerminator) != nullptr,
              edition == OMEdition::game);
  }
  EXPECT_TRUE(RScenePort::ports().empty());
}

}  // namespace
