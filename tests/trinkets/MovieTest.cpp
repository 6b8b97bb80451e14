#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/OMCursor.h"
#include "framework/OMEdition.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMWaveSound.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TestStage.h"
#include "tests/trinkets/ActionTestSupport.h"
#include "tests/trinkets/MovieTestSupport.h"
#include "tools/ColorTableWriter.h"
#include "tools/NEResourceWriter.h"
#include "tools/WaveWriter.h"
#include "trinkets/lib/RSmackerMovie.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using movietest::frameOnScreen;
using Runs = std::vector<std::pair<int, int>>;

constexpr std::uint32_t white555 = 0x7FFF;

int callbackCalls = 0;
OMWord countCallback(OMWord)
{
  ++callbackCalls;
  return 1;
}

// Consecutive equal values as (value, count).
Runs runsOf(const std::vector<int>& values)
{
  Runs runs;
  for (int v : values) {
    if (runs.empty() || runs.back().first != v) {
      runs.emplace_back(v, 1);
    } else {
      ++runs.back().second;
    }
  }
  return runs;
}

class MovieTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    callbackCalls = 0;
    baselineTasks = stage.app().taskList().count();
  }
  void TearDown() override
  {
    RSmackerMovie::setSoundHooks(nullptr, nullptr);
    scriptVariables.clear();
    clearEventRecords();
  }
  std::unique_ptr<RSmackerMovie> make(const char* name, int x, int y, const OMLink* finished,
                                      int usePalette = 1, int extraBuffer = -1)
  {
    auto movie = std::make_unique<RSmackerMovie>(name, x, y, finished, extraBuffer, usePalette, 0);
    movie->bindClass("RSmackerMovie");
    return movie;
  }
  int tasks() { return stage.app().taskList().count(); }
  // The direct mode's resources are all given back.
  void expectNothingHeld(const RSmackerMovie& movie)
  {
    EXPECT_FALSE(movie.holdsHostPause());
    EXPECT_FALSE(movie.hasFrameTask());
    EXPECT_FALSE(OMCursor::isHiddenByProgram());
    stage.passes(1, 10);
    EXPECT_EQ(tasks(), baselineTasks);
  }

  omtest::TestStage stage;
  int baselineTasks = 0;
};

// The exit movie's construction, on a host with an origin, 10 frames a second and a pass
// every 10 ms: each frame stands for ten passes at its place, the cursor is hidden and the
// host's task is out while it plays, and the link comes once at the end.
TEST_F(MovieTest, ExitMovieShowsEachFrameOnTimeAndCallsItsLinkOnce)
{
  const SmackerWriter::Movie m = movietest::movie(6);
  movietest::write(stage, "MVAdExit.smk", m);
  stage.window().setOrigin(10, 5);
  const OMLinkToFct link(&countCallback);
  RSmackerMovie movie("MVAdExit.smk", 40, 30, &link, 0x4000, 1, 0);
  ASSERT_TRUE(movie.hasMovie());
  EXPECT_EQ(RSmackerMovie::currentMovie(), &movie);
  EXPECT_EQ(RSmackerMovie::openMovieCount(), 1);
  EXPECT_EQ(movie.rect(), OMRect(40, 30, 40 + movietest::width, 30 + movietest::height));
  movie.start();
  EXPECT_TRUE(movie.isRunning());
  EXPECT_TRUE(OMCursor::isHiddenByProgram());
  EXPECT_TRUE(movie.holdsHostPause());
  // The host's task is out, the movie's in.
  EXPECT_EQ(tasks(), baselineTasks);

  std::vector<int> shown;
  int passes = 0;
  while (movie.isRunning() && passes < 200) {
    stage.passes(1, 10);
    ++passes;
    if (!movie.isRunning()) break;
    shown.push_back(frameOnScreen(stage, m, 30, 25));
    // Around the movie the stage stays as it was.
    EXPECT_EQ(stage.pixel(29, 30), white555);
    EXPECT_EQ(stage.pixel(30 + movietest::width, 30), white555);
    EXPECT_EQ(callbackCalls, 0);
  }
  EXPECT_EQ(runsOf(shown), (Runs{{-1, 1}, {0, 10}, {1, 10}, {2, 10}, {3, 10}, {4, 10}}));
  EXPECT_EQ(callbackCalls, 1);
  expectNothingHeld(movie);
  // The host redraws its layer where the movie was.
  stage.passes(5, 10);
  EXPECT_EQ(stage.pixel(45, 30), white555);
  EXPECT_EQ(callbackCalls, 1);
}

// Signals come at the added frames but never at the last, which ends the movie instead;
// "frame", the size properties, the signal lists and the statistics read as scripts see them.
TEST_F(MovieTest, SignalsFramesAndStatistics)
{
  movietest::write(stage, "movie.smk", movietest::movie(6));
  std::unique_ptr<RSmackerMovie> movie = make("movie.smk", 40, 30, nullptr, 1, 0x4000);
  static RSmackerMovie* watched;
  static std::vector<std::string> heard;
  watched = movie.get();
  heard.clear();
  const OMLinkToFct onSignal(+[](OMWord) -> OMWord {
    heard.push_back(std::string("signal ") + watched->getProperty("frame"));
    return 1;
  });
  const OMLinkToFct onFinished(+[](OMWord) -> OMWord {
    heard.emplace_back("finished");
    return 1;
  });
  movie->connect("signal", &onSignal, nullptr);
  movie->connect("finished", &onFinished, nullptr);

  struct Case {
    std::vector<const char*> add, remove;
    std::vector<int> frames;
  };
  const Case cases[] = {
      {{"1", "0", "-5"}, {}, {0}},
      {{"-1", "7"}, {}, {0, 1, 2, 3, 4, 5}},
      {{"-1"}, {"3", "-1"}, {}},
      {{"6", "2", "4", "4"}, {"5", "9"}, {1, 3, 5}},
  };
  // One call with all its arguments, as a "play" line makes it.
  auto call = [&](const char* method, const std::vector<const char*>& arguments) {
    prepareScriptArgs(arguments);
    movie->callMethod(method, scriptArgTerminator);
  };
  for (const Case& c : cases) {
    call("removeSignals", {"-1"});
    call("addSignals", c.add);
    call("removeSignals", c.remove);
    EXPECT_EQ(movie->signalFrames(), c.frames);
  }
  call("removeSignals", {"-1"});
  call("addSignals", {"2", "4", "6"});

  const std::pair<const char*, const char*> properties[] = {{"frames", "6"}, {"rate", "10"},
                                                            {"width", "32"}, {"height", "24"},
                                                            {"frame", "1"},  {"collecting", "0"}};
  for (const auto& [name, value] : properties)
    EXPECT_STREQ(movie->getProperty(name), value) << name;
  movie->setProperty("frame", "3");
  EXPECT_STREQ(movie->getProperty("frame"), "4");
  movie->setProperty("frame", "0");

  movie->callMethod("start", scriptArgTerminator);
  stage.passes(100, 10);
  EXPECT_EQ(heard, (std::vector<std::string>{"signal 2", "signal 4", "finished"}));
  EXPECT_EQ(movie->getProperty("frame"), std::string("6"));
  // Stopping a stopped movie raises nothing; starting it again plays on from the last frame.
  movie->callMethod("stop", scriptArgTerminator);
  EXPECT_EQ(heard.size(), 3u);

  // Statistics: four reads walk indexes 0 to 3, a given index moves the cursor, and the
  // texts walk their own cursor.
  auto read = [&](const char* name, const char* argument = nullptr) {
    prepareScriptArgs(argument ? std::vector<const char*>{argument} : std::vector<const char*>{});
    return std::string(movie->getProperty(name));
  };
  EXPECT_EQ(read("summaryText"), RSmackerMovie::summaryText(0));
  std::vector<std::string> values;
  for (int i = 0; i < 4; ++i)
    values.push_back(read("summary"));
  EXPECT_EQ(values[1], "10000");           // hundredths of a millisecond per frame
  EXPECT_EQ(values[3], "6");               // frames played
  EXPECT_NE(read("summary", "15"), "0");   // the average frame size
  for (const char* expected : {"0", "0"})  // indexes 16 and 17 name no word
    EXPECT_EQ(read("summary"), expected);
  EXPECT_EQ(read("summaryText"), RSmackerMovie::summaryText(1));
  EXPECT_EQ(read("summaryText", "20"), "Highest amount of data used in the extra buffer");
  EXPECT_EQ(read("summaryText"), "");
  EXPECT_EQ(read("summary", "19"), "16384") << "the extra buffer";
  movie->callMethod("release", scriptArgTerminator);
  EXPECT_FALSE(movie->hasMovie());
  EXPECT_STREQ(movie->getProperty("frames"), "0");
}

// The library gets the class's base flags, every sound track, and the whole-file flag for a
// preloaded movie.
TEST_F(MovieTest, OpenFlags)
{
  movietest::write(stage, "movie.smk", movietest::movie(2));
  EXPECT_EQ(RSmackerMovie::openFlags(), 0x400u);
  const struct {
    std::uint32_t base;
    int preload;
    DWORD expected;
  } cases[] = {{0x400, 0, 0xFE400}, {0x100, 0, 0xFE100}, {0x100, 1, 0xFE300}};
  for (const auto& c : cases) {
    RSmackerMovie::setOpenFlags(c.base);
    RSmackerMovie movie("movie.smk", 0, 0, nullptr, -1, 1, c.preload);
    ASSERT_NE(movie.movieRecord(), nullptr);
    EXPECT_EQ(movie.movieRecord()->OpenFlags, c.expected);
  }
  RSmackerMovie::setOpenFlags(0x400);
}

// The statistics table: 21 rows, two empty; the assessment edition ends the texts with a
// full stop, all but one.
TEST(MovieSummary, TheTableInBothEditions)
{
  int empty = 0;
  for (int i = -1; i <= 21; ++i) {
    const std::string text = RSmackerMovie::summaryText(i);
    empty += text.empty();
    EXPECT_EQ(RSmackerMovie::summaryWord(i) < 0, text.empty()) << i;
    ScopedEdition edition(OMEdition::assessment);
    const std::string assessment = RSmackerMovie::summaryText(i);
    if (text.empty() || i == 5) {
      EXPECT_EQ(assessment, text);
    } else {
      EXPECT_EQ(assessment, text + ".");
    }
  }
  EXPECT_EQ(empty, 4);  // -1, 16, 17 and 21
  EXPECT_EQ(RSmackerMovie::summaryWord(15), 15);
  EXPECT_EQ(RSmackerMovie::summaryWord(18), 16);
  EXPECT_EQ(RSmackerMovie::summaryWord(20), 18);
  EXPECT_EQ(RSmackerMovie::summaryText(18),
            "The highest amount of memory used to playback this animation");
}

// Every layout of the library's palette comes out as the same colours.
TEST(MoviePalette, EveryLayoutConverts)
{
  std::array<std::uint8_t, 768> rgb = movietest::palette(0);
  struct Layout {
    DWORD type;
    int stride;
    int skip;
    bool words;
    bool reversed;
  };
  const Layout layouts[] = {{0x0, 3, 0, false, false}, {0x2, 3, 0, false, true},
                            {0x4, 4, 0, false, false}, {0xE, 4, 1, false, true},
                            {0x1, 3, 0, true, false},  {0x7, 4, 0, true, true}};
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.type);
    std::vector<std::uint16_t> words(256 * 4 + 1);
    std::vector<BYTE> bytes(256 * 4 * 2 + 2);
    for (int i = 0; i < 256; ++i) {
      for (int k = 0; k < 3; ++k) {
        const std::uint8_t c = rgb[i * 3 + (layout.reversed ? 2 - k : k)];
        const std::size_t at = std::size_t(i) * layout.stride + k + layout.skip;
        if (layout.words) {
          const std::uint16_t w = std::uint16_t(c << 8 | 0x11);
          std::memcpy(bytes.data() + at * 2, &w, 2);
        } else {
          bytes[at] = c;
        }
      }
    }
    OMRGBColor colors[256];
    RSmackerMovie::convertPalette(bytes.data(), layout.type, colors);
    for (int i = 0; i < 256; i += 51) {
      const std::uint16_t low = layout.words ? 0x11 : rgb[i * 3];
      EXPECT_EQ(colors[i].red, std::uint16_t(rgb[i * 3] << 8 | low));
      EXPECT_EQ(colors[i].green >> 8, rgb[i * 3 + 1]);
      EXPECT_EQ(colors[i].blue >> 8, rgb[i * 3 + 2]);
      EXPECT_EQ(colors[i].index, -1);
    }
  }
}

// A script makes the movie by its class name and hears its events in its procedures.
TEST_F(MovieTest, ScriptEventsReachProcedures)
{
  movietest::write(stage, "movie.smk", movietest::movie(6));
  std::ofstream("movie.mps", std::ios::binary)
      << "yield off\rdebug\rm=RSmackerMovie \"movie.smk\" 40 30\r"
         "set m signal onSignal\rset m finished onFin\rplay m addSignals 2 4 6\r"
         "get m frames n\rsay frames n\rplay m\rwait\r"
         "procedure onSignal\r[\r  get RECEIVER frame f\r  say signal f\r]\r"
         "procedure onFin\r[\r  say finished\r]\r";
  auto thread = std::make_unique<YThread>("movie.mps", nullptr);
  thread->start();
  stage.passes(100, 10);
  EXPECT_EQ(stage.debugLines(),
            (std::vector<std::string>{"frames 6", "signal 2", "signal 4", "finished"}));
  auto* movie = dynamic_cast<RSmackerMovie*>(scriptVariables.getObjectByName("m", false));
  ASSERT_NE(movie, nullptr);
  EXPECT_FALSE(movie->hasFrameTask());
  EXPECT_FALSE(movie->holdsHostPause());
  thread.reset();
}

// Parked, the movie decodes into its still and is drawn with the host's other trinkets: an
// animation above it covers it, and the host goes on running.
TEST_F(MovieTest, ParkedMovieIsDrawnUnderAnAnimation)
{
  const SmackerWriter::Movie m = movietest::movie(6);
  movietest::write(stage, "movie.smk", m);
  omtest::AnimationBuilder b(0);
  b.addImage(8, 8, 1);
  b.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::loop, 0}});
  std::array<std::uint8_t, 768> rgb{};
  rgb[3] = 255;  // index 1 is red
  NEResourceWriter writer;
  writer.add("ASEQ", "1", b.build());
  writer.add("RRGB", "1", writeColorTable(rgb));
  ASSERT_FALSE(stage.addResourceFile("anims.rsc", writer).empty());

  std::unique_ptr<OMScriptableObject> made = createTrinketByName(
      "RSmackerMovie", "movie.smk", "40", "30", "", "", "1", scriptArgTerminator);
  auto* movie = dynamic_cast<RSmackerMovie*>(made.get());
  ASSERT_NE(movie, nullptr);
  EXPECT_TRUE(movie->isParked());
  EXPECT_STREQ(movie->getProperty("collecting"), "1");
  EXPECT_EQ(RSmackerMovie::currentMovie(), nullptr);
  movie->setZ(10);
  auto cover =
      std::make_unique<OMAnimation>(OMAnimation::animationResolver(1), 44, 34, &stage.window());
  cover->setZ(20);
  movie->start();
  EXPECT_FALSE(movie->holdsHostPause());
  EXPECT_FALSE(OMCursor::isHiddenByProgram());
  std::vector<int> corner;
  for (int pass = 0; pass < 70 && movie->isRunning(); ++pass) {
    stage.passes(1, 10);
    if (!movie->isRunning()) break;
    // The corner the animation leaves free: which frame is it?
    int frame = -1;
    for (int f = 0; f < 6 && frame < 0; ++f)
      if (stage.pixel(40, 30 + 23) == movietest::expected(m, f, 0, 23, 16) &&
          stage.pixel(40 + 31, 30 + 23) == movietest::expected(m, f, 31, 23, 16))
        frame = f;
    corner.push_back(frame);
    if (frame >= 0) {
      EXPECT_EQ(stage.pixel(46, 36), 0x7C00u) << "the animation stays on top";
      EXPECT_EQ(stage.pixel(40, 30), movietest::expected(m, frame, 0, 0, 16));
    }
  }
  const Runs runs = runsOf(corner);
  ASSERT_GE(runs.size(), 5u);
  for (int f = 0; f < 5; ++f)
    EXPECT_EQ(runs[std::size_t(f)], std::make_pair(f, 10));
  EXPECT_FALSE(movie->isRunning());
  stage.passes(1, 10);
  EXPECT_EQ(tasks(), baselineTasks);
}

// A frozen movie (paused and parked) keeps its frame on the stage and gives the host back;
// restarted (resumed and unparked) it plays on from there. A movie parked and unparked while
// stopped takes the direct mode's resources only when it starts, and once.
TEST_F(MovieTest, FreezeAndRestartHoldOnlyWhatTheMovieTook)
{
  const SmackerWriter::Movie m = movietest::movie(8);
  movietest::write(stage, "movie.smk", m);
  const OMLinkToFct link(&countCallback);
  std::unique_ptr<RSmackerMovie> movie = make("movie.smk", 40, 30, &link);
  movie->start();
  stage.passes(31, 10);  // frames 0 to 2 shown
  ASSERT_EQ(frameOnScreen(stage, m, 40, 30), 2);

  movie->pauseRunning();
  movie->park();
  EXPECT_EQ(RSmackerMovie::currentMovie(), nullptr);
  EXPECT_FALSE(movie->holdsHostPause());
  EXPECT_FALSE(movie->hasFrameTask());
  EXPECT_FALSE(OMCursor::isHiddenByProgram());
  stage.passes(50, 10);
  EXPECT_EQ(frameOnScreen(stage, m, 40, 30), 2) << "the still stands in for the movie";
  EXPECT_EQ(tasks(), baselineTasks);

  movie->resumeRunning();
  movie->unpark();
  EXPECT_EQ(RSmackerMovie::currentMovie(), movie.get());
  EXPECT_TRUE(movie->holdsHostPause());
  EXPECT_TRUE(OMCursor::isHiddenByProgram());
  std::vector<int> shown;
  for (int pass = 0; pass < 100 && movie->isRunning(); ++pass) {
    stage.passes(1, 10);
    if (movie->isRunning()) shown.push_back(frameOnScreen(stage, m, 40, 30));
  }
  const Runs runs = runsOf(shown);
  ASSERT_GE(runs.size(), 4u);
  // Frame 2 was shown before the freeze; the next one comes at once, then on time.
  EXPECT_EQ(runs.front(), std::make_pair(3, 10));
  EXPECT_EQ(runs[1], std::make_pair(4, 10));
  EXPECT_EQ(runs.back().first, 6);
  EXPECT_EQ(callbackCalls, 1);
  expectNothingHeld(*movie);

  // Stopped: park and unpark take nothing; the start takes one of each.
  movie->setProperty("frame", "0");
  movie->park();
  movie->unpark();
  EXPECT_FALSE(movie->hasFrameTask());
  EXPECT_FALSE(movie->holdsHostPause());
  movie->start();
  EXPECT_EQ(tasks(), baselineTasks);
  stage.passes(20, 10);
  movie.reset();
  EXPECT_FALSE(OMCursor::isHiddenByProgram());
  stage.passes(1, 10);
  EXPECT_EQ(tasks(), baselineTasks);
  EXPECT_EQ(RSmackerMovie::openMovieCount(), 0);
}

// Another movie made later is current: un-parking the first then does nothing.
TEST_F(MovieTest, UnparkWaitsWhileAnotherMovieIsCurrent)
{
  movietest::write(stage, "movie.smk", movietest::movie(4));
  std::unique_ptr<RSmackerMovie> first = make("movie.smk", 0, 0, nullptr);
  first->setProperty("collecting", "1");
  std::unique_ptr<RSmackerMovie> second = make("movie.smk", 100, 0, nullptr);
  first->setProperty("collecting", "0");
  EXPECT_TRUE(first->isParked());
  second.reset();
  first->setProperty("collecting", "0");
  EXPECT_FALSE(first->isParked());
  EXPECT_EQ(RSmackerMovie::currentMovie(), first.get());
}

// At 8 bits the host takes the movie's palettes as they come and the saved one at the end;
// the movie's pixels survive the clear that a palette change makes.
TEST(MovieAt8Bits, PalettesDuringAndAfter)
{
  omtest::TestStage stage(8);
  const SmackerWriter::Movie m = movietest::movie(6, 3);
  movietest::write(stage, "movie.smk", m);
  OMRGBColor before[256];
  stage.window().offscreen()->getPalette(before);
  auto matches = [&](const std::array<std::uint8_t, 768>& rgb) {
    OMRGBColor now[256];
    stage.window().offscreen()->getPalette(now);
    for (int i = 10; i < 246; ++i)
      if ((now[i].red >> 8) != rgb[i * 3] || (now[i].green >> 8) != rgb[i * 3 + 1] ||
          (now[i].blue >> 8) != rgb[i * 3 + 2])
        return false;
    return true;
  };
  RSmackerMovie movie("movie.smk", 40, 30, nullptr, -1, 1, 0);
  movie.start();
  std::vector<int> shown;
  for (int pass = 0; pass < 100 && movie.isRunning(); ++pass) {
    stage.passes(1, 10);
    if (!movie.isRunning()) break;
    const int f = frameOnScreen(stage, m, 40, 30, 8);
    shown.push_back(f);
    if (f >= 0) {
      EXPECT_TRUE(matches(m.frames[std::size_t(f)].palette)) << "frame " << f;
    }
  }
  EXPECT_EQ(runsOf(shown), (Runs{{-1, 1}, {0, 10}, {1, 10}, {2, 10}, {3, 10}, {4, 10}}));
  std::array<std::uint8_t, 768> saved{};
  for (int i = 0; i < 256; ++i) {
    saved[i * 3] = std::uint8_t(before[i].red >> 8);
    saved[i * 3 + 1] = std::uint8_t(before[i].green >> 8);
    saved[i * 3 + 2] = std::uint8_t(before[i].blue >> 8);
  }
  EXPECT_TRUE(matches(saved));
  EXPECT_EQ(RSmackerMovie::savedPalette()[100].red, before[100].red);
}

// The program's sounds pause with the first movie, also one that could not open, and come
// back only after the last movie is gone.
TEST_F(MovieTest, ProgramSoundsPauseWhileAnyMovieExists)
{
  NEResourceWriter writer;
  writer.add("WAVE", "7", wavewriter::waveImage(22050, wavewriter::tone(22050, 1000, 22050 * 4)));
  ASSERT_FALSE(stage.addResourceFile("sounds.rsc", writer).empty());
  movietest::write(stage, "movie.smk", movietest::movie(4));
  RSmackerMovie::setSoundHooks(&pauseMixingSounds, &resumePausedSounds);
  std::unique_ptr<OMIStream> stream = OMAnimation::soundResolver(7);
  ASSERT_NE(stream, nullptr);
  OMWaveSound sound(stream.get(), 1);
  ASSERT_TRUE(sound.play(1));
  stage.passes(10, 10);
  auto loud = [&] {
    stage.passes(20, 10);
    int n = 0;
    for (std::int16_t s : omtest::TestStage::takeAudio())
      n += s > 1000 || s < -1000;
    return n > 100;
  };
  EXPECT_TRUE(loud());
  auto missing = make("missing.smk", 0, 0, nullptr);
  EXPECT_FALSE(missing->hasMovie());
  EXPECT_TRUE(sound.isPaused());
  auto playing = make("movie.smk", 0, 0, nullptr);
  EXPECT_EQ(RSmackerMovie::openMovieCount(), 2);
  missing.reset();
  EXPECT_TRUE(sound.isPaused());
  EXPECT_FALSE(loud());
  playing.reset();
  EXPECT_EQ(RSmackerMovie::openMovieCount(), 0);
  EXPECT_FALSE(sound.isPaused());
  EXPECT_TRUE(loud());
  sound.detach();
}

// A movie whose file is missing: no movie, an empty rectangle, its link at once, every
// property 0, and it is still the current movie.
TEST_F(MovieTest, MissingFileMakesAnEmptyMovie)
{
  const OMLinkToFct link(&countCallback);
  std::unique_ptr<RSmackerMovie> movie = make("missing.smk", 40, 30, &link);
  EXPECT_FALSE(movie->hasMovie());
  EXPECT_EQ(callbackCalls, 1);
  EXPECT_EQ(movie->rect(), OMRect());
  EXPECT_EQ(RSmackerMovie::currentMovie(), movie.get());
  for (const char* name : {"frame", "frames", "rate", "width", "height"})
    EXPECT_STREQ(movie->getProperty(name), "0") << name;
  movie->start();
  EXPECT_FALSE(movie->isRunning());
  EXPECT_FALSE(OMCursor::isHiddenByProgram());
  EXPECT_EQ(callbackCalls, 1);
  char state[128];
  movie->stateText(state, sizeof state);
  EXPECT_STREQ(state, "missing.smk 0 0 -1 1 0");
}

// A handler may stop, release or delete the movie whose "signal" or "finished" it handles;
// the movie then touches nothing more and gives back what it held.
TEST_F(MovieTest, HandlersMayEndTheMovieTheyHear)
{
  movietest::write(stage, "movie.smk", movietest::movie(6));
  static std::unique_ptr<RSmackerMovie> held;
  static int what;
  const OMLinkToFct end(+[](OMWord) -> OMWord {
    ++callbackCalls;
    if (what == 0) held->stop();
    if (what == 1) held->release();
    if (what == 2) held.reset();
    return 1;
  });
  for (const char* event : {"signal", "finished"}) {
    for (what = 0; what < 3; ++what) {
      SCOPED_TRACE(std::string(event) + " " + std::to_string(what));
      callbackCalls = 0;
      held = make("movie.smk", 40, 30, nullptr);
      held->connect(event, &end, nullptr);
      held->callMethod("addSignals", "3", scriptArgTerminator);
      held->start();
      stage.passes(80, 10);
      EXPECT_EQ(callbackCalls, 1);
      EXPECT_FALSE(OMCursor::isHiddenByProgram());
      if (held) {
        EXPECT_FALSE(held->isRunning());
        EXPECT_FALSE(held->holdsHostPause());
        held.reset();
      }
      stage.passes(1, 10);
      EXPECT_EQ(tasks(), baselineTasks);
      EXPECT_EQ(RSmackerMovie::openMovieCount(), 0);
    }
  }
}

// The movie's own sound plays while the program's output is closed; the assessment
// edition turns it off for a sound flag of 0, and stops its background loader while a movie
// plays.
TEST(MovieSound, TheSoundFlagAndTheLoaderHooks)
{
  static int loaderPauses, loaderResumes;
  RSmackerMovie::setLoaderHooks(
      +[] { ++loaderPauses; }, +[] { ++loaderResumes; });
  const struct {
    OMEdition::Kind edition;
    int soundFlag;
    bool heard;
  } cases[] = {{OMEdition::game, 0, true},
               {OMEdition::assessment, 0x8000, true},
               {OMEdition::assessment, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.soundFlag);
    omtest::TestStage stage;
    ScopedEdition edition(c.edition);
    SmackerWriter::Movie m = movietest::movie(6);
    m.tracks.push_back(
        SmackerWriter::Track{22050, 8, 1, true, wavewriter::tone(22050, 1000, 22050 * 6 / 10)});
    movietest::write(stage, "rsc/movie.smk", m);
    loaderPauses = loaderResumes = 0;
    RSmackerMovie movie(c.edition == OMEdition::game ? "rsc\\movie.smk" : "movie.smk", 0, 0,
                        nullptr, -1, 1, 0, c.soundFlag);
    ASSERT_TRUE(movie.hasMovie());
    omtest::TestStage::takeAudio();
    movie.start();
    stage.passes(70, 10);
    EXPECT_FALSE(movie.isRunning());
    int loud = 0;
    for (std::int16_t sample : omtest::TestStage::takeAudio())
      loud += sample > 1000 || sample < -1000;
    EXPECT_EQ(loud > 5000, c.heard) << loud;
    const int hooks = c.edition == OMEdition::assessment ? 1 : 0;
    EXPECT_EQ(loaderPauses, hooks);
    EXPECT_EQ(loaderResumes, hooks);
  }
  RSmackerMovie::setLoaderHooks(nullptr, nullptr);
}

// The assessment edition looks in "rsc\" and below its second folder; a movie found in
// neither ends the program with its message.
TEST(MovieAssessmentEdition, LooksInRscAndEndsTheProgramWithoutTheFile)
{
  omtest::TestStage stage;
  ScopedEdition edition(OMEdition::assessment);
  movietest::write(stage, "rsc/found.smk", movietest::movie(3));
  movietest::write(stage, "second/rsc/below.smk", movietest::movie(3));
  RSmackerMovie::setSecondBaseFolder("second\\");
  for (const char* name : {"found.smk", "below.smk"}) {
    RSmackerMovie movie(name, 0, 0, nullptr, -1, 1, 0, 0);
    EXPECT_TRUE(movie.hasMovie()) << name;
  }
  // A movie that is nowhere ends the program through its main loop, with status 1.
  {
    RSmackerMovie movie("gone.smk", 0, 0, nullptr, -1, 1, 0);
    EXPECT_FALSE(movie.hasMovie());
  }
  ASSERT_FALSE(stage.host().messageBoxes().empty());
  EXPECT_EQ(stage.host().messageBoxes().back().text,
            "Can't find required resource.\r\rPlease make sure your CD is inserted and its "
            "surface is clean.\r\rCode: rsc\\gone.smk ");
  EXPECT_EQ(OMProgramEnd::exitStatus(), 1);
  OMProgramEnd::reset();
  RSmackerMovie::setSecondBaseFolder(nullptr);
}

}  // namespace
