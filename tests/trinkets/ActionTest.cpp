#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "tests/trinkets/ActionTestSupport.h"
#include "trinkets/src/ActionCreateRecord.h"
#include "trinkets/src/DelayAction.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/RCompositeAction.h"
#include "trinkets/src/RQueue.h"
#include "trinkets/src/RRandomAction.h"
#include "trinkets/src/RandomDelayAction.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

using Log = std::vector<std::string>;

class ActionTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    eventLog().clear();
    app_ = std::make_unique<omtest::TestApp>(3, 0);
  }
  void TearDown() override { app_.reset(); }

  std::unique_ptr<omtest::TestApp> app_;
};

TEST(ActionRegistries, EveryClassOfTheActionFamilyIsRegistered)
{
  std::vector<std::string> classes;
  trinketRecords()->firstThat([&](TrinketRecord* record) {
    classes.push_back(record->className());
    return false;
  });
  for (const char* name : {"RCompositeAction", "RQueue", "RRandomAction"}) {
    EXPECT_NE(std::find(classes.begin(), classes.end(), name), classes.end()) << name;
  }
  std::vector<std::string> actions;
  forEachActionClass([&](const char* name) { actions.emplace_back(name); });
  for (const char* name :
       {"DelayAction", "RandomDelayAction", "EmptyAction", "VerbAction", "PropertyAction"}) {
    EXPECT_NE(std::find(actions.begin(), actions.end(), name), actions.end()) << name;
  }
  // Action names are exact.
  clearScriptArgs();
  pushScriptArg("5");
  rewindScriptArgs();
  EXPECT_EQ(createAction("emptyaction", 1), nullptr);
  EXPECT_EQ(createAction("", 1), nullptr);
  EXPECT_NE(createAction("EmptyAction", 1), nullptr);
}

TEST_F(ActionTest, FinishCallsTheCallbackThenRaisesFinished)
{
  ProbeAction action("A");
  OMLinkToFct callback(
      [](OMWord) -> OMWord {
        eventLog().push_back("callback");
        return 1;
      },
      0);
  action.setFinishedCallback(&callback);
  action.start();
  EXPECT_EQ(action.isActive(), 1);
  action.finish();
  EXPECT_EQ(action.isActive(), 0);
  EXPECT_EQ(eventLog(), (Log{"start A", "callback", "finished A"}));
}

ProbeAction* doomed = nullptr;
ProbeAction* other = nullptr;
OMWord destroyDoomed(OMWord)
{
  delete doomed;
  doomed = nullptr;
  return 1;
}
OMWord finishOther(OMWord)
{
  other->finish();
  return 1;
}

TEST_F(ActionTest, ActionDestroyedInItsCallbackRaisesNoFinished)
{
  doomed = new ProbeAction("D");
  OMLinkToFct callback(&destroyDoomed);
  doomed->setFinishedCallback(&callback);
  doomed->finish();
  EXPECT_EQ(doomed, nullptr);
  EXPECT_EQ(eventLog(), Log{});

  // Another action that finishes inside a callback raises its own event normally.
  ProbeAction outer("O");
  ProbeAction inner("I");
  other = &inner;
  OMLinkToFct chain(&finishOther);
  outer.setFinishedCallback(&chain);
  outer.finish();
  EXPECT_EQ(eventLog(), (Log{"finished I", "finished O"}));
}

// One place for two actions in turn, so that the second has the address of the first.
alignas(ProbeAction) unsigned char sharedPlace[sizeof(ProbeAction)];
ProbeAction* successor = nullptr;
OMWord replaceDoomed(OMWord)
{
  doomed->~ProbeAction();
  doomed = nullptr;
  successor = new (sharedPlace) ProbeAction("N");
  successor->finish();
  return 1;
}

TEST_F(ActionTest, ActionMadeWhereADestroyedOneWasRaisesItsFinished)
{
  ProbeAction outer("O");
  doomed = new (sharedPlace) ProbeAction("D");
  OMLinkToFct callback(&replaceDoomed);
  outer.setFinishedCallback(&callback);
  outer.finish();
  successor->~ProbeAction();
  EXPECT_EQ(eventLog(), (Log{"finished N", "finished O"}));
}

TEST_F(ActionTest, ScriptMembersDriveTheAction)
{
  ProbeAction action("S", 0);
  EXPECT_STREQ(action.getProperty("isInterruptible"), "0");
  EXPECT_EQ(action.setProperty("isInterruptible", "1"), 0);
  for (const char* method : {"start", "pause", "resume", "halt"})
    EXPECT_EQ(action.callMethod(method, scriptArgTerminator), 1);
  EXPECT_EQ(eventLog(), (Log{"start S", "pause S", "resume S", "halt S"}));
  // An action class without a copy of its own, as this probe, gives none.
  EXPECT_EQ(action.clone(), nullptr);
}

TEST_F(ActionTest, DelayPausedAt400Of1000FinishesSixHundredAfterResume)
{
  auto action = std::unique_ptr<Action>(new DelayAction(1000, 1));
  action->registerMembers();
  OMLinkToFct handler(&logFinished, reinterpret_cast<OMWord>("delay"));
  action->connect("finished", &handler, nullptr);

  action->start();
  passAt(399);
  passAt(400);
  action->pause();
  passAt(5000);
  passAt(9000);
  EXPECT_EQ(eventLog(), Log{});
  EXPECT_EQ(action->isActive(), 1);
  action->resume();
  passAt(9599);
  EXPECT_EQ(eventLog(), Log{});
  passAt(9600);
  EXPECT_EQ(eventLog(), Log{"finished delay"});
  EXPECT_EQ(action->isActive(), 0);
  passAt(20000);
  EXPECT_EQ(eventLog(), Log{"finished delay"});
}

TEST_F(ActionTest, DelayFinishesOnTheFirstPassAfterItsTimeAndHaltStopsIt)
{
  DelayAction action(250, 1);
  action.registerMembers();
  OMLinkToFct handler(&logFinished, reinterpret_cast<OMWord>("delay"));
  action.connect("finished", &handler, nullptr);
  action.start();
  passAt(249);
  EXPECT_EQ(eventLog(), Log{});
  passAt(400);  // a late pass: the action ends there
  EXPECT_EQ(eventLog(), Log{"finished delay"});

  action.start();
  passAt(500);
  action.halt();
  EXPECT_EQ(action.isActive(), 0);
  passAt(5000);
  EXPECT_EQ(eventLog(), Log{"finished delay"});

  // Pause and resume do nothing while no wait runs; a second start waits afresh.
  action.pause();
  action.resume();
  action.start();
  passAt(5100);
  action.start();
  passAt(5300);
  EXPECT_EQ(eventLog(), Log{"finished delay"});
  passAt(5350);
  EXPECT_EQ(eventLog(), (Log{"finished delay", "finished delay"}));
}

TEST_F(ActionTest, DelayFactoryReadsDelayAndInterruptible)
{
  auto make = [](std::vector<const char*> words, int interruptible) {
    clearScriptArgs();
    for (const char* word : words)
      pushScriptArg(word);
    rewindScriptArgs();
    return createAction("DelayAction", interruptible);
  };
  EXPECT_EQ(make({}, 1), nullptr);
  EXPECT_EQ(make({"", ""}, 1), nullptr);
  auto defaulted = make({"700"}, 0);
  ASSERT_NE(defaulted, nullptr);
  EXPECT_EQ(static_cast<DelayAction*>(defaulted.get())->delay(), 700);
  EXPECT_EQ(defaulted->isInterruptible(), 0);
  auto flagged = make({"", "1"}, 0);
  ASSERT_NE(flagged, nullptr);
  EXPECT_EQ(static_cast<DelayAction*>(flagged.get())->delay(), 0);
  EXPECT_EQ(flagged->isInterruptible(), 1);
}

TEST_F(ActionTest, RandomDelayWaitsFromMinimumUpToMaximum)
{
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::srand(seed);
    RandomDelayAction action(100, 300, 1);
    action.start();
    ASSERT_GE(action.remaining(), 100);
    ASSERT_LT(action.remaining(), 300);
    action.halt();
  }
  RandomDelayAction fixed(250, 250, 1);
  fixed.start();
  EXPECT_EQ(fixed.remaining(), 250);
  fixed.halt();

  clearScriptArgs();
  pushScriptArg("100");
  rewindScriptArgs();
  EXPECT_EQ(createAction("RandomDelayAction", 1), nullptr);  // no maximum, no flag
  clearScriptArgs();
  pushScriptArg("100");
  pushScriptArg("300");
  rewindScriptArgs();
  auto made = createAction("RandomDelayAction", 0);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(static_cast<RandomDelayAction*>(made.get())->maximum(), 300);
  EXPECT_EQ(made->isInterruptible(), 0);
}

}  // namespace
