// The global functions around a scene change: the transition bracket, the pause of everything
// and the transition sound, on the game's stage with its sounds.
#include <filesystem>
#include <string>
#include <vector>

#include "framework/OMCursor.h"
#include "game/EverythingPause.h"
#include "game/RWorldPort.h"
#include "game/ShellTrinkets.h"
#include "game/TransitionSound.h"
#include "tests/game/GlobalFunctionsTestSupport.h"
#include "trinkets/lib/RCharacter.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/src/OMTrinket.h"

namespace {

using globalfn::Lines;
using globalfn::loud;
using globalfn::sceneColour;
using globalfn::sinkRate;

constexpr int waitCursor = 32514, arrowCursor = 32512, crossCursor = 32515;
constexpr int buttonPixels = 40 * 40;

// A button "b" at (100, 100) that says "hit", over the scene picture, with the cross as the
// trinkets' hover cursor; the data file is "KORVANIX.DAT" in the work folder.
class TransitionFunctionsTest : public globalfn::GlobalFunctionsTest {
 protected:
  TransitionFunctionsTest()
  {
    RWorldPort::setDataFilePath("KORVANIX.DAT");
    RWorldPort::createGlobalFields();
    RPButton::setDefaultHoverCursor(&cross_);
    run("b=RPButton 100 100 7\rset b hit onHit\rScene 9\r", "procedure onHit\r[\r  say hit\r]\r");
    endBusyCursor();
    settle();
  }
  ~TransitionFunctionsTest() override
  {
    RPButton::setDefaultHoverCursor(nullptr);
    RWorldPort::shutdown();
  }

  // Whether a click on the button comes through as its "hit"; the pointer comes onto the
  // button first, so that the button knows it is under it.
  bool clickHits()
  {
    host.moveMouse(20, 20);
    settle();
    host.moveMouse(110, 110);
    settle();
    newLines();
    click(110, 110);
    passes(4, 100);
    return newLines() == Lines{"hit"};
  }
  static OMTrinket* trinket(const char* name)
  {
    return dynamic_cast<OMTrinket*>(scriptVariables.getObjectByName(name, false));
  }

 private:
  OMCursor cross_{-4, nullptr};
};

// "StartTransition" blackens the window behind a wait cursor, takes the trinkets' input, saves
// the data file and silences the played sounds; "EndTransition" shows the new screen and the
// cursor of what is under the pointer.
TEST_F(TransitionFunctionsTest, TheTransitionBracketHidesTheSceneChange)
{
  EXPECT_EQ(pixelsOtherThan(sceneColour), buttonPixels);
  EXPECT_TRUE(clickHits());
  run("PlaySound 32 1\rPlaySound 30\r");
  EXPECT_EQ(playedSoundCount(), 2);
  ASSERT_FALSE(std::filesystem::exists(work / "KORVANIX.DAT"));

  const struct {
    int x, y;
    int cursorAfter;
  } pointers[] = {{110, 110, crossCursor}, {300, 300, arrowCursor}};
  for (const auto& p : pointers) {
    SCOPED_TRACE(p.x);
    host.moveMouse(p.x, p.y);
    settle();
    run("StartTransition\r");
    settle();
    EXPECT_EQ(host.cursor().systemId, waitCursor);
    EXPECT_EQ(pixelsOtherThan(0), 0);
    EXPECT_TRUE(std::filesystem::exists(work / "KORVANIX.DAT"));
    EXPECT_EQ(playedSoundCount(), 0);
    EXPECT_FALSE(clickHits());
    listen(50);
    EXPECT_EQ(loud(listen(300)), 0);
    // A new scene is drawn out of sight.
    run("Scene 77\rc=RPButton 400 300 7\r");
    EXPECT_EQ(pixelsOtherThan(0), 0);

    host.moveMouse(p.x, p.y);
    run("EndTransition\r");
    settle();
    EXPECT_EQ(pixelsOtherThan(sceneColour), 2 * buttonPixels);
    EXPECT_EQ(host.cursor().systemId, p.cursorAfter);
    EXPECT_FALSE(isBusyCursorOn());
    EXPECT_TRUE(clickHits());
    run("drop c\r");
    std::filesystem::remove(work / "KORVANIX.DAT");
  }
}

std::vector<std::string> pauseCalls;

// "PauseEverything" silences the mixer, takes the trinkets' mouse events and pauses the
// trinkets of classes with their own time; "ResumeEverything" gives all of it back.
TEST_F(TransitionFunctionsTest, PauseEverythingHoldsSoundsInputAndActors)
{
  pauseCalls.clear();
  setClassPauseHooks(
      "RCharacter", [](OMTrinket* t) { pauseCalls.push_back("pause " + std::to_string(t->x())); },
      [](OMTrinket* t) { pauseCalls.push_back("resume " + std::to_string(t->x())); });
  run("c=RPButton 200 200 7\rd=RPButton 300 200 7\r");
  trinket("c")->setClassName("RCharacter");
  trinket("d")->setClassName(nullptr);
  shellStage()->setDefaultTrinketFlags(0x10);

  EXPECT_TRUE(clickHits());
  run("PlaySound 32 1\r");
  EXPECT_GT(loud(listen(300)), 0);
  run("PauseEverything\r");
  listen(50);
  EXPECT_EQ(loud(listen(500)), 0);
  EXPECT_EQ(trinket("b")->flags() & pausedTrinketFlags, pausedTrinketFlags);
  EXPECT_EQ(trinket("d")->flags() & pausedTrinketFlags, pausedTrinketFlags);
  EXPECT_EQ(shellStage()->defaultTrinketFlags(), 0u);
  EXPECT_EQ(pauseCalls, (std::vector<std::string>{"pause 200"}));
  EXPECT_FALSE(clickHits());

  run("ResumeEverything\r");
  EXPECT_GT(loud(listen(300)), 0);
  EXPECT_EQ(trinket("b")->flags() & pausedTrinketFlags, 0u);
  EXPECT_EQ(shellStage()->defaultTrinketFlags(), 0x10u);
  EXPECT_EQ(pauseCalls, (std::vector<std::string>{"pause 200", "resume 200"}));
  EXPECT_TRUE(clickHits());
  setClassPauseHooks("RCharacter", nullptr, nullptr);
  shellStage()->setDefaultTrinketFlags(0);
}

// The shell's own hooks reach characters until the shut-down takes them back.
TEST_F(TransitionFunctionsTest, PauseEverythingReachesCharacters)
{
  installCharacterPauseHooks();
  run("c=RCharacter 0 5\r");
  auto* c = dynamic_cast<RCharacter*>(scriptVariables.getObjectByName("c", false));
  ASSERT_NE(c, nullptr);
  for (bool installed : {true, false}) {
    run("PauseEverything\r");
    EXPECT_EQ(c->isPaused(), installed);
    run("ResumeEverything\r");
    EXPECT_FALSE(c->isPaused());
    releaseSharedCharacters();
  }
  run("drop c\r");
}

// The transition sound goes out in one buffer of a ring of 2 and puts the output's settings
// back when it ends or is stopped; it detaches every other sound first.
TEST_F(TransitionFunctionsTest, TheTransitionSoundPlaysInOneBufferOfTwo)
{
  const int ring = ringCount(), bytes = blockBytes();
  std::unique_ptr<OMIStream> resource = openResourceStream(globalfn::longSound, "WAVE", -1);
  ASSERT_NE(resource, nullptr);
  resource->setBuffer(OMIStream::wholeContent, nullptr);
  const int resourceBytes = resource->load(0);
  ASSERT_GT(resourceBytes, 22050);

  run("PlayTransitionSound 32\r");
  EXPECT_TRUE(isTransitionSoundPlaying());
  EXPECT_EQ(ringCount(), 2);
  EXPECT_EQ(blockBytes(), resourceBytes);
  EXPECT_NEAR(double(loud(listen(1500))) / sinkRate, 1.0, 0.1);
  EXPECT_FALSE(isTransitionSoundPlaying());
  EXPECT_EQ(ringCount(), ring);
  EXPECT_EQ(blockBytes(), bytes);

  // Stopped while it plays: at once, and the script goes on.
  run("PlayTransitionSound 32\r");
  EXPECT_GT(loud(listen(200)), 0);
  run("StopTransitionSound\rsay stopped\r");
  EXPECT_EQ(newLines(), Lines{"stopped"});
  EXPECT_FALSE(isTransitionSoundPlaying());
  EXPECT_EQ(ringCount(), ring);
  EXPECT_EQ(blockBytes(), bytes);
  listen(50);
  EXPECT_EQ(loud(listen(300)), 0);

  // Nothing to play: no id, an unknown id.
  run("PlayTransitionSound\rPlayTransitionSound 99\rStopTransitionSound\r");
  EXPECT_FALSE(isTransitionSoundPlaying());
  EXPECT_EQ(ringCount(), ring);
  EXPECT_EQ(blockBytes(), bytes);

  // A second play replaces the first.
  run("PlayTransitionSound 32\r");
  listen(100);
  run("PlayTransitionSound 30\r");
  EXPECT_NEAR(double(loud(listen(800))) / sinkRate, 0.1, 0.03);
  EXPECT_EQ(ringCount(), ring);

  // A looping sound falls silent; while it exists the output keeps its settings.
  run("PlaySound 32 1\r");
  EXPECT_GT(loud(listen(300)), 0);
  run("PlayTransitionSound 30\r");
  EXPECT_EQ(ringCount(), ring);
  EXPECT_NEAR(double(loud(listen(800))) / sinkRate, 0.1, 0.03);
  EXPECT_FALSE(isTransitionSoundPlaying());
}

// Stopped while paused, the sound holds every script until it has been resumed and has ended.
TEST_F(TransitionFunctionsTest, StoppingAPausedTransitionSoundHoldsTheScripts)
{
  const int ring = ringCount();
  run("PlayTransitionSound 32\r");
  listen(200);
  run("PauseEverything\r");
  run("StopTransitionSound\rsay released\r");
  listen(2000);
  EXPECT_TRUE(newLines().empty());
  EXPECT_TRUE(isTransitionSoundPlaying());

  run("ResumeEverything\rsay resumed\r");
  EXPECT_EQ(newLines(), Lines{"resumed"});
  const int rest = loud(listen(1500));
  EXPECT_GT(rest, sinkRate / 2);
  EXPECT_EQ(newLines(), Lines{"released"});
  EXPECT_FALSE(isTransitionSoundPlaying());
  EXPECT_EQ(ringCount(), ring);
}

}  // namespace
