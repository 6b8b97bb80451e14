#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMMemCanvas.h"
#include "tests/support/TestStage.h"
#include "trinkets/lib/RTimer.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

class TimerTest : public ::testing::Test {
 protected:
  void TearDown() override
  {
    scriptVariables.clear();
    clearEventRecords();
  }
  RTimer* runScript(const std::string& execute)
  {
    std::ofstream("timer.mps", std::ios::binary)
        << "yield off\rdebug\rt=RTimer 300\rset t execute onExec\rsay ready\rwait\r"
           "procedure onExec\r[\r  say exec\r"
        << execute << "]\r";
    thread_ = std::make_unique<YThread>("timer.mps", nullptr);
    thread_->start();
    stage.passes(2);
    return static_cast<RTimer*>(scriptVariables.getObjectByName("t", false));
  }
  int execs() const
  {
    int n = 0;
    for (const std::string& line : stage.debugLines())
      n += line == "exec";
    return n;
  }

  omtest::TestStage stage{8};
  std::unique_ptr<YThread> thread_;
};

// Fires on the first pass more than the interval after "start" or the last firing.
TEST_F(TimerTest, FiresStrictlyAfterTheInterval)
{
  RTimer* t = runScript("");
  ASSERT_NE(t, nullptr);
  stage.passes(3, 200);
  EXPECT_EQ(execs(), 0);  // not started
  const std::uint32_t start = omhost::clockMilliseconds();
  ASSERT_TRUE(t->callMethod("start", scriptArgTerminator));
  struct Step {
    std::uint32_t at;
    int execs;
  };
  const Step steps[] = {{300, 0}, {301, 1}, {601, 1}, {602, 2}};
  for (const Step& s : steps) {
    stage.passAt(start + s.at);
    EXPECT_EQ(execs(), s.execs) << s.at;
  }
  // Paused, then started again: the interval counts from the new start.
  t->callMethod("pause", scriptArgTerminator);
  stage.passAt(start + 2000);
  EXPECT_EQ(execs(), 2);
  t->callMethod("start", scriptArgTerminator);
  stage.passAt(start + 2300);
  EXPECT_EQ(execs(), 2);
  stage.passAt(start + 2301);
  EXPECT_EQ(execs(), 3);
  // Interval 0: every pass in which the clock moved.
  t->setProperty("frameCount", "0");
  stage.passes(4, 1);
  EXPECT_EQ(execs(), 7);
  // A negative one: every pass, even when the clock stands still.
  t->setProperty("frameCount", "-5");
  stage.passes(2);
  EXPECT_EQ(execs(), 9);
  thread_.reset();
}

TEST_F(TimerTest, AnExecuteProcedureMayDropTheTimer)
{
  RTimer* t = runScript("  drop t\r");
  ASSERT_NE(t, nullptr);
  t->callMethod("start", scriptArgTerminator);
  stage.passes(6, 200);
  EXPECT_EQ(execs(), 1);
  EXPECT_EQ(scriptVariables.getObjectByName("t", false), nullptr);
  thread_.reset();
}

// An "execute" procedure that works longer than a pass's share runs to its end inside the
// firing, so that a firing never comes on top of an unfinished run.
TEST_F(TimerTest, ALongExecuteProcedureEndsBeforeTheNextFiring)
{
  RTimer* t = runScript("  for i 1 400\r    for j 1 400\r      n=n+1\r  say done\r");
  ASSERT_NE(t, nullptr);
  t->callMethod("start", scriptArgTerminator);
  stage.passes(4, 301);
  const std::vector<std::string> lines = stage.debugLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "done"), 4);
  EXPECT_EQ(execs(), 4);
  thread_.reset();
}

// Any interval makes a timer that runs without harm.
TEST_F(TimerTest, TheFactoryTakesAnyArgument)
{
  for (const char* argument : {"", "x", "300", "-1", "2147483647", "99999999999999999999"}) {
    clearScriptArgs();
    pushScriptArg(argument);
    std::unique_ptr<OMScriptableObject> timer = RTimer::create();
    ASSERT_NE(timer, nullptr) << argument;
    timer->bindClass("RTimer");
    EXPECT_TRUE(timer->callMethod("start", scriptArgTerminator));
    stage.passes(3, 400);
  }
}

// Colour cycling rotates c groups of n entries from f by one group per interval.
TEST_F(TimerTest, ColorCyclingRotatesGroupsOfThePalette)
{
  OMMemCanvas* canvas = stage.window().offscreen();
  ASSERT_NE(canvas, nullptr);
  // The system's reserved colours at both ends, as in the game's palettes, so that each
  // entry keeps its place on the screen.
  OMRGBColor colors[256];
  canvas->getPalette(colors);
  for (int i = 10; i < 246; ++i)
    colors[i] = OMRGBColor(static_cast<std::uint16_t>(i << 8), 0, 0);
  stage.window().setPalette(colors, 0);
  const auto reds = [&] {
    OMRGBColor now[256];
    canvas->getPalette(now);
    std::vector<int> r;
    for (int i = 10; i < 18; ++i)
      r.push_back(now[i].red >> 8);
    return r;
  };
  RTimer* t = runScript("");
  ASSERT_NE(t, nullptr);
  const char* refused[][3] = {{"-1", "3", "2"},        {"10", "0", "2"},  {"10", "3", "0"},
                              {"251", "3", "2"},       {"0", "257", "1"}, {"0", "65536", "65536"},
                              {"2147483647", "1", "1"}};
  for (const auto& r : refused) {
    EXPECT_FALSE(t->callMethod("colorCycling", r[0], r[1], r[2], scriptArgTerminator)) << r[0];
  }

  // A text in entry 12 shows on the screen whatever colour the entry holds now.
  RText text("HELLO", OMPoint(100, 100), nullptr, OMRGBColor::fromIndex(12), 0, &stage.window());
  const auto inkRed = [&] {
    const omhost::ScreenBuffer& screen = stage.host().screen();
    const std::uint32_t paper = screen.palette[stage.pixel(0, 0)];
    for (int y = text.rect().top(); y < text.rect().bottom(); ++y)
      for (int x = text.rect().left(); x < text.rect().right(); ++x)
        if (screen.palette[stage.pixel(x, y)] != paper)
          return int(screen.palette[stage.pixel(x, y)] >> 16);
    return -1;
  };
  stage.passes(2);
  EXPECT_EQ(inkRed(), 12);

  EXPECT_FALSE(t->isCycling());
  ASSERT_TRUE(t->callMethod("colorCycling", "10", "3", "2", scriptArgTerminator));
  t->callMethod("start", scriptArgTerminator);
  const std::vector<std::vector<int>> expected = {{14, 15, 10, 11, 12, 13, 16, 17},
                                                  {12, 13, 14, 15, 10, 11, 16, 17},
                                                  {10, 11, 12, 13, 14, 15, 16, 17}};
  for (const auto& e : expected) {
    stage.passes(1, 301);
    EXPECT_EQ(reds(), e);
    EXPECT_EQ(inkRed(), e[12 - 10]);
  }
  EXPECT_EQ(execs(), 0);
  ASSERT_TRUE(t->callMethod("colorCycling", "10", "1", "4", scriptArgTerminator));
  stage.passes(2, 301);
  EXPECT_EQ(reds(), expected.back());
  thread_.reset();
}

}  // namespace
