#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "ScriptHarness.h"
#include "framework/OMProgramEnd.h"

using scripttest::alerts;
using scripttest::probeLog;
using scripttest::ScriptTest;
using scripttest::TProbe;
using Lines = std::vector<std::string>;

namespace {

class ThreadTest : public ScriptTest {};

TEST_F(ThreadTest, ForLoopsCountAsSpecified)
{
  run("s=0\rfor i 1 10\r  s=s+i\rsay s\r"
      "for j 3\r  say j\r"
      "for k 10 8 -1\r  say k\r"
      "for m 5 5\r  say once m\r");
  EXPECT_EQ(debugLines(), (Lines{"55", "3", "2", "1", "0", "10", "9", "8", "once 5"}));
}

TEST_F(ThreadTest, LoopRecordNotTheVariableHoldsTheCount)
{
  run("for i 1 3\r[\r  say i\r  i=10\r]\r");
  EXPECT_EQ(debugLines(), (Lines{"1", "2", "3"}));
}

TEST_F(ThreadTest, LoopWithoutStepCountsUpUntilTheSixteenBitCounterWraps)
{
  // Some 130,000 instructions: a run gives the pass back after its share and goes on.
  run("n=0\rfor i 10 1\r  n=n+1\rsay n i\r", 14);
  EXPECT_EQ(debugLines(), (Lines{"32758 -32768"}));
}

TEST_F(ThreadTest, BreakLeavesAndContinueTestsAgain)
{
  run("for i 1 10\r[\r  if i=3\r    continue\r  if i=5\r    break\r  say i\r]\rsay done\r"
      "for a 1 2\r  for b 1 2\r    say a b\r");
  EXPECT_EQ(debugLines(), (Lines{"1", "2", "4", "done", "1 1", "1 2", "2 1", "2 2"}));
}

TEST_F(ThreadTest, TruthIsATextNotBeginningWithZero)
{
  run("a=0.5\rif a\r  say wrong\relse\r  say half-is-false\r"
      "e=\"\"\rif e\r  say empty-is-true\r"
      "t=1\rf=0\rif t f\r  say only-first-tested\r"
      "x=2\rif x=1\r  say one\relse\r  if x=2\r    say two\r  else\r    say other\r");
  ASSERT_TRUE(alerts.empty()) << alerts.front();
  EXPECT_EQ(debugLines(), (Lines{"half-is-false", "empty-is-true", "only-first-tested", "two"}));
}

TEST_F(ThreadTest, ProceduresBindParametersAndAreSkippedWhenReachedByFallingThrough)
{
  run("call greet hello world\rsay after\rprocedure greet a b\r[\r  say a b\r]\r"
      "say unreachable-after-procedure\r");
  EXPECT_EQ(debugLines(), (Lines{"hello world", "after", "unreachable-after-procedure"}));
}

TEST_F(ThreadTest, CallFollowsVariablesThatNameProcedures)
{
  run("which=greet\rcall which\rprocedure greet\r  say greeted\r");
  EXPECT_EQ(debugLines(), (Lines{"greeted"}));
}

TEST_F(ThreadTest, SayJoinsTextsAndLeavesOutWhatWouldOverflowTheLine)
{
  run("a=1500\rsay a RESULT SYSTEM\r");
  YVariable* a = variable("a");
  const std::string long1500(1500, 'z');
  a->setText(long1500.c_str());
  run("say a a tail\r");
  const Lines lines = debugLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "1500 RESULT WIN");
  EXPECT_EQ(lines[1], long1500 + " tail");
}

TEST_F(ThreadTest, YieldingRunsOneInstructionPerPass)
{
  load("say 1\rsay 2\rsay 3\r");
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"1"}));
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"1", "2"}));
  passes(5);
  EXPECT_EQ(debugLines().size(), 3u);
}

TEST_F(ThreadTest, HoldAndReleaseAllThreads)
{
  load("say 1\rsay 2\rsay 3\r");
  passes(1);
  holdAllThreads();
  passes(3);
  EXPECT_EQ(debugLines().size(), 1u);
  releaseAllThreads();
  passes(3);
  EXPECT_EQ(debugLines().size(), 3u);
}

TEST_F(ThreadTest, HeldThreadWithYieldingOffDoesNotStopTheMainLoop)
{
  run("say before\rwait\rsay after\r");
  passes(3);  // each pass returns: the held thread waits
  EXPECT_EQ(debugLines(), (Lines{"before"}));
  firstScriptThread()->setHeld(false);
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"before", "after"}));
}

// Yielding off, a main code without end gives each pass back after a bounded run and goes on
// at the next.
TEST_F(ThreadTest, RunsThatNeverBlockGiveThePassBackAndGoOn)
{
  run("n=0\rfor i 1 10 0\r  n=n+1\r");
  const int firstPass = variable("n")->getInteger();
  EXPECT_GT(firstPass, 0);
  passes(1);
  EXPECT_GT(variable("n")->getInteger(), firstPass);
}

// An event's procedure runs to its end inside the raising call, however long it works or
// pauses: in step mode, and with yielding off where the edition has no step mode.
TEST_F(ThreadTest, EventProceduresRunToTheirEndInsideTheRaise)
{
  const std::string longLoop = "  for i 1 400\r    for j 1 400\r      m=m+1\r";
  const struct {
    const char* name;
    int stepMode;
    std::string procedure;
    int counted;
    std::uint32_t clockMoved;  // at least, by the pauses
  } rows[] = {
      {"a long loop in step mode", 1, longLoop, 160000, 0},
      {"a long loop with yielding off", 0, longLoop, 160000, 0},
      {"pauses of seconds", 1, "  for i 1 3\r  [\r    pause 2\r    m=m+1\r  ]\r", 3, 5400},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    setScriptStepMode(row.stepMode);
    run("p=TProbe\rset p ping onPing\rm=0\rprocedure onPing\r[\r" + row.procedure +
        "  say done m\r]\r");
    const std::uint32_t start = omhost::clockMilliseconds();
    EXPECT_EQ(probe("p")->raise("ping"), 1);
    EXPECT_EQ(debugLines(), (Lines{"done " + std::to_string(row.counted)}));
    EXPECT_GE(omhost::clockMilliseconds() - start, row.clockMoved);
    dropThreads();
    std::filesystem::remove("debug.txt");
  }
}

// Yielding off, pauses hold a run a second of the clock at the most, a loop of them or one
// of hours: the pass is given back after its second and the run goes on at the next pass, so
// that the program's loop takes input between the seconds.
TEST_F(ThreadTest, PausesHoldARunASecondAtATime)
{
  const struct {
    const char* script;
    int passCount;
    int counted;  // pauses ended in those passes
  } rows[] = {
      {"for i 1 10 0\r[\r  pause 2\r  n=n+1\r]\r", 9, 5},  // 1800 ms each
      {"pause 0.5\rn=n+1\rpause 0.5\rn=n+1\rpause 0.5\rn=n+1\r", 1, 2},
      {"pause 100000\rn=n+1\r", 5, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    EXPECT_TRUE(endsWithoutTheWaitHook([&] {
      const std::uint32_t start = omhost::clockMilliseconds();
      YThread* thread = run(std::string("n=0\r") + row.script, 0);
      for (int pass = 1; pass <= row.passCount; ++pass) {
        passes(1);
        EXPECT_LE(omhost::clockMilliseconds() - start, pass * 1000u + 100u) << "pass " << pass;
      }
      EXPECT_EQ(variable("n")->getInteger(), row.counted);
      thread->stop();
    }));
  }
}

// Yielding off, on the real clock, a run of slow instructions (each here a millisecond of
// work, as a search of the disk can be) gives the pass back after a quarter of a second of
// work, long before its budget of instructions, and goes on at the next pass.
TEST_F(ThreadTest, SlowInstructionsGiveThePassBackAfterTheirShareOfWork)
{
  const OMLinkToFct slow([](OMWord) -> OMWord {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  });
  registerScriptFunction("Slow", &slow);
  omhost::useRealClock();
  YThread* thread = run("n=0\rfor i 1 10 0\r[\r  Slow\r  n=n+1\r]\r", 0);
  for (int pass = 1; pass <= 3; ++pass) {
    const auto before = std::chrono::steady_clock::now();
    const int counted = variable("n")->getInteger();
    passes(1);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2)) << pass;
    EXPECT_GT(variable("n")->getInteger(), counted) << pass;
  }
  thread->stop();
  omhost::useManualClock();
}

// On a stepping clock a main code's share of a pass is what it does, never how long that
// takes: a slow instruction (a third of a second, as a search of a busy disk may take) leaves
// the pass as far on as the same run without it, so that a run gives the same frames on any
// machine under any load.
TEST_F(ThreadTest, OnASteppingClockThePassesShareIsWhatTheRunDoes)
{
  static int slowFor = 0;
  const OMLinkToFct slow([](OMWord) -> OMWord {
    std::this_thread::sleep_for(std::chrono::milliseconds(slowFor));
    return 0;
  });
  registerScriptFunction("Slow", &slow);
  omhost::useSteppingClock(10, omhost::clockMilliseconds());
  std::vector<int> counted;
  for (const int milliseconds : {0, 300}) {
    slowFor = milliseconds;
    run("n=0\rSlow\rfor i 1 10 0\r  n=n+1\r");
    counted.push_back(variable("n")->getInteger());
    dropThreads();
  }
  EXPECT_GT(counted[0], 1000);
  EXPECT_EQ(counted[1], counted[0]);
  omhost::useManualClock(omhost::clockMilliseconds());
}

// A program asked to end (a fatal error, a file it cannot do without) runs no more script,
// not even the rest of the pass in which it was asked.
TEST_F(ThreadTest, AnEndingProgramRunsNoMoreScript)
{
  const OMLinkToFct end([](OMWord) -> OMWord {
    OMProgramEnd::request(1);
    return 0;
  });
  registerScriptFunction("EndNow", &end);
  run("say before\rEndNow\rsay after\r", 2);
  EXPECT_EQ(debugLines(), (Lines{"before"}));
  OMProgramEnd::reset();
}

TEST_F(ThreadTest, AnotherThreadsPauseNeitherHoldsNorReleasesAWaitingRun)
{
  // The first thread's pause is pending while the second, yielding off, waits: the second's
  // run ends at once, and the deadline, when it passes, releases the paused thread.
  YThread* paused = load("pause 5\rsay paused-ran-on\r", "paused.mps");
  YThread* waiting = load("yield off\rsay waiting\rwait\rsay released\r", "waiting.mps");
  const std::uint32_t start = omhost::clockMilliseconds();
  passes(1);
  EXPECT_EQ(omhost::clockMilliseconds(), start);
  EXPECT_EQ(debugLines(), (Lines{"waiting"}));
  omhost::advanceClock(4500);
  passes(3);
  EXPECT_EQ(debugLines(), (Lines{"waiting", "paused-ran-on"}));
  EXPECT_TRUE(waiting->isHeld());
  EXPECT_FALSE(paused->isHeld());
}

TEST_F(ThreadTest, PauseLastsNineHundredMillisecondsATime)
{
  // Yielding: the thread stays held pass after pass until the deadline.
  load("say a\rpause 2\rsay b\rpause 0\rsay c\r");
  passes(2);
  EXPECT_EQ(debugLines(), (Lines{"a"}));
  omhost::advanceClock(1799);
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"a"}));
  omhost::advanceClock(1);
  passes(3);
  EXPECT_EQ(debugLines(), (Lines{"a", "b", "c"}));
}

TEST_F(ThreadTest, PauseWithYieldingOffHoldsTheRunUntilItsDeadline)
{
  const std::uint32_t start = omhost::clockMilliseconds();
  run("say a\rpause 1\rsay b\r");
  EXPECT_EQ(debugLines(), (Lines{"a", "b"}));
  EXPECT_EQ(omhost::clockMilliseconds() - start, 900u);
  // Without the harness's hook the run sleeps to the deadline: the one pass takes its step
  // and the pause.
  const std::uint32_t again = omhost::clockMilliseconds();
  EXPECT_TRUE(endsWithoutTheWaitHook([&] { run("say c\rpause 1\rsay d\r"); }));
  EXPECT_EQ(debugLines(), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(omhost::clockMilliseconds() - again, 10u + 900u);
}

TEST_F(ThreadTest, ScheduleFiresOnceAfterMoreThanNineTicksATime)
{
  run("schedule 2 fire\rsay set\rprocedure fire\r  say fired RECEIVER\r");
  ticks(18);
  EXPECT_EQ(debugLines(), (Lines{"set"}));
  ticks(1);
  EXPECT_EQ(debugLines(), (Lines{"set", "fired schedule"}));
  ticks(40);
  EXPECT_EQ(debugLines().size(), 2u);
}

TEST_F(ThreadTest, PassesWithinOneHundredMillisecondsDoNotTick)
{
  run("schedule 1 fire\rprocedure fire\r  say fired\r");
  for (int i = 0; i < 100; ++i) {
    omhost::advanceClock(50);
    scriptTick();
  }
  // 5000 ms in steps of 50: a tick every third pass at most (more than 100 ms).
  EXPECT_EQ(debugLines(), (Lines{"fired"}));
}

TEST_F(ThreadTest, IdleRepeatsAndItsCountCanBeRestarted)
{
  run("idle 1 tock\rprocedure tock\r  say tock\r");
  ticks(9);
  EXPECT_TRUE(debugLines().empty());
  ticks(1);
  EXPECT_EQ(debugLines().size(), 1u);
  ticks(10);
  EXPECT_EQ(debugLines().size(), 2u);
  ticks(5);
  clearThreadFlagAll();
  ticks(9);
  EXPECT_EQ(debugLines().size(), 2u);
  ticks(1);
  EXPECT_EQ(debugLines().size(), 3u);
}

TEST_F(ThreadTest, NativeFunctionsTakeTextArgumentsAndAnswerThroughResult)
{
  const OMLinkToFct add(+[](OMWord) -> OMWord {
    const int a = std::atoi(popScriptArg());
    const int b = std::atoi(popScriptArg());
    setScriptResultInt(a + b);
    return 0;
  });
  const OMLinkToFct first(+[](OMWord) -> OMWord {
    setScriptResultText("first");
    return 0;
  });
  const OMLinkToFct second(+[](OMWord) -> OMWord {
    setScriptResultText("second");
    return 0;
  });
  registerScriptFunction("Add", &add);
  registerScriptFunction("Which", &first);
  registerScriptFunction("Other", &first);
  registerScriptFunction("Which", &second);
  run("x=4\rAdd x 3\rsay RESULT\rWhich\rsay RESULT\rNotRegistered 1 2\rsay RESULT\r");
  EXPECT_EQ(debugLines(), (Lines{"7", "second", "second"}));
  // The replaced registration went to the end of the list.
  std::vector<std::string> names;
  for (const char* name = firstScriptFunction(); name; name = nextScriptFunction()) {
    names.emplace_back(name);
  }
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names.back(), "Which");
  EXPECT_EQ(std::count(names.begin(), names.end(), "Which"), 1);
}

TEST_F(ThreadTest, ObjectsAreCreatedByClassNameAndReachedBySetGetPlay)
{
  run("p=TProbe 5 6\rset p value 42\rset p value x y 7\rget p value v\rsay v\r"
      "play p start a b\rplay p\rget p name n\rsay n\r");
  EXPECT_EQ(probeLog, (Lines{"made 5 6", "set = 42", "set x y = 7", "start a b", "default"}));
  EXPECT_EQ(debugLines(), (Lines{"7", "p"}));
  ASSERT_NE(probe("p"), nullptr);
  EXPECT_EQ(probe("p")->value, "7");
}

TEST_F(ThreadTest, AssignmentClonesUnlessTheDestinationShares)
{
  const int before = scripttest::probesAlive;
  run("p=TProbe\rset p value 3\rq=p\rr=&p\rset q value 4\r");
  ASSERT_NE(probe("p"), nullptr);
  ASSERT_NE(probe("q"), nullptr);
  EXPECT_NE(probe("p"), probe("q"));
  EXPECT_EQ(probe("r"), probe("p"));
  EXPECT_EQ(probe("p")->value, "3");
  EXPECT_EQ(probe("q")->value, "4");
  EXPECT_EQ(scripttest::probesAlive, before + 2);
  // Dropping deletes the object once and clears every variable that holds it.
  run("drop p\r");
  EXPECT_EQ(scripttest::probesAlive, before + 1);
  EXPECT_EQ(probe("r"), nullptr);
  run("drop trinkets\r");
  EXPECT_EQ(scripttest::probesAlive, before);
}

TEST_F(ThreadTest, DollarNamingAnObjectAssignsItAsAVariableWould)
{
  run("c=TProbe\rb=\"c\"\rx=$b\ry=&$b\r");
  ASSERT_NE(probe("c"), nullptr);
  ASSERT_NE(probe("x"), nullptr);
  EXPECT_NE(probe("x"), probe("c"));
  EXPECT_EQ(probe("y"), probe("c"));
}

TEST_F(ThreadTest, SharersLetGoWhenTheOwnerDeletesTheObject)
{
  setScriptStepMode(1);
  run("p=TProbe\rr=&p\rset p ping onPing\rp=5\rset r value 1\rsay r\r"
      "procedure onPing\r  say ping\r");
  EXPECT_EQ(probe("r"), nullptr);
  EXPECT_EQ(debugLines(), (Lines{"r"}));
  EXPECT_EQ(eventRecordCount(), 0);
}

TEST_F(ThreadTest, GetWithoutDestinationStoresInThePropertyNamesVariable)
{
  run("p=TProbe\rset p value 42\rget p value\rsay value\r");
  EXPECT_EQ(debugText(), "42\n");
}

TEST_F(ThreadTest, FailedCreationGivesZero)
{
  TrinketRecord failing(
      "TNothing", +[]() -> std::unique_ptr<OMScriptableObject> { return nullptr; });
  run("p=TNothing\rsay p\r");
  EXPECT_EQ(debugLines(), (Lines{"0"}));
}

TEST_F(ThreadTest, ObjectArgumentsTravelAsTheirText)
{
  run("p=TProbe\rq=TProbe\rplay p start q\r");
  EXPECT_EQ(probeLog.back(), "start \xA5");
}

TEST_F(ThreadTest, PlayWithBraceWaitsForCompletion)
{
  run("p=TProbe\rplay p start 1 }\rsay done\r");
  EXPECT_EQ(probeLog.back(), "start 1");
  passes(3);
  EXPECT_TRUE(debugLines().empty());
  EXPECT_TRUE(firstScriptThread()->isWaiting());
  probe("p")->fireCompletion();
  passes(2);
  EXPECT_EQ(debugLines(), (Lines{"done"}));
}

TEST_F(ThreadTest, FailedPlayDoesNotWaitAndBraceInMethodPlaceCallsDefault)
{
  run("p=TProbe\rplay p fail }\rsay not-waiting\rplay p } ignored\rsay waited\r");
  EXPECT_EQ(debugLines(), (Lines{"not-waiting"}));
  EXPECT_EQ(probeLog.back(), "default");
  // An object that never reports completion holds the thread until all are resumed.
  passes(5);
  EXPECT_EQ(debugLines().size(), 1u);
  resumeAllThreads();
  passes(2);
  EXPECT_EQ(debugLines(), (Lines{"not-waiting", "waited"}));
}

TEST_F(ThreadTest, EventProcedureRunsInsideTheRaiseInStepMode)
{
  setScriptStepMode(1);
  run("p=TProbe\rset p value 9\rset p ping onPing\rsay main\r"
      "procedure onPing\r[\r  get RECEIVER name n\r  get RECEIVER value w\r  say pinged n w\r]\r");
  EXPECT_EQ(probe("p")->raise("ping"), 1);
  EXPECT_EQ(debugLines(), (Lines{"main", "pinged p 9"}));
  EXPECT_EQ(probe("p")->raise("ping"), 1);
  EXPECT_EQ(debugLines().size(), 3u);
  // Disconnecting removes the procedure.
  run("set p ping\r");
  EXPECT_EQ(probe("p")->raise("ping"), 0);
}

// A procedure may bear the name of the member it serves: the member's word is its name, not
// the procedure's label that the word's variable holds.
TEST_F(ThreadTest, ProceduresNamedLikeTheirMembersStillConnectAndCall)
{
  setScriptStepMode(1);
  run("p=TProbe\rset p ping ping\rset p value 4\rplay p start 1\rget p value w\r"
      "say got w\rprocedure ping\r[\r  say pinged\r]\rprocedure start\r[\r]\r"
      "procedure value\r[\r]\r");
  EXPECT_EQ(probe("p")->raise("ping"), 1);
  EXPECT_EQ(debugLines(), (Lines{"got 4", "pinged"}));
  EXPECT_EQ(probeLog.back(), "start 1");
}

TEST_F(ThreadTest, EventProcedureContinuesFromTheTickWhenYielding)
{
  load("p=TProbe\rset p ping onPing\rprocedure onPing\r[\r  say one\r  say two\r]\r");
  passes(10);
  probe("p")->raise("ping");
  EXPECT_EQ(debugLines(), (Lines{"one"}));
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"one", "two"}));
}

TEST_F(ThreadTest, EventsRaisedInsideAPlayedMethodAreNotDelivered)
{
  setScriptStepMode(1);
  run("p=TProbe\rset p ping onPing\rplay p poke\rprocedure onPing\r  say delivered\r");
  EXPECT_EQ(probe("p")->pokeRaised, 0);
  EXPECT_TRUE(debugLines().empty());
}

TEST_F(ThreadTest, SuspendedThreadRefusesMessages)
{
  setScriptStepMode(1);
  run("p=TProbe\rset p ping onPing\rsuspend\rwait\rresume\rprocedure onPing\r"
      "  say delivered\r");
  probe("p")->raise("ping");
  EXPECT_TRUE(debugLines().empty());
  firstScriptThread()->setHeld(false);
  passes(2);
  probe("p")->raise("ping");
  EXPECT_EQ(debugLines(), (Lines{"delivered"}));
}

TEST_F(ThreadTest, WaitingThreadRunsEventsAndIsHeldAgainAfterwards)
{
  setScriptStepMode(1);
  run("p=TProbe\rset p ping onPing\rset p value 0\rsay waiting\rwait\rsay released\r"
      "procedure onPing\r[\r  say ping\r  get RECEIVER value v\r  if v\r    drop wait\r]\r");
  probe("p")->raise("ping");
  passes(3);
  EXPECT_EQ(debugLines(), (Lines{"waiting", "ping"}));
  probe("p")->value = "1";
  probe("p")->raise("ping");
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"waiting", "ping", "ping", "released"}));
}

TEST_F(ThreadTest, DropIdleInsideAnEventKeepsTheProcedureReturnSound)
{
  setScriptStepMode(1);
  run("idle 1 tock\rp=TProbe\rset p ping onPing\rsay main\r"
      "procedure onPing\r[\r  drop idle\r  say dropped\r]\r"
      "procedure tock\r  say tock\r");
  probe("p")->raise("ping");
  ticks(30);
  EXPECT_EQ(debugLines(), (Lines{"main", "dropped"}));
  EXPECT_TRUE(alerts.empty()) << alerts.front();
  EXPECT_TRUE(firstScriptThread()->isRunning());
}

// However long the pause: the raising call returns after it, with the rest of the procedure
// run.
TEST_F(ThreadTest, PauseInsideAnEventHoldsTheRaisingCall)
{
  setScriptStepMode(1);
  run("p=TProbe\rset p ping onPing\rprocedure onPing\r[\r  say before\r  pause 3\r"
      "  say after\r]\r");
  std::uint32_t start = omhost::clockMilliseconds();
  probe("p")->raise("ping");
  EXPECT_EQ(debugLines(), (Lines{"before", "after"}));
  EXPECT_GE(omhost::clockMilliseconds() - start, 2700u);
  // Without the harness's hook the raising call sleeps to the deadline.
  start = omhost::clockMilliseconds();
  EXPECT_TRUE(endsWithoutTheWaitHook([&] { probe("p")->raise("ping"); }));
  EXPECT_EQ(debugLines(), (Lines{"before", "after", "before", "after"}));
  EXPECT_EQ(omhost::clockMilliseconds() - start, 2700u);
}

TEST_F(ThreadTest, ClonedObjectsGetTheirOwnMessageRecords)
{
  setScriptStepMode(1);
  run("p=TProbe\rset p ping onPing\rq=p\rprocedure onPing\r[\r  get RECEIVER name n\r"
      "  say n\r]\r");
  TProbe* clone = probe("q");
  ASSERT_NE(clone, nullptr);
  clone->raise("ping");
  probe("p")->raise("ping");
  // The clone's record names the variable it was connected through, and RECEIVER is the clone.
  EXPECT_EQ(debugLines(), (Lines{"p", "p"}));
  EXPECT_EQ(eventRecordCount(), 2);
  run("drop q\r");
  EXPECT_EQ(eventRecordCount(), 1);
}

TEST_F(ThreadTest, ClassLevelConnectionReceivesTheCurrentObject)
{
  setScriptStepMode(1);
  run("set TProbe ping onClass\rp=TProbe\rset p value 5\rq=p\r"
      "procedure onClass\r[\r  get RECEIVER value v\r  say class v\r]\r");
  // Cloning binds the copy to its class, which runs the class's procedure.
  EXPECT_EQ(debugLines(), (Lines{"class 5"}));
  // A procedure that copies again nests within the one before, to a bounded depth.
  run("n=0\rset TProbe ping again\rr=p\rsay copies n\rprocedure again\r[\r  n=n+1\r  r=p\r]\r");
  EXPECT_EQ(debugLines().back(), "copies " + std::to_string(YThread::messageNestingLimit));
  run("set TProbe ping\r");
  EXPECT_EQ(scripttest::probeRecord.classLink(), nullptr);
}

TEST_F(ThreadTest, RecordsOfAnUnloadedScriptAreNotRun)
{
  setScriptStepMode(1);
  auto* shared = new TProbe;
  shared->registerMembers();
  YThread* thread = load("yield off\rset p ping onPing\rprocedure onPing\r  say ran\r");
  scriptVariables.bindObject("p", shared);
  scriptVariables.at(scriptVariables.find("p", -1))->sharing = 1;
  passes(1);
  thread->unload();
  shared->raise("ping");  // the link outlives the records; it must do nothing
  EXPECT_TRUE(debugLines().empty());
  delete shared;
}

TEST_F(ThreadTest, RuntimeLimitsStopTheThreadWithAMessage)
{
  std::string nested;
  for (int i = 0; i < 130; ++i)
    nested += "for i" + std::to_string(i) + " 1 1\r";
  run(nested + "say deep\r");
  ASSERT_FALSE(alerts.empty());
  EXPECT_NE(alerts[0].find("loops"), std::string::npos);
  EXPECT_FALSE(firstScriptThread()->isRunning());
  alerts.clear();
  run("call again\rprocedure again\r  call again\r");
  ASSERT_FALSE(alerts.empty());
  EXPECT_NE(alerts[0].find("stack"), std::string::npos);
}

TEST_F(ThreadTest, CallOfAScriptSwitchesAndExitReturns)
{
  writeFile("b.mps", "yield off\rsay inB\rexit\r");
  load("yield off\rsay inA\rcall \"b.mps\"\rsay never\r", "a.mps");
  passes(1);
  EXPECT_EQ(firstScriptThread()->name(), "b.mps");
  ASSERT_EQ(scriptStack().size(), 1u);
  EXPECT_EQ(scriptStack()[0].name, "a.mps");
  passes(1);
  EXPECT_EQ(firstScriptThread()->name(), "a.mps");
  EXPECT_TRUE(scriptStack().empty());
  EXPECT_EQ(debugLines(), (Lines{"inA", "inB"}));
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"inA", "inB", "inA"}));
}

TEST_F(ThreadTest, NativeCodeSwitchesScriptsAfterTheWalk)
{
  writeFile("b.mps", "yield off\rsay inB\r");
  const OMLinkToFct toB(+[](OMWord) -> OMWord {
    firstScriptThread()->switchScript("b.mps");
    return 0;
  });
  registerScriptFunction("GoToB", &toB);
  setScriptStepMode(1);
  load(
      "yield off\rp=TProbe\rset p ping onPing\rGoToB\rsay never\r"
      "procedure onPing\r  say ping\r",
      "a.mps");
  YThread* thread = firstScriptThread();
  // The pending switch ends the thread's run; it is made after the walk.
  passes(1);
  EXPECT_TRUE(debugLines().empty());
  ASSERT_EQ(scriptStack().size(), 1u);
  EXPECT_EQ(scriptStack()[0].name, "a.mps");
  EXPECT_EQ(thread->name(), "b.mps");
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"inB"}));
}

TEST_F(ThreadTest, EventsAreNotRunWhileASwitchIsPending)
{
  setScriptStepMode(1);
  writeFile("b.mps", "yield off\r");
  run("p=TProbe\rset p ping onPing\rprocedure onPing\r  say ping\r");
  TProbe* probeBefore = probe("p");
  firstScriptThread()->requestScript("b.mps");
  probeBefore->raise("ping");
  EXPECT_TRUE(debugLines().empty());
}

TEST_F(ThreadTest, RelayDoesNotPushAndExitWithEmptyStackUnloads)
{
  writeFile("c.mps", "yield off\rsay inC\rexit\r");
  YThread* thread = load("yield off\rnext=\"c.mps\"\rrelay next\r", "a.mps");
  passes(1);
  EXPECT_TRUE(scriptStack().empty());
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"inC"}));
  EXPECT_FALSE(thread->isLoaded());
}

TEST_F(ThreadTest, QuitAsksTheApplication)
{
  static int quits = 0;
  quits = 0;
  setScriptQuitHandler(+[]() { ++quits; });
  YThread* thread = run("quit\r");
  EXPECT_EQ(quits, 1);
  EXPECT_FALSE(thread->isLoaded());
}

TEST_F(ThreadTest, ScriptStackIsSavedAndReadBack)
{
  pushScriptStack("first.mps");
  pushScriptStack("two words.mps");
  std::FILE* file = std::fopen("stack.txt", "w");
  writeScriptStack(file);
  std::fclose(file);
  clearScriptStack();
  file = std::fopen("stack.txt", "r");
  readScriptStack(file);
  std::fclose(file);
  ASSERT_EQ(scriptStack().size(), 3u);
  EXPECT_EQ(scriptStack()[0].name, "first.mps");
  EXPECT_EQ(scriptStack()[1].name, "two");
  EXPECT_EQ(scriptStack()[2].name, "words.mps");
  run("drop script stack\r");
  EXPECT_TRUE(scriptStack().empty());
}

TEST_F(ThreadTest, TwoThreadsShareVariables)
{
  load("yield off\rshared=from-first\r", "one.mps");
  load("yield off\rsay shared\r", "two.mps");
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"from-first"}));
}

TEST_F(ThreadTest, DropTopicsClearInstancesAndNamedVariables)
{
  run("item=[a b c\ritem.1.5=keep\rdrop [ item\rsay item.1 item.3 item.1.5\r"
      "v=1\rwhich=\"v\"\rdrop var which\rsay v\r");
  EXPECT_EQ(debugLines(), (Lines{"item.1 item.3 keep", "v"}));
}

TEST_F(ThreadTest, ActionsReachObjectsThroughScriptVariables)
{
  run("p=TProbe\rq=RQueue\rplay q add VerbAction 'p' 1 start hello\rplay q start\r");
  EXPECT_EQ(probeLog.back(), "start hello");
  // Names are quoted: an object variable would travel as its text. Once the variable is
  // assigned again, the action no longer drives what it held.
  run("play q halt\rq2=RQueue\rplay q2 add VerbAction 'p' 1 start again\rp=TProbe\r"
      "play q2 start\r");
  EXPECT_EQ(probeLog.back(), "made");
}

// An assignment from a variable that holds an action gives the other name a copy: the same
// steps, idle, with its own connected procedure. Either name plays, and drops, its own.
TEST_F(ThreadTest, AnAssignedActionIsACopyThatEachNamePlaysAndDrops)
{
  const std::string steps =
      "p=TProbe\r"
      "q=RQueue\r"
      "play q add VerbAction 'p' 1 start one\r"
      "play q add DelayAction 150\r"
      "play q add VerbAction 'p' 1 start two\r";
  const std::string connected = steps + "set q finished onDone\r";
  const std::string done = "procedure onDone\r  say done\r";
  const struct {
    const char* what;
    std::string script;
    Lines said;
    Lines probed;
  } cases[] = {
      {"the copy plays after the original is dropped",
       connected + "r=q\rdrop q\rget r actionCount n\rsay n\rplay r start\rwait\r" + done,
       {"3", "done"},
       {"made", "start one", "start two"}},
      {"the original plays after the copy is dropped",
       connected + "r=q\rdrop r\rget q actionCount n\rsay n\rplay q start\rwait\r" + done,
       {"3", "done"},
       {"made", "start one", "start two"}},
      {"both play, each to its own end",
       connected + "r=q\rplay q start\rplay r start\rwait\r" + done,
       {"done", "done"},
       {"made", "start one", "start one", "start two", "start two"}},
      {"a copy of a running queue is idle",
       connected + "play q start\rr=q\rget q isActive a\rget r isActive b\rsay a b\rwait\r" + done,
       {"1 0", "done"},
       {"made", "start one", "start two"}},
      {"a copy of a copy plays when the first two are dropped",
       steps + "r=q\rs=r\rdrop q\rdrop r\rplay s start\r",
       {},
       {"made", "start one", "start two"}},
      {"composite and random actions",
       "p=TProbe\rc=RCompositeAction\rplay c add VerbAction 'p' 1 start one\r"
       "play c add VerbAction 'p' 1 start two\rd=c\rdrop c\rplay d start\r"
       "x=RRandomAction 1\rplay x add VerbAction 'p' 1 start three\ry=x\rdrop x\r"
       "get y useAllBeforeRepeat u\rsay u\rplay y start\r",
       {"1"},
       {"made", "start one", "start two", "start three"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    probeLog.clear();
    run(c.script);
    ticks(4);
    EXPECT_EQ(debugLines(), c.said);
    EXPECT_EQ(probeLog, c.probed);
    EXPECT_TRUE(alerts.empty());
    threads_.clear();
    scriptVariables.clear();
    clearEventRecords();
    std::remove("debug.txt");
  }
}

std::vector<std::string> hookCalls;

OMWord noteHook(OMWord which)
{
  hookCalls.emplace_back(reinterpret_cast<const char*>(which));
  return 0;
}

TEST_F(ThreadTest, HooksAreCalledAtStartYieldStepAndEnd)
{
  hookCalls.clear();
  YThread* thread = load("say a\ryield on\rwait\r");
  const OMLinkToFct started(&noteHook, reinterpret_cast<OMWord>("started"));
  const OMLinkToFct yielded(&noteHook, reinterpret_cast<OMWord>("yield"));
  const OMLinkToFct stepped(&noteHook, reinterpret_cast<OMWord>("step"));
  const OMLinkToFct ended(&noteHook, reinterpret_cast<OMWord>("ended"));
  thread->setStartedHook(&started);
  thread->setYieldHook(&yielded);
  thread->setStepHook(&stepped);
  thread->setEndedHook(&ended);
  thread->start();
  passes(5);
  // The step hook runs when the thread parks: here at "wait".
  EXPECT_EQ(hookCalls, (Lines{"started", "yield", "step"}));
  thread->unload();
  EXPECT_EQ(hookCalls.back(), "ended");
  EXPECT_FALSE(thread->isLoaded());
}

TEST_F(ThreadTest, ParkedThreadCallsTheStepHookOncePerParking)
{
  hookCalls.clear();
  YThread* thread = load("say a\r");
  const OMLinkToFct stepped(&noteHook, reinterpret_cast<OMWord>("step"));
  thread->setStepHook(&stepped);
  passes(10);
  EXPECT_EQ(hookCalls, (Lines{"step"}));
  EXPECT_EQ(thread->pc(), 1);  // parked on the closing entry
}

TEST_F(ThreadTest, ThreadReadsItsScriptFromAStream)
{
  std::istringstream source("yield off\nsay from-stream\n");
  threads_.push_back(std::make_unique<YThread>(source));
  threads_.back()->start();
  passes(1);
  EXPECT_EQ(debugLines(), (Lines{"from-stream"}));
}

TEST_F(ThreadTest, DebugWalksListProceduresVariablesAndInstances)
{
  run("a=1\rb=text\rlist=[x y\rprocedure first\r  say x\rprocedure second\r  say y\r");
  Lines procedures;
  for (const char* name = scriptVariables.firstProcedureName(); name;
       name = scriptVariables.nextProcedureName()) {
    procedures.emplace_back(name);
  }
  EXPECT_EQ(procedures, (Lines{"first", "second"}));
  Lines integers;
  for (const char* name = scriptVariables.firstVariableName(YVariable::typeInteger); name;
       name = scriptVariables.nextVariableName()) {
    integers.emplace_back(name);
  }
  EXPECT_EQ(integers, (Lines{"a"}));
  const char* instance = scriptVariables.firstInstance(scriptVariables.find("list", -1));
  ASSERT_NE(instance, nullptr);
  EXPECT_STREQ(instance, "list.1");
  EXPECT_STREQ(scriptVariables.nextInstance(), "list.2");
  EXPECT_STREQ(scriptVariables.getTextByName("b"), "text");
}

TEST_F(ThreadTest, TheFirstThreadAddsTheTickTaskAndTheLastRemovesIt)
{
  load("say from-task\r");
  EXPECT_EQ(OMApp::instance()->taskList().count(), 1);
  omtest::runPasses(1);
  EXPECT_EQ(debugLines(), (Lines{"from-task"}));
  dropThreads();
  EXPECT_EQ(OMApp::instance()->taskList().count(), 0);
  omtest::runPasses(1);  // no task left to run a deleted thread
  EXPECT_EQ(debugLines().size(), 1u);
}

TEST_F(ThreadTest, DeletingTheLastThreadClearsTheTable)
{
  run("x=1\r");
  EXPECT_GT(scriptVariables.count(), 3);
  dropThreads();
  EXPECT_FALSE(scriptVariables.isInitialised());
  EXPECT_EQ(scriptVariables.count(), 0);
}

}  // namespace
