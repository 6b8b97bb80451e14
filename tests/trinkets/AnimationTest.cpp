#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "framework/OMResHandle.h"
#include "framework/OMResModule.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/ColorTables.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TestStage.h"
#include "tests/support/ToneMeter.h"
#include "tools/ColorTableWriter.h"
#include "tools/WaveWriter.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using omtest::AnimationBuilder;
using Entries = std::vector<OMFrameEntry>;

constexpr std::int16_t kLoop = OMFrameEntry::loop;
constexpr std::int16_t kHold = OMFrameEntry::hold;

OMFrameEntry show(int image, int x = 0, int y = 0)
{
  return OMFrameEntry{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                      static_cast<std::int16_t>(image), 0};
}
OMFrameEntry code(int c, int param = 0)
{
  return OMFrameEntry{0, 0, static_cast<std::int16_t>(c), static_cast<std::int16_t>(param)};
}

// Colour indices 1 to 4 are red, green, blue and yellow; the rest black.
AnimationBuilder::Bytes colorTable()
{
  std::array<std::uint8_t, 768> rgb{};
  const std::uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
  for (int i = 0; i < 4; ++i) {
    for (int c = 0; c < 3; ++c)
      rgb[3 * (i + 1) + c] = colours[i][c];
  }
  return writeColorTable(rgb);
}

constexpr std::uint32_t white555 = 0x7FFF, red555 = 0x7C00, green555 = 0x03E0;

class AnimationTest : public ::testing::Test {
 protected:
  void TearDown() override
  {
    scriptVariables.clear();
    clearEventRecords();
    OMAnimation::useEmbeddedAnimationCoordinates = 1;
  }

  // A resource file with one animation per builder, ids from 1, each with its colour table.
  void addAnimations(const std::vector<AnimationBuilder>& builders)
  {
    NEResourceWriter writer;
    addAnimations(builders, writer);
  }
  void addAnimations(const std::vector<AnimationBuilder>& builders, NEResourceWriter& writer)
  {
    for (std::size_t i = 0; i < builders.size(); ++i) {
      const std::string id = std::to_string(i + 1);
      writer.add("ASEQ", id, builders[i].build());
      writer.add("RRGB", id, colorTable());
    }
    ASSERT_FALSE(stage.addResourceFile("anims.rsc", writer).empty());
  }

  // The animation of that id made as a script makes it.
  OMAnimation* make(int id, int x = 0, int y = 0)
  {
    clearScriptArgs();
    pushScriptArg(std::to_string(x).c_str());
    pushScriptArg(std::to_string(y).c_str());
    pushScriptArg(std::to_string(id).c_str());
    rewindScriptArgs();
    auto* made = static_cast<OMAnimation*>(OMAnimation::create().release());
    if (made) made->bindClass("OMAnimation");
    return made;
  }

  // Runs passes until the gate has opened `count` more times, noting the image after each
  // (and, when asked, the "frame" a script reads).
  std::vector<int> openings(OMAnimation* a, int count, std::vector<int>* frames = nullptr)
  {
    std::vector<int> seen;
    for (int i = 0; i < count; ++i) {
      const std::uint32_t next = omtest::TestStage::nextOpening();
      while (static_cast<std::int32_t>(omhost::clockMilliseconds() - next) < 0)
        stage.passes(1, 25);
      seen.push_back(a->isVisible() ? a->currentImageId() : -1);
      if (frames) frames->push_back(a->isVisible() ? std::atoi(a->getProperty("frame")) : -1);
    }
    return seen;
  }

  omtest::TestStage stage;
};

// Two frames and a loop on the 125 ms gate: the frame changes only when the gate opens, and
// the screen shows it.
TEST_F(AnimationTest, TheGateStepsEveryAnimationEvery125Milliseconds)
{
  AnimationBuilder b(0);  // per-entry durations, which the gate overrides
  b.addImage(20, 20, 1);
  b.addImage(20, 20, 2);
  b.addSequence({show(0), show(1), code(kLoop)});
  addAnimations({b});
  OMAnimation::useEmbeddedAnimationCoordinates = 0;
  OMAnimation* a = make(1, 100, 100);
  ASSERT_NE(a, nullptr);
  const std::uint32_t start = omhost::clockMilliseconds();
  struct Step {
    std::uint32_t at;  // after the start
    int image;
    std::uint32_t pixel;
  };
  // The first opening passes the entry already shown; each later one shows the next.
  const Step steps[] = {
      {25, 0, red555},    {100, 0, red555},   {125, 0, red555},   {150, 0, red555},
      {250, 1, green555}, {300, 1, green555}, {375, 0, red555},   {499, 0, red555},
      {500, 1, green555}, {625, 0, red555},   {750, 1, green555}, {875, 0, red555},
  };
  for (const Step& s : steps) {
    stage.passAt(start + s.at);
    EXPECT_EQ(a->currentImageId(), s.image) << s.at;
    EXPECT_EQ(stage.pixel(110, 110), s.pixel) << s.at;
    EXPECT_EQ(stage.pixel(99, 110), white555) << s.at;
    EXPECT_EQ(stage.pixel(120, 110), white555) << s.at;
  }
  EXPECT_EQ(a->playState(), OMAnimation::playing);
}

int endings = 0;
OMWord countEnding(OMWord)
{
  ++endings;
  return 0;
}

// Repeat counts, end and hold markers: what is shown at each opening, the "frame" a script
// reads then, and how it ends. On the way back of a back-and-forth list an entry may look like

// A palette reads the same from either writer of stored palettes: 16-bit channels, or 8-bit
// values that the reader widens. In both editions the same colours reach a 16-bit screen.
TEST_F(AnimationTest, APaletteFromEitherWriterGivesTheSameColours)
{
  const std::uint8_t colours[4][3] = {{255, 0, 0}, {200, 100, 50}, {8, 16, 248}, {255, 255, 255}};
  std::array<std::uint8_t, 768> rgb{};
  for (int i = 0; i < 4; ++i) {
    for (int c = 0; c < 3; ++c)
      rgb[std::size_t(3 * (i + 1) + c)] = colours[i][c];
  }
  NEResourceWriter writer;
  for (int k = 1; k <= 4; ++k) {
    AnimationBuilder b(0);
    b.addImage(20, 20, static_cast<std::uint8_t>(k));
    b.addSequence({show(0), code(kHold)});
    writer.add("ASEQ", std::to_string(k), b.build());
    writer.add("RRGB", std::to_string(k), writeColorTable(rgb));
    writer.add("ASEQ", std::to_string(10 + k), b.build());
    writer.add("RRGB", std::to_string(10 + k), omtest::byteColorTable(rgb));
  }
  ASSERT_FALSE(stage.addResourceFile("palettes.rsc", writer).empty());
  OMAnimation::useEmbeddedAnimationCoordinates = 0;
  for (const OMEdition::Kind edition : {OMEdition::game, OMEdition::assessment}) {
    SCOPED_TRACE(edition);
    ScopedEdition scoped(edition);
    std::vector<std::unique_ptr<OMAnimation>> shown;
    for (int k = 1; k <= 4; ++k) {
      for (const int written : {0, 10})
        shown.push_back(std::make_unique<OMAnimation>(OMAnimation::animationResolver(k + written),
                                                      40 * k, 100 + 10 * written, &stage.window()));
    }
    stage.passes(2, 25);
    for (int k = 1; k <= 4; ++k) {
      const std::uint8_t* c = colours[k - 1];
      const std::uint32_t expected =
          std::uint32_t(c[0] >> 3) << 10 | std::uint32_t(c[1] >> 3) << 5 | std::uint32_t(c[2] >> 3);
      EXPECT_EQ(stage.pixel(40 * k + 10, 110), expected) << k;
      EXPECT_EQ(stage.pixel(40 * k + 10, 210), expected) << k;
    }
  }
}
// the one before it: it is shown all the same, and counted.
TEST_F(AnimationTest, RepeatCountsEndAndHoldDecideHowASequenceFinishes)
{
  struct Case {
    const char* what;
    Entries entries;
    int repeat;
    std::vector<int> shown;   // -1 hidden
    std::vector<int> frames;  // -1 hidden
    int state;
    int endings;
  };
  const Case cases[] = {
      {"loop, repeat 0",
       {show(0), show(1), code(kLoop)},
       0,
       {0, 1, 0, 1, 0, 1},
       {1, 2, 1, 2, 1, 2},
       1,
       0},
      {"loop, repeat 1",
       {show(0), show(1), code(kLoop)},
       1,
       {0, 1, 1, 1, 1, 1},
       {1, 2, 2, 2, 2, 2},
       2,
       1},
      {"loop, repeat 2",
       {show(0), show(1), code(kLoop)},
       2,
       {0, 1, 0, 1, 1, 1},
       {1, 2, 1, 2, 2, 2},
       2,
       1},
      {"end, repeat 0",
       {show(0), show(1)},
       0,
       {0, 1, -1, -1, -1, -1},
       {1, 2, -1, -1, -1, -1},
       0,
       0},
      {"end, forever", {show(0), show(1)}, -1, {0, 1, 0, 1, 0, 1}, {1, 2, 1, 2, 1, 2}, 1, 0},
      {"hold first",
       {code(kHold), show(0), show(1), code(kLoop)},
       0,
       {0, 0, 0, 0, 0, 0},
       {1, 1, 1, 1, 1, 1},
       2,
       0},
      {"hold between",
       {show(0), code(kHold), show(1), show(2), code(kLoop)},
       0,
       {0, 1, 1, 1, 1, 1},
       {1, 2, 2, 2, 2, 2},
       2,
       1},
      {"unknown codes",
       {show(0), code(-7), code(-300), show(1), code(kLoop)},
       0,
       {0, 1, 0, 1, 0, 1},
       {1, 2, 1, 2, 1, 2},
       1,
       0},
      {"there and back",
       {show(0), show(1), show(2), show(2), show(1), show(0), code(kLoop)},
       0,
       {0, 1, 2, 2, 1, 0},
       {1, 2, 3, 4, 5, 6},
       1,
       0},
      {"there, hold, back",
       {show(0), show(1), show(2), code(kHold), show(2), show(1), show(0), code(kLoop)},
       0,
       {0, 1, 2, 2, 2, 2},
       {1, 2, 3, 4, 4, 4},
       2,
       1},
  };
  std::vector<AnimationBuilder> builders;
  for (const Case& c : cases) {
    AnimationBuilder b;
    for (int i = 0; i < 3; ++i)
      b.addImage(10, 10, static_cast<std::uint8_t>(i + 1));
    b.addSequence(c.entries);
    builders.push_back(b);
  }
  addAnimations(builders);
  const OMLinkToFct done(&countEnding);
  int id = 1;
  for (const Case& c : cases) {
    OMAnimation* a = make(id++);
    ASSERT_NE(a, nullptr) << c.what;
    a->setRepeat(c.repeat);
    a->setDoneCallback(&done, 0);
    endings = 0;
    std::vector<int> frames;
    EXPECT_EQ(openings(a, 6, &frames), c.shown) << c.what;
    EXPECT_EQ(frames, c.frames) << c.what;
    EXPECT_EQ(a->playState(), c.state) << c.what;
    EXPECT_EQ(endings, c.endings) << c.what;
    delete a;
  }
}

// Setting "frame" shows that frame, paused, and reads back as set, whichever way it goes and
// whatever the entries before it look like.
TEST_F(AnimationTest, FrameSetIsFrameRead)
{
  AnimationBuilder b;
  for (int i = 0; i < 3; ++i)
    b.addImage(10 + i, 10, static_cast<std::uint8_t>(i + 1));
  b.addSequence({show(0), show(1), show(2), code(kHold), show(2), show(1, 4), show(1, 4), show(0),
                 code(kLoop)});
  addAnimations({b});
  std::unique_ptr<OMAnimation> a(make(1));
  ASSERT_TRUE(a);
  const int count = a->frameCount();
  ASSERT_EQ(count, 7);
  std::vector<int> order;
  for (int n = 1; n <= count; ++n)
    order.push_back(n);
  for (int n = count; n >= 1; --n)
    order.push_back(n);
  order.insert(order.end(), {4, 3, 7, 6, 5, 4});
  for (int n : order) {
    ASSERT_EQ(a->setProperty("frame", std::to_string(n).c_str()), 1);
    EXPECT_EQ(std::string(a->getProperty("frame")), std::to_string(n));
    const OMFrameEntry* entry = a->frameEntry(-1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(a->currentImageId(), entry->image) << n;
    EXPECT_EQ(a->x(), entry->x) << n;
    EXPECT_EQ(a->playState(), OMAnimation::paused) << n;
  }
}

// A script procedure deletes its animation from inside the animation's own step: on a special
// code, on the end of its last repeat, and on a passed entry. Nothing of the animation is touched
// afterwards.
TEST_F(AnimationTest, AnAnimationDeletedByItsOwnHandlerIsLeftAlone)
{
  AnimationBuilder special;
  special.addImage(10, 10, 1);
  special.addImage(10, 10, 2);
  special.addSequence({show(0), code(-500), show(1), code(kLoop)});
  AnimationBuilder ending;
  ending.addImage(10, 10, 1);
  ending.addSequence({show(0), code(kLoop)});
  addAnimations({special, ending});
  std::ofstream("doomed.mps", std::ios::binary) << "yield off\r"
                                                   "debug\r"
                                                   "a=OMAnimation 0 0 1\r"
                                                   "set a special onSpecial\r"
                                                   "b=OMAnimation 0 0 2\r"
                                                   "set b paused onPaused\r"
                                                   "c=OMAnimation 0 0 2\r"
                                                   "set c frameNotification 1\r"
                                                   "set c frameNotify onNotify\r"
                                                   "say ready\r"
                                                   "wait\r"
                                                   "procedure onSpecial\r"
                                                   "[\r"
                                                   "  say special\r"
                                                   "  drop a\r"
                                                   "]\r"
                                                   "procedure onPaused\r"
                                                   "[\r"
                                                   "  say paused\r"
                                                   "  drop b\r"
                                                   "]\r"
                                                   "procedure onNotify\r"
                                                   "[\r"
                                                   "  say notified\r"
                                                   "  drop c\r"
                                                   "]\r";
  YThread thread("doomed.mps", nullptr);
  thread.start();
  stage.passes(1);
  ASSERT_EQ(OMAnimation::allAnimations().count(), 3);
  auto* b = static_cast<OMAnimation*>(scriptVariables.getObjectByName("b", false));
  ASSERT_NE(b, nullptr);
  b->setRepeat(1);
  for (int i = 0; i < 40; ++i)
    stage.passes(1, 25);
  EXPECT_EQ(OMAnimation::allAnimations().count(), 0);
  EXPECT_EQ(stage.debugLines(),
            (std::vector<std::string>{"ready", "notified", "special", "paused"}));
  EXPECT_EQ(stage.window().trinkets().count(), 0);
}

// A sound entry plays its sound through the mixer to the audio output, and the animation goes
// on once it started; with sound off the entry is passed over in silence.
TEST_F(AnimationTest, FrameSoundsReachTheMixer)
{
  constexpr std::uint32_t rate = 22050;
  constexpr double frequency = 1000;
  AnimationBuilder b;
  b.addImage(10, 10, 1);
  b.addImage(10, 10, 2);
  b.addSequence({show(0), code(OMFrameEntry::sound, 7), show(1), code(kLoop)});
  NEResourceWriter writer;
  writer.add("WAVE", "7", wavewriter::waveImage(rate, wavewriter::tone(rate, frequency, 4410)));
  addAnimations({b}, writer);
  for (int soundOn : {1, 0}) {
    OMAnimation* a = make(1);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->frameSoundCount(), 1);  // preloaded by the factory
    a->setProperty("soundOn", soundOn ? "1" : "0");
    omtest::TestStage::takeAudio();
    int heardPlaying = 0;
    std::vector<int> shown;
    for (int i = 0; i < 160; ++i) {
      stage.passes(1, 5);
      heardPlaying += a->soundsInProgress() > 0;
      if (shown.empty() || shown.back() != a->currentImageId())
        shown.push_back(a->currentImageId());
    }
    const std::vector<std::int16_t> audio = omtest::TestStage::takeAudio();
    const double power =
        omtest::tonePower(audio, 0, audio.size(), frequency, omhost::HostAudioSink::kRate);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0, 1, 0, 1})) << soundOn;
    if (soundOn) {
      EXPECT_GT(heardPlaying, 0);
      EXPECT_GT(power, 100.0);
    } else {
      EXPECT_EQ(heardPlaying, 0);
      EXPECT_LT(power, 1.0);
    }
    delete a;
  }
}

// Clones share the resource's sequences until one of them changes a sequence, by any road.
TEST_F(AnimationTest, AClonedSequenceIsCopiedOnItsFirstChange)
{
  AnimationBuilder b;
  b.addImage(10, 10, 1);
  b.addImage(12, 12, 2);
  b.addSequence({show(0), show(1), code(kLoop)});
  b.addSequence({show(1), code(kLoop)});
  addAnimations({b});
  std::unique_ptr<OMAnimation> original(make(1));
  ASSERT_TRUE(original);
  struct Change {
    const char* what;
    void (*apply)(OMAnimation&);
    int sequence;
  };
  const Change changes[] = {
      {"setEntry", [](OMAnimation& a) { a.setEntry(1, 5, 5, 0, 0); }, 0},
      {"insertEntry", [](OMAnimation& a) { a.insertEntry(show(1), 1); }, 0},
      {"removeEntry", [](OMAnimation& a) { a.removeEntry(1); }, 0},
      {"param",
       [](OMAnimation& a) {
         clearScriptArgs();
         pushScriptArg("2");
         a.setProperty("param", "7");
       },
       0},
      {"param in the second sequence",
       [](OMAnimation& a) {
         a.setProperty("sequence", "2");
         clearScriptArgs();
         pushScriptArg("4");
         a.setProperty("param", "300");
       },
       1},
  };
  for (const Change& change : changes) {
    std::unique_ptr<OMScriptableObject> made = original->clone();
    auto* copy = static_cast<OMAnimation*>(made.get());
    for (int s = 0; s < 2; ++s)
      EXPECT_TRUE(copy->sharesSequenceWith(*original, s)) << change.what;
    const std::vector<OMFrameEntry> before(original->frameEntry(0), original->frameEntry(0) + 3);
    change.apply(*copy);
    EXPECT_FALSE(copy->sharesSequenceWith(*original, change.sequence)) << change.what;
    EXPECT_TRUE(copy->sharesSequenceWith(*original, 1 - change.sequence)) << change.what;
    EXPECT_TRUE(copy->isModified()) << change.what;
    EXPECT_FALSE(original->isModified()) << change.what;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(original->frameEntry(i)->image, before[i].image) << change.what;
      EXPECT_EQ(original->frameEntry(i)->x, before[i].x) << change.what;
    }
    // A clone of a changed animation gets its own copy of the changed sequence.
    std::unique_ptr<OMScriptableObject> second = copy->clone();
    EXPECT_FALSE(
        static_cast<OMAnimation*>(second.get())->sharesSequenceWith(*copy, change.sequence))
        << change.what;
  }
  // The changed value is read back through "param".
  std::unique_ptr<OMScriptableObject> made = original->clone();
  clearScriptArgs();
  pushScriptArg("2");
  made->setProperty("param", "9");
  clearScriptArgs();
  pushScriptArg("2");
  EXPECT_STREQ(made->getProperty("param"), "9");
  clearScriptArgs();
  pushScriptArg("2");
  EXPECT_STREQ(original->getProperty("param"), "0");
}

// The factory places an animation at the resource's own coordinates and depth unless told to
// take the script's.
TEST_F(AnimationTest, EmbeddedCoordinatesPlaceTheAnimationUnlessSwitchedOff)
{
  AnimationBuilder b;
  b.addImage(10, 8, 3);
  b.addSequence({show(0, 4, 2), code(kLoop)});
  b.setPlacement(300, -2047, 7);
  addAnimations({b});
  struct Case {
    int embedded;
    int x, y;
    OMRect rect;
    int z;
  };
  const Case cases[] = {
      {1, 50, 60, OMRect(304, -2045, 314, -2037), 7},
      {0, 50, 60, OMRect(54, 62, 64, 70), 0},
  };
  for (const Case& c : cases) {
    OMAnimation::useEmbeddedAnimationCoordinates = c.embedded;
    std::unique_ptr<OMAnimation> a(make(1, c.x, c.y));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->rect(), c.rect) << c.embedded;
    EXPECT_EQ(a->z(), c.z) << c.embedded;
  }
  // No resolver or no resource: no object.
  EXPECT_EQ(make(99), nullptr);
  OMAnimation::animationResolver = nullptr;
  EXPECT_EQ(make(1), nullptr);
}

// Waiting for a frame sound to start, drift-free timing and partial redraw are program-wide
// defaults that a new animation takes, and a clone takes from its source. Each shows in the
// animation's own timing (100 ms a frame) or on the screen.
TEST_F(AnimationTest, NewAnimationsTakeTheProgramWideDefaults)
{
  stage.window().setFrameLink(OMTrinketWindow::beforeTimeLink, nullptr);
  stage.window().setFrameLink(OMTrinketWindow::frameEndLink, nullptr);
  OMAnimation::animationTickGate = -1;
  OMAnimation::useEmbeddedAnimationCoordinates = 0;
  AnimationBuilder sounding(10), steady(10), moving(10);
  for (AnimationBuilder* b : {&sounding, &steady, &moving}) {
    for (int i = 0; i < 3; ++i)
      b->addImage(20, 20, static_cast<std::uint8_t>(i + 1));
  }
  sounding.addSequence({show(0), code(OMFrameEntry::sound, 7), show(1), code(kLoop)});
  steady.addSequence({show(0), show(1), show(2), code(kLoop)});
  moving.addSequence({show(0), show(0, 50), code(kLoop)});
  NEResourceWriter writer;
  writer.add("WAVE", "7", wavewriter::waveImage(22050, wavewriter::tone(22050, 1000, 2205)));
  addAnimations({sounding, steady, moving}, writer);

  // Passes at the start, 130 ms and 200 ms later; what is seen after the pass of `at`.
  struct Case {
    const char* what;
    int* flag;
    int id;
    std::uint32_t at;
    bool byPixel;  // the old place's pixel, else the image shown
    std::uint32_t on, off;
  };
  const Case cases[] = {
      // Waiting, the sound entry holds the next image until the sound has started.
      {"wait for sound", &OMAnimation::defaultAnimationWaitForSound, 1, 130, false, 0, 1},
      // Drift-free, the frame late by 30 ms does not put the next one off.
      {"drift-free", &OMAnimation::defaultAnimationDriftFree, 2, 200, false, 2, 1},
      // Without partial redraw, the place the animation left is not repainted.
      {"partial redraw", &OMAnimation::defaultAnimationPartialRedraw, 3, 130, true, white555,
       red555},
  };
  for (const Case& c : cases) {
    for (const int value : {1, 0}) {
      *c.flag = value;
      std::unique_ptr<OMAnimation> made(make(c.id, 100, 100));
      *c.flag = 1;
      ASSERT_TRUE(made) << c.what;
      std::unique_ptr<OMScriptableObject> clone = made->clone();
      auto* a = static_cast<OMAnimation*>(clone.get());
      made.reset();
      std::uint32_t seen = 0;
      const std::uint32_t start = omhost::clockMilliseconds() + 25;
      for (const std::uint32_t after : {0u, 130u, 200u}) {
        stage.passAt(start + after);
        if (after == c.at) seen = c.byPixel ? stage.pixel(110, 110) : a->currentImageId();
      }
      EXPECT_EQ(seen, value ? c.on : c.off) << c.what << " " << value;
    }
  }
  OMAnimation::animationTickGate = 0;
}

// An animation from a resource of the program's own (12x8, then 6x4 five pixels on) keeps it
// locked once for itself and once for each clone; the last one lets it go. A resource that is
// not there, or is no animation, gives an animation without images.
TEST_F(AnimationTest, AnAnimationFromALockedResourceHoldsItWhileItLives)
{
  OMResModule& own = OMResModule::defaultModule();
  auto held = [&own](const OMResHandle* handle) {
    return std::find(own.handles().begin(), own.handles().end(), handle) != own.handles().end();
  };
  auto handle = std::make_unique<OMResHandle>(60, "ASEQ", nullptr);
  ASSERT_EQ(handle->status(), OMResHandle::ok);
  const OMResHandle* resource = handle.get();
  auto a = std::make_unique<OMAnimation>(std::move(handle), 30, 40, &stage.window());
  a->bindClass("OMAnimation");
  EXPECT_EQ(resource->lockCount(), 1);
  EXPECT_EQ(a->imageCount(), 2);
  EXPECT_EQ(a->frameCount(), 2);
  EXPECT_EQ(a->rect(), OMRect(30, 40, 42, 48));
  std::unique_ptr<OMScriptableObject> clone = a->clone();
  EXPECT_EQ(resource->lockCount(), 2);
  a.reset();
  EXPECT_EQ(resource->lockCount(), 1);
  auto* copy = static_cast<OMAnimation*>(clone.get());
  EXPECT_EQ(copy->setProperty("frame", "2"), 1);
  EXPECT_EQ(copy->rect(), OMRect(35, 40, 41, 44));
  ASSERT_TRUE(held(resource));
  clone.reset();
  EXPECT_FALSE(held(resource));

  for (const auto& [id, type] : {std::pair{61, "ASEQ"}, std::pair{400, "BITMAP"}}) {
    OMAnimation none(std::make_unique<OMResHandle>(id, type, nullptr), 30, 40, &stage.window());
    EXPECT_EQ(none.imageCount(), 0) << id;
    EXPECT_EQ(none.frameCount(), 0) << id;
    none.tick();
  }
  OMResModule::releaseDefaultModule();
}

}  // namespace

namespace {

// At 8 bits per pixel the images' colour indices are drawn as they are, and reach the screen.
TEST(AnimationAt8Bits, TheStageShowsTheImagesIndices)
{
  omtest::TestStage stage(8);
  omtest::AnimationBuilder b(0);
  b.addImage(20, 20, 40);
  b.addImage(20, 20, 41);
  b.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, 1, 0},
                 OMFrameEntry{0, 0, OMFrameEntry::loop, 0}});
  NEResourceWriter writer;
  writer.add("ASEQ", "1", b.build());
  ASSERT_FALSE(stage.addResourceFile("anims.rsc", writer).empty());
  auto a =
      std::make_unique<OMAnimation>(OMAnimation::animationResolver(1), 200, 200, &stage.window());
  // Every 125 ms the next frame; around it the white layer, the palette's last entry.
  for (std::uint32_t index : {40u, 41u, 40u, 41u}) {
    stage.passes(5, 25);
    EXPECT_EQ(stage.pixel(205, 205), index);
    EXPECT_EQ(stage.pixel(219, 219), index);
    EXPECT_EQ(stage.pixel(199, 205), 255u);
    EXPECT_EQ(stage.pixel(220, 205), 255u);
  }
}

}  // namespace
