#include <gtest/gtest.h>

#include "ScriptHarness.h"

using scripttest::alerts;
using scripttest::probeLog;
using scripttest::ScriptTest;
using Lines = std::vector<std::string>;

namespace {

const char tour[] =
    "; A tour of every keyword of the language\r"
    "yield off\r"
    "debug\r"
    "say tour begins\r"
    "p=TProbe 1 2\r"
    "set p value 10\r"
    "get p value v\r"
    "say value v\r"
    "set p ping onPing\r"
    "play p start go\r"
    "p2=TProbe\r"
    "play p2 start }\r"
    "say completion seen\r"
    "total=0\r"
    "for i 1 6\r"
    "[\r"
    "  if i=2\r"
    "    continue\r"
    "  if i=5\r"
    "    break\r"
    "  total=total+i\r"
    "]\r"
    "say sum total\r"
    "if total>100\r"
    "  say big\r"
    "else\r"
    "  say small\r"
    "call helper 3 4\r"
    "suspend\r"
    "resume\r"
    "pause 1\r"
    "say paused\r"
    "schedule 1 onSchedule\r"
    "idle 2 onIdle\r"
    "wait\r"
    "say woken\r"
    "drop p2\r"
    "relay \"finale.mps\"\r"
    "procedure helper a b\r"
    "  say product a*b\r"
    "procedure onPing\r"
    "[\r"
    "  get RECEIVER name n\r"
    "  say ping from n\r"
    "  drop wait\r"
    "]\r"
    "procedure onSchedule\r"
    "  say scheduled RECEIVER\r"
    "procedure onIdle\r"
    "[\r"
    "  say idled\r"
    "  drop idle\r"
    "]\r";

int counted = 0;
int quits = 0;

class ScriptTourTest : public ScriptTest {};

TEST_F(ScriptTourTest, EveryKeywordRunsToTheExpectedLog)
{
  counted = 0;
  quits = 0;
  const OMLinkToFct count(+[](OMWord) -> OMWord {
    setScriptResultInt(++counted);
    return 0;
  });
  registerScriptFunction("Count", &count);
  setScriptQuitHandler(+[]() { ++quits; });
  writeFile("finale.mps", "yield off\rsay finale\rCount\rif RESULT=1\r  call \"coda.mps\"\rquit\r");
  writeFile("coda.mps", "yield off\rsay coda\rexit\r");
  setScriptStepMode(1);

  YThread* thread = load(tour, "tour.mps");
  ASSERT_TRUE(thread->isLoaded());
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"tour begins", "value 10"}));
  EXPECT_TRUE(thread->isWaiting());
  probe("p2")->fireCompletion();
  ticks(150);
  EXPECT_EQ(debugLines(), (Lines{"tour begins", "value 10", "completion seen", "sum 8", "small",
                                 "product 12", "paused", "scheduled schedule", "idled"}));
  EXPECT_TRUE(thread->isHeld());
  probe("p")->raise("ping");
  ticks(20);
  EXPECT_EQ(debugLines(), (Lines{"tour begins", "value 10", "completion seen", "sum 8", "small",
                                 "product 12", "paused", "scheduled schedule", "idled",
                                 "ping from p", "woken", "finale", "coda", "finale"}));
  EXPECT_EQ(probeLog, (Lines{"made 1 2", "set = 10", "start go", "made", "start"}));
  EXPECT_EQ(quits, 1);
  EXPECT_FALSE(thread->isLoaded());
  EXPECT_TRUE(scriptStack().empty());
  EXPECT_TRUE(alerts.empty());
}

}  // namespace
