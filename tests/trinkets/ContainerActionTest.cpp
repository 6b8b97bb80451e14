#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/OMLinkToObj.h"
#include "tests/trinkets/ActionTestSupport.h"
#include "trinkets/src/DelayAction.h"
#include "trinkets/src/EmptyAction.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/RCompositeAction.h"
#include "trinkets/src/RQueue.h"
#include "trinkets/src/RRandomAction.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

using Log = std::vector<std::string>;

class ContainerTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    eventLog().clear();
    app_ = std::make_unique<omtest::TestApp>(3, 0);
  }
  void TearDown() override { app_.reset(); }

  std::unique_ptr<omtest::TestApp> app_;

  // Probes owned by the test and borrowed by the container under test.
  ProbeAction* probe(const char* name, int interruptible = 1, bool finishAtOnce = false)
  {
    probes_.push_back(std::make_unique<ProbeAction>(name, interruptible, finishAtOnce));
    return probes_.back().get();
  }
  template <typename Container>
  void watch(Container& container, const char* name)
  {
    container.registerMembers();
    OMLinkToFct handler(&logFinished, reinterpret_cast<OMWord>(name));
    container.connect("finished", &handler, nullptr);
  }

  std::vector<std::unique_ptr<ProbeAction>> probes_;
};

TEST_F(ContainerTest, EmptyContainersFinishAsSoonAsTheyStart)
{
  RCompositeAction composite(1);
  RQueue queue(1, 1);
  RRandomAction random(0, 1);
  watch(composite, "composite");
  watch(queue, "queue");
  watch(random, "random");
  composite.start();
  queue.start();
  random.start();
  EXPECT_EQ(eventLog(), (Log{"finished composite", "finished queue", "finished random"}));
  EXPECT_EQ(composite.isActive() + queue.isActive() + random.isActive(), 0);
}

TEST_F(ContainerTest, CompositeStartsAllAndFinishesAfterTheLast)
{
  RCompositeAction composite(1);
  watch(composite, "C");
  ProbeAction* a = probe("A");
  ProbeAction* b = probe("B");
  composite.addAction(a);
  composite.addAction(b);
  composite.start();
  composite.start();  // ignored while active
  EXPECT_EQ(eventLog(), (Log{"start A", "start B"}));
  b->finish();
  EXPECT_EQ(composite.isActive(), 1);
  a->finish();
  EXPECT_EQ(eventLog(), (Log{"start A", "start B", "finished B", "finished C", "finished A"}));
  EXPECT_EQ(composite.isActive(), 0);

  eventLog().clear();
  composite.start();
  composite.pause();
  composite.resume();
  EXPECT_EQ(eventLog(), (Log{"start A", "start B", "pause A", "pause B", "resume A", "resume B"}));
}

TEST_F(ContainerTest, HaltingACompositeOfInterruptibleChildrenRaisesNoFinished)
{
  RCompositeAction composite(1);
  watch(composite, "C");
  composite.addAction(probe("A"));
  composite.addAction(probe("B"));
  composite.start();
  composite.halt();
  EXPECT_EQ(composite.isActive(), 0);
  EXPECT_EQ(eventLog(), (Log{"start A", "start B", "halt A", "halt B"}));
}

TEST_F(ContainerTest, HaltedCompositeWithAStubbornChildFinishesWithIt)
{
  RCompositeAction composite(1);
  watch(composite, "C");
  ProbeAction* stubborn = probe("S", 0);
  composite.addAction(probe("A"));
  composite.addAction(stubborn);
  EXPECT_EQ(composite.isInterruptible(), 0);
  composite.start();
  composite.halt();
  EXPECT_EQ(composite.isActive(), 1);
  stubborn->finish();
  EXPECT_EQ(eventLog(), (Log{"start A", "start S", "halt A", "finished C", "finished S"}));
}

TEST_F(ContainerTest, HaltAfterOneChildFinishedStillEndsTheComposite)
{
  RCompositeAction composite(1);
  ProbeAction* a = probe("A");
  composite.addAction(a);
  composite.addAction(probe("B"));
  composite.start();
  a->finish();
  eventLog().clear();
  composite.halt();
  // Every interruptible child is halted, the finished one too (a verb action calls its
  // method again); the finished child is not counted twice, and the halted one completes
  // the count.
  EXPECT_EQ(eventLog(), (Log{"halt A", "halt B"}));
  EXPECT_EQ(composite.isActive(), 0);
  EXPECT_EQ(composite.finishedCount(), 2);
}

TEST_F(ContainerTest, QueueRunsChildrenInOrderForItsRounds)
{
  RQueue queue(2, 1);
  watch(queue, "Q");
  ProbeAction* a = probe("A");
  ProbeAction* b = probe("B");
  queue.addAction(a);
  queue.addAction(b);
  queue.start();
  a->finish();
  b->finish();
  a->finish();
  b->finish();
  EXPECT_EQ(eventLog(), (Log{"start A", "start B", "finished A", "start A", "finished B", "start B",
                             "finished A", "finished Q", "finished B"}));
  EXPECT_EQ(queue.isActive(), 0);
  EXPECT_EQ(queue.currentChild(), nullptr);
}

TEST_F(ContainerTest, QueueRepeatCountZeroRunsOnceAndPauseGoesToTheCurrentChild)
{
  RQueue queue(0, 1);
  EXPECT_EQ(queue.repeatCount(), 1);
  ProbeAction* a = probe("A");
  queue.addAction(a);
  queue.addAction(probe("B"));
  queue.start();
  queue.pause();
  queue.resume();
  a->finish();
  EXPECT_EQ(eventLog(), (Log{"start A", "pause A", "resume A", "start B", "finished A"}));
  queue.registerMembers();
  EXPECT_EQ(queue.setProperty("repeatCount", "0"), 1);
  EXPECT_STREQ(queue.getProperty("repeatCount"), "1");
  EXPECT_EQ(queue.setProperty("repeatCount", "-1"), 1);
  EXPECT_STREQ(queue.getProperty("repeatCount"), "-1");
}

TEST_F(ContainerTest, QueueHaltSkipsInterruptibleChildrenAndGoesOnAtAStubbornOne)
{
  RQueue queue(1, 1);
  watch(queue, "Q");
  queue.addAction(probe("A"));
  queue.addAction(probe("B"));
  ProbeAction* stubborn = probe("S", 0);
  queue.addAction(stubborn);
  queue.addAction(probe("D"));
  queue.start();
  queue.halt();
  EXPECT_EQ(queue.currentChild(), stubborn);
  EXPECT_EQ(queue.isActive(), 1);
  queue.halt();  // the current child does not give way
  stubborn->finish();
  EXPECT_EQ(eventLog(), (Log{"start A", "halt A", "halt B", "start S", "start D", "finished S"}));
  queue.halt();
  EXPECT_EQ(queue.isActive(), 0);
  EXPECT_EQ(eventLog().back(), "halt D");
}

TEST_F(ContainerTest, QueueClearRemovesChildrenOnlyWhenNoneIsLeftRunning)
{
  RQueue queue(1, 1);
  ProbeAction* stubborn = probe("S", 0);
  queue.addAction(stubborn);
  queue.addAction(probe("A"));
  queue.start();
  queue.clear();
  EXPECT_EQ(queue.childCount(), 2);
  stubborn->finish();
  queue.clear();
  EXPECT_EQ(queue.childCount(), 0);
  EXPECT_EQ(queue.isActive(), 0);
  // Borrowed children survive the clear and no longer report to the queue.
  EXPECT_EQ(stubborn->finishedCallback(), nullptr);
}

// Rounds that end as they begin, repeated: the start runs one round and returns, and each
// later pass of the main loop runs one more, with the events of a round in their order, so
// that the caller goes on and the program keeps answering. Halting ends the rounds.
TEST_F(ContainerTest, RoundsThatEndAsTheyBeginGoOnAtLaterPasses)
{
  struct Case {
    const char* name;
    std::function<void(RQueue&)> fill;
    Log round;
  };
  RCompositeAction composite(1);
  RRandomAction random(0, 1);
  watch(composite, "C");
  watch(random, "R");
  const Case cases[] = {
      {"actions",
       [&](RQueue& q) {
         q.addAction(probe("A", 1, true));
         q.addAction(probe("B", 1, true));
       },
       {"start A", "finished A", "start B", "finished B"}},
      {"composite",
       [&](RQueue& q) {
         composite.addAction(probe("A", 1, true));
         composite.addAction(probe("B", 1, true));
         q.addAction(&composite);
       },
       {"start A", "finished A", "start B", "finished C", "finished B"}},
      {"random",
       [&](RQueue& q) {
         random.addAction(probe("A", 1, true));
         q.addAction(&random);
       },
       {"start A", "finished R", "finished A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RQueue queue(-1, 1);
    watch(queue, "Q");
    c.fill(queue);
    eventLog().clear();
    queue.start();
    EXPECT_EQ(eventLog(), c.round);
    for (int pass = 1; pass <= 3; ++pass) {
      eventLog().clear();
      passAt(10000 + 10 * pass);
      EXPECT_EQ(eventLog(), c.round) << pass;
      EXPECT_EQ(queue.rounds(), pass + 1);  // counted as each round comes
    }
    queue.halt();
    EXPECT_EQ(queue.isActive(), 0);
    eventLog().clear();
    passAt(10100);
    EXPECT_EQ(eventLog(), Log{});
  }
}

// A queue of a few such rounds ends at the pass of its last one; a round in which a child
// waited goes on as soon as that child finishes, within its finish.
TEST_F(ContainerTest, OnlyRoundsThatEndAsTheyBeginWaitForAPass)
{
  RQueue counted(3, 1);
  watch(counted, "Q");
  counted.addAction(probe("A", 1, true));
  counted.start();
  passAt(10010);
  EXPECT_EQ(counted.isActive(), 1);
  passAt(10020);
  EXPECT_EQ(counted.isActive(), 0);
  EXPECT_EQ(eventLog(), (Log{"start A", "finished A", "start A", "finished A", "start A",
                             "finished A", "finished Q"}));

  eventLog().clear();
  RQueue waiting(-1, 1);
  waiting.addAction(probe("I", 1, true));
  ProbeAction* later = probe("L");
  waiting.addAction(later);
  waiting.start();
  later->finish();
  EXPECT_EQ(eventLog(), (Log{"start I", "finished I", "start L", "start I", "finished I", "start L",
                             "finished L"}));
  waiting.halt();
}

// A queue dropped by what its child does when it starts, at the start or at the pass of a
// later round, is left at once (the sanitizers watch the freed queue).
TEST_F(ContainerTest, AQueueDroppedWhileItsChildStartsIsLeftAtOnce)
{
  for (int droppedAtStart : {1, 3}) {
    SCOPED_TRACE(droppedAtStart);
    auto queue = std::make_unique<RQueue>(-1, 1);
    ProbeAction* a = probe("A", 1, true);
    queue->addAction(a);
    int starts = 0;
    a->onStart = [&] {
      if (++starts == droppedAtStart) queue.reset();
    };
    queue->start();
    for (int pass = 1; pass <= 3; ++pass)
      passAt(10000 + 10 * pass);
    EXPECT_EQ(queue, nullptr);
    EXPECT_EQ(starts, droppedAtStart);
  }
}

TEST_F(ContainerTest, EmptyActionInAQueueLetsItMoveOn)
{
  EmptyAction empty(1);  // borrowed children outlive their container
  RQueue queue(1, 1);
  watch(queue, "Q");
  queue.addAction(&empty);
  ProbeAction* a = probe("A");
  queue.addAction(a);
  queue.start();
  EXPECT_EQ(eventLog(), Log{"start A"});
  a->finish();
  EXPECT_EQ(eventLog(), (Log{"start A", "finished Q", "finished A"}));
}

TEST_F(ContainerTest, QueueOfDelaysRunsOnTheClock)
{
  DelayAction first(100, 1);
  DelayAction second(300, 1);
  RQueue queue(1, 1);
  watch(queue, "Q");
  queue.addAction(&first);
  queue.addAction(&second);
  queue.start();
  passAt(100);
  EXPECT_EQ(second.isActive(), 1);
  passAt(399);
  EXPECT_EQ(eventLog(), Log{});
  passAt(400);
  EXPECT_EQ(eventLog(), Log{"finished Q"});
}

// A container's copy has its settings and copies of the children it owns, and starts idle;
// a child lent by native code stays with the original.
TEST_F(ContainerTest, ACopyHasTheSettingsAndCopiesOfTheOwnedChildren)
{
  RQueue queue(2, 1);
  queue.registerMembers();
  queue.addAction(probe("lent"));
  queue.callMethod("add", "DelayAction", "100", scriptArgTerminator);
  queue.start();
  std::unique_ptr<OMScriptableObject> made = queue.clone();
  auto* copy = dynamic_cast<RQueue*>(made.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->childCount(), 1);
  EXPECT_NE(copy->children().first(), queue.children().last());
  EXPECT_EQ(copy->repeatCount(), 2);
  EXPECT_EQ(copy->isActive(), 0);
  OMLinkToFct handler(&logFinished, reinterpret_cast<OMWord>("copy"));
  copy->connect("finished", &handler, nullptr);
  copy->start();
  passAt(100);
  EXPECT_EQ(copy->rounds(), 1);
  passAt(200);
  EXPECT_EQ(eventLog(), (Log{"start lent", "finished copy"}));
  EXPECT_EQ(queue.isActive(), 1);

  RRandomAction random(1, 1);
  random.registerMembers();
  for (int i = 0; i < 3; ++i)
    random.callMethod("add", "EmptyAction", scriptArgTerminator);
  random.start();
  made = random.clone();
  auto* other = dynamic_cast<RRandomAction*>(made.get());
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->useAllBeforeRepeat(), 1);
  EXPECT_EQ(other->poolCount(), 3);
  EXPECT_EQ(random.poolCount(), 2);
}

TEST_F(ContainerTest, RandomActionWithUseAllRunsEveryChildOncePerCycle)
{
  for (unsigned seed : {1u, 7u, 42u, 1234u}) {
    std::srand(seed);
    eventLog().clear();
    probes_.clear();
    RRandomAction random(1, 1);
    for (const char* name : {"A", "B", "C"})
      random.addAction(probe(name));
    std::multiset<std::string> started;
    for (int cycle = 0; cycle < 2; ++cycle) {
      std::set<std::string> inCycle;
      for (int run = 0; run < 3; ++run) {
        random.start();
        ASSERT_NE(random.currentChild(), nullptr);
        inCycle.insert(eventLog().back());
        random.currentChild()->finish();
        EXPECT_EQ(random.isActive(), 0);
      }
      EXPECT_EQ(inCycle, (std::set<std::string>{"start A", "start B", "start C"}));
    }
  }
}

TEST_F(ContainerTest, RandomActionWithoutUseAllDrawsFromAllChildrenEachTime)
{
  std::srand(3);
  RRandomAction random(0, 1);
  random.addAction(probe("A"));
  random.addAction(probe("B"));
  std::set<std::string> seen;
  for (int run = 0; run < 50; ++run) {
    random.start();
    seen.insert(eventLog().back());
    EXPECT_EQ(random.poolCount(), 2);
    random.currentChild()->finish();
  }
  EXPECT_EQ(seen.size(), 2u);

  // Halting: only an interruptible current child is halted.
  random.start();
  random.halt();
  EXPECT_EQ(random.isActive(), 0);
  EXPECT_EQ(random.currentChild(), nullptr);
}

TEST_F(ContainerTest, RemovingARunningChildCountsAsItsFinish)
{
  RRandomAction random(0, 1);
  watch(random, "R");
  ProbeAction* a = probe("A");
  random.addAction(a);
  random.start();
  random.removeAction(a);
  EXPECT_EQ(eventLog(), (Log{"start A", "finished R"}));
  EXPECT_EQ(random.poolCount(), 0);
  EXPECT_EQ(random.childCount(), 0);
}

// Removing every child must leave no container holding on to one: owned children are
// deleted, borrowed ones no longer belong to it.
TEST_F(ContainerTest, RemoveAllLeavesNoChildBehindInPoolOrCursor)
{
  RRandomAction random(1, 1);
  random.registerMembers();
  random.callMethod("add", "EmptyAction", scriptArgTerminator);
  random.addAction(probe("A"));
  random.removeAll();
  EXPECT_EQ(random.poolCount(), 0);
  watch(random, "R");
  random.start();
  EXPECT_EQ(eventLog(), Log{"finished R"});

  RQueue queue(1, 1);
  queue.addAction(probe("B"));
  queue.start();
  queue.removeAll();
  EXPECT_EQ(queue.currentChild(), nullptr);
}

TEST_F(ContainerTest, FactoriesReadTheirArguments)
{
  auto queue = createTrinketByName("rqueue", "3", "0", scriptArgTerminator);
  ASSERT_NE(queue, nullptr);
  EXPECT_STREQ(queue->getProperty("repeatCount"), "3");
  EXPECT_EQ(static_cast<RQueue*>(queue.get())->isInterruptible(), 1);  // no children
  auto defaults = createTrinketByName("RQueue", "", scriptArgTerminator);
  EXPECT_STREQ(defaults->getProperty("repeatCount"), "1");
  auto zero = createTrinketByName("RQueue", "0", scriptArgTerminator);
  EXPECT_STREQ(zero->getProperty("repeatCount"), "1");

  // Without the first argument both take their defaults: a flag behind an empty first
  // argument is not read. A child added by name takes the container's flag.
  const auto interruptibleOfAddedChild = [](OMScriptableObject* container) {
    container->callMethod("add", "EmptyAction", scriptArgTerminator);
    return std::string(container->getProperty("isInterruptible"));
  };
  auto noCount = createTrinketByName("RQueue", "", "0", scriptArgTerminator);
  EXPECT_STREQ(noCount->getProperty("repeatCount"), "1");
  EXPECT_EQ(interruptibleOfAddedChild(noCount.get()), "1");
  auto countAndFlag = createTrinketByName("RQueue", "2", "0", scriptArgTerminator);
  EXPECT_EQ(interruptibleOfAddedChild(countAndFlag.get()), "0");
  auto noUseAll = createTrinketByName("RRandomAction", "", "0", scriptArgTerminator);
  EXPECT_STREQ(noUseAll->getProperty("useAllBeforeRepeat"), "0");
  EXPECT_EQ(interruptibleOfAddedChild(noUseAll.get()), "1");
  auto useAllAndFlag = createTrinketByName("RRandomAction", "1", "0", scriptArgTerminator);
  EXPECT_EQ(interruptibleOfAddedChild(useAllAndFlag.get()), "0");

  auto random = createTrinketByName("RRandomAction", "1", scriptArgTerminator);
  EXPECT_STREQ(random->getProperty("useAllBeforeRepeat"), "1");
  EXPECT_EQ(random->setProperty("useAllBeforeRepeat", "0"), 1);
  EXPECT_STREQ(random->getProperty("useAllBeforeRepeat"), "0");
  auto composite = createTrinketByName("RCompositeAction", "", scriptArgTerminator);
  ASSERT_NE(composite, nullptr);
  EXPECT_STREQ(composite->getProperty("actionCount"), "0");
  EXPECT_STREQ(composite->getProperty("isActive"), "0");
}

}  // namespace
