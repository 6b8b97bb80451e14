// The application shell on the headless host: the animation beat, the keys, close requests
// and their answers, the busy cursor.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMTask.h"
#include "game/AppShell.h"
#include "game/OMStageWindow.h"
#include "tests/support/AppTestSupport.h"
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

class ShellTest : public ::testing::Test {
 protected:
  ShellTest() : host(omtest::startAppSession())
  {
    calls().clear();
    shellCalls().raiseAppClose = [] { calls().push_back("appClose"); };
    shellCalls().sceneKeyPressed = [](std::uint32_t key) {
      calls().push_back("scene " + std::to_string(key));
      return key == ' ' || key == 0xE802 ? 1 : 0;
    };
    createMainWindow(3);
    shellStage()->activate();
    omtest::runPasses(2);
  }
  ~ShellTest() override
  {
    destroyMainWindow();
    resetShellCalls();
    omhost::useRealClock();
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
