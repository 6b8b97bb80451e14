#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMCursor.h"
#include "framework/OMEdition.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMResFile.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TestStage.h"
#include "tests/trinkets/ActionTestSupport.h"
#include "tests/trinkets/MovieTestSupport.h"
#include "tools/ColorTableWriter.h"
#include "tools/NEResourceWriter.h"
#include "tools/WaveWriter.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/RSmackerMovie.h"
#include "trinkets/src/ActionContainer.h"
#include "trinkets/src/ActionCreateRecord.h"
#include "trinkets/src/AnimAction.h"
#include "trinkets/src/MovieAction.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/PlayAnimAction.h"
#include "trinkets/src/SoundAction.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

constexpr std::uint32_t red555 = 0x7C00;

std::unique_ptr<OMIStream> openAnimation(std::uint16_t id)
{
  return openResourceStream(id, "ASEQ", -1);
}
std::unique_ptr<OMIStream> openSound(std::uint16_t id, int)
{
  return openResourceStream(id, "WAVE", -1);
}

int finishes = 0;
OMWord countFinish(OMWord)
{
  ++finishes;
  return 1;
}

// Animation 1: four frames, then the end; animation 2 loops one frame; both red, at the gate
// of 125 ms. Sound 7 is 300 ms of tone, sound 31 is broken. The movie has six frames.
class MediaActionTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    omtest::AnimationBuilder once(0), looping(0);
    for (int i = 0; i < 4; ++i)
      once.addImage(10, 10, 1);
    once.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, 1, 0}, OMFrameEntry{0, 0, 2, 0},
                      OMFrameEntry{0, 0, 3, 0}});
    looping.addImage(10, 10, 1);
    looping.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::loop, 0}});
    std::array<std::uint8_t, 768> rgb{};
    rgb[3] = 255;
    NEResourceWriter writer;
    writer.add("ASEQ", "1", once.build());
    writer.add("ASEQ", "2", looping.build());
    writer.add("RRGB", "1", writeColorTable(rgb));
    writer.add("RRGB", "2", writeColorTable(rgb));
    writer.add("WAVE", "7", wavewriter::waveImage(22050, wavewriter::tone(22050, 1000, 6615)));
    writer.add("WAVE", "31", NEResourceWriter::Bytes{'R', 'I', 'F', 'F', 1, 2});
    ASSERT_FALSE(stage.addResourceFile("media.rsc", writer).empty());
    movietest::write(stage, "movie.smk", movie);
    AnimAction::setAnimationOpener(&openAnimation);
    AnimAction::setSoundOpener(&openSound);
    SoundAction::setSoundOpener(&openSound);
    RSmackerMovie::setSoundHooks(&pauseMixingSounds, &resumePausedSounds);
    finishes = 0;
    trinketCount = stage.window().trinkets().count();
  }
  void TearDown() override
  {
    AnimAction::setAnimationOpener(nullptr);
    AnimAction::setSoundOpener(nullptr);
    SoundAction::setSoundOpener(nullptr);
    RSmackerMovie::setSoundHooks(nullptr, nullptr);
  }
  // Passes of 10 ms until the finish count moves or the time runs out; the milliseconds.
  int runUntilFinished(int limit = 3000)
  {
    const int before = finishes;
    int elapsed = 0;
    while (finishes == before && elapsed < limit) {
      stage.passes(1, 10);
      elapsed += 10;
    }
    return elapsed;
  }
  bool animationShown(int x, int y) const { return stage.pixel(x + 5, y + 5) == red555; }

  omtest::TestStage stage;
  const SmackerWriter::Movie movie = movietest::movie(6);
  int trinketCount = 0;
};

// Each factory reads its words with its own defaults and rules, per edition.
TEST_F(MediaActionTest, FactoriesReadTheirArguments)
{
  FakeVariables variables;
  using Check = std::function<void(Action&)>;
  auto anim = [](int id, int x, int y, int z, int repeat, int interruptible, int sound) -> Check {
    return [=](Action& a) {
      auto& action = dynamic_cast<AnimAction&>(a);
      EXPECT_EQ(action.animationId(), id);
      EXPECT_EQ(action.x(), x);
      EXPECT_EQ(action.y(), y);
      EXPECT_EQ(action.z(), z);
      EXPECT_EQ(action.repeat(), repeat);
      EXPECT_EQ(action.isInterruptible(), interruptible);
      EXPECT_EQ(action.soundId(), sound);
    };
  };
  auto sound = [](int id, int hold, int interruptible, int volume) -> Check {
    return [=](Action& a) {
      auto& action = dynamic_cast<SoundAction&>(a);
      EXPECT_EQ(action.soundId(), id);
      EXPECT_EQ(action.hold(), hold);
      EXPECT_EQ(action.isInterruptible(), interruptible);
      EXPECT_EQ(action.volume(), volume);
    };
  };
  auto film = [](std::string name, int extra, int palette, int preload,
                 int interruptible) -> Check {
    return [=](Action& a) {
      auto& action = dynamic_cast<MovieAction&>(a);
      EXPECT_EQ(action.fileName(), name);
      EXPECT_EQ(action.extraBuffer(), extra);
      EXPECT_EQ(action.usePalette(), palette);
      EXPECT_EQ(action.preload(), preload);
      EXPECT_EQ(action.isInterruptible(), interruptible);
    };
  };
  constexpr int none = OMTrinket::noPosition;
  struct Case {
    OMEdition::Kind edition;
    const char* name;
    std::vector<const char*> words;
    Check check;  // null: no action
  };
  const Case cases[] = {
      {OMEdition::game, "AnimAction", {"12"}, anim(12, none, none, none, 1, 1, -1)},
      {OMEdition::game,
       "AnimAction",
       {"12", "0", "0", "0", "0", "0", "7"},
       anim(12, 0, 0, 0, 0, 0, 7)},
      {OMEdition::game, "AnimAction", {"12", "5"}, anim(12, 5, none, none, 1, 1, -1)},
      {OMEdition::game, "AnimAction", {"0", "0", ""}, nullptr},
      {OMEdition::assessment,
       "AnimAction",
       {"12", "1", "2", "3", "4", "0", "9"},
       anim(12, 1, 2, 3, 4, 1, -1)},
      {OMEdition::game, "SoundAction", {"7"}, sound(7, 0, 0, 100)},
      {OMEdition::game, "SoundAction", {"7", "1", "1", "40"}, sound(7, 1, 1, 40)},
      {OMEdition::game, "SoundAction", {""}, nullptr},
      {OMEdition::assessment, "SoundAction", {"7", "1", "1", "40"}, sound(7, 1, 1, 100)},
      {OMEdition::game,
       "MovieAction",
       {"a_movie_with_a_long_name.smk"},
       film("a_movie_with_a_long_name.smk", -1, 1, 0, 0)},
      {OMEdition::game,
       "MovieAction",
       {"m.smk", "100", "0", "1", "1"},
       film("m.smk", 100, 0, 1, 1)},
      {OMEdition::game, "MovieAction", {}, nullptr},
      {OMEdition::assessment, "MovieAction", {"m.smk"}, nullptr},
      {OMEdition::game, "PlayAnimAction", {""}, nullptr},
      {OMEdition::game, "PlayAnimAction", {"empty"}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + (c.words.empty() ? "" : c.words[0]) +
                 (c.edition == OMEdition::assessment ? " (assessment)" : ""));
    ScopedEdition edition(c.edition);
    std::unique_ptr<Action> action = makeAction(c.name, c.words, 0);
    ASSERT_EQ(action != nullptr, c.check != nullptr);
    if (action) c.check(*action);
  }
}

// Each action ends with its media, once: the animation's sequence, the sound, the movie; one
// with nothing to play ends at once, and one whose sound cannot play is not held up by it.
TEST_F(MediaActionTest, EachActionEndsWithItsMediaOnce)
{
  struct Case {
    const char* name;
    std::vector<const char*> words;
    int earliest, latest;  // milliseconds
  };
  const Case cases[] = {
      {"AnimAction", {"1", "100", "100"}, 375, 650},
      {"AnimAction", {"2", "100", "100", "0", "0", "0", "7"}, 250, 450},
      {"AnimAction", {"1", "100", "100", "0", "1", "1", "31"}, 375, 650},
      {"AnimAction", {"99"}, 0, 0},
      {"SoundAction", {"7"}, 250, 450},
      {"SoundAction", {"31"}, 0, 0},
      {"SoundAction", {"99"}, 0, 0},
      {"MovieAction", {"movie.smk"}, 450, 700},
      {"MovieAction", {"missing.smk"}, 0, 0},
  };
  const OMLinkToFct link(&countFinish);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.words[0]);
    finishes = 0;
    std::unique_ptr<Action> action = makeAction(c.name, c.words);
    ASSERT_NE(action, nullptr);
    action->setFinishedCallback(&link);
    action->start();
    const int elapsed = finishes ? 0 : runUntilFinished();
    EXPECT_GE(elapsed, c.earliest);
    EXPECT_LE(elapsed, c.latest);
    EXPECT_FALSE(action->isActive());
    stage.passes(50, 10);
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(stage.window().trinkets().count(), trinketCount) << "the media are gone";
    EXPECT_EQ(RSmackerMovie::openMovieCount(), 0);
    EXPECT_FALSE(OMCursor::isHiddenByProgram());
  }
}

// A queue of a movie, a sound and an animation plays them one after another and finishes
// once.
TEST_F(MediaActionTest, AQueuePlaysMovieSoundAndAnimationInOrder)
{
  std::unique_ptr<OMScriptableObject> made = createTrinketByName("RQueue", scriptArgTerminator);
  auto* queue = dynamic_cast<ActionContainer*>(made.get());
  ASSERT_NE(queue, nullptr);
  auto add = [&](const std::vector<const char*>& words) {
    prepareScriptArgs(words);
    queue->callMethod("add", scriptArgTerminator);
  };
  add({"MovieAction", "movie.smk"});
  add({"SoundAction", "7"});
  add({"AnimAction", "1", "100", "100"});
  ASSERT_EQ(queue->childCount(), 3);
  static std::vector<std::string> ended;
  ended.clear();
  const char* names[] = {"movie", "sound", "animation"};
  int i = 0;
  queue->children().firstThat([&](Action* child) {
    child->registerMembers();
    const OMLinkToFct named(
        +[](OMWord name) -> OMWord {
          ended.emplace_back(reinterpret_cast<const char*>(name));
          return 1;
        },
        reinterpret_cast<OMWord>(names[i++]));
    child->connect("finished", &named, nullptr);
    return false;
  });
  const OMLinkToFct queueEnd(+[](OMWord) -> OMWord {
    ended.emplace_back("queue");
    return 1;
  });
  queue->connect("finished", &queueEnd, nullptr);
  queue->callMethod("start", scriptArgTerminator);

  // What each pass shows and plays.
  std::string timeline;
  omtest::TestStage::takeAudio();
  for (int pass = 0; pass < 200; ++pass) {
    stage.passes(1, 10);
    int loud = 0;
    for (std::int16_t s : omtest::TestStage::takeAudio())
      loud += s > 1000 || s < -1000;
    if (movietest::frameOnScreen(stage, movie, 0, 0) >= 0 && RSmackerMovie::openMovieCount()) {
      timeline += 'M';
    } else if (animationShown(100, 100)) {
      timeline += 'A';
    } else if (loud) {
      timeline += 'S';
    }
  }
  std::string phases;
  for (char c : timeline)
    if (phases.empty() || phases.back() != c) phases += c;
  EXPECT_EQ(phases, "MSA");
  // A child's "finished" follows its callback, which moves the queue on.
  EXPECT_EQ(ended, (std::vector<std::string>{"movie", "sound", "queue", "animation"}));
  EXPECT_EQ(stage.window().trinkets().count(), trinketCount);
}

// Pausing a movie action freezes its frame, resuming plays on; halted mid-movie, the movie
// goes at once with all it held, and no finish is reported.
TEST_F(MediaActionTest, PauseResumeAndHaltMidMovie)
{
  const OMLinkToFct link(&countFinish);
  std::unique_ptr<Action> action = makeAction("MovieAction", {"movie.smk"});
  action->setFinishedCallback(&link);
  const int tasks = stage.app().taskList().count();
  action->start();
  stage.passes(21, 10);
  EXPECT_EQ(movietest::frameOnScreen(stage, movie, 0, 0), 1);
  action->pause();
  stage.passes(30, 10);
  EXPECT_EQ(movietest::frameOnScreen(stage, movie, 0, 0), 1);
  action->resume();
  stage.passes(5, 10);
  EXPECT_EQ(movietest::frameOnScreen(stage, movie, 0, 0), 2);
  action->halt();
  EXPECT_FALSE(action->isActive());
  EXPECT_EQ(RSmackerMovie::openMovieCount(), 0);
  EXPECT_FALSE(OMCursor::isHiddenByProgram());
  stage.passes(10, 10);
  EXPECT_EQ(finishes, 0);
  EXPECT_EQ(stage.app().taskList().count(), tasks);
  EXPECT_EQ(stage.window().trinkets().count(), trinketCount);
  EXPECT_EQ(movietest::frameOnScreen(stage, movie, 0, 0), -1) << "the stage is redrawn";
  // Deleting an action that plays halts it the same way.
  action->start();
  stage.passes(5, 10);
  action.reset();
  EXPECT_EQ(RSmackerMovie::openMovieCount(), 0);
  stage.passes(2, 10);
  EXPECT_EQ(stage.app().taskList().count(), tasks);
}

// The animation a variable holds plays to its end; reassigned before the start, the action
// ends at once; halted, the animation is rewound and paused.
TEST_F(MediaActionTest, PlayAnimActionDrivesTheHeldAnimation)
{
  FakeVariables variables;
  std::unique_ptr<RAnimation> animation;
  auto held = [&] {
    animation =
        std::make_unique<RAnimation>(openAnimation(1), 100, 100, OMTrinketWindow::mainHost());
    animation->setRepeat(1);
    animation->pause();
    variables.assign("a", animation.get());
  };
  const OMLinkToFct link(&countFinish);

  held();
  std::unique_ptr<Action> action = makeAction("PlayAnimAction", {"a"});
  ASSERT_NE(action, nullptr);
  action->setFinishedCallback(&link);
  stage.passes(30, 10);
  EXPECT_EQ(animation->currentEntryIndex(), 0) << "paused until the action starts";
  action->start();
  const int elapsed = runUntilFinished();
  EXPECT_GE(elapsed, 375);
  EXPECT_LE(elapsed, 650);

  held();
  std::unique_ptr<Action> halted = makeAction("PlayAnimAction", {"a"});
  halted->setFinishedCallback(&link);
  halted->start();
  stage.passes(30, 10);
  EXPECT_GT(animation->currentEntryIndex(), 0);
  halted->halt();
  EXPECT_EQ(animation->currentEntryIndex(), 0);
  stage.passes(80, 10);
  EXPECT_EQ(animation->currentEntryIndex(), 0) << "rewound and paused";

  held();
  std::unique_ptr<Action> stale = makeAction("PlayAnimAction", {"a"});
  variables.assign("a", animation.get());
  stale->setFinishedCallback(&link);
  finishes = 0;
  stale->start();
  EXPECT_EQ(finishes, 1);
}

}  // namespace
