#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMLinkToObj.h"
#include "tests/trinkets/ActionTestSupport.h"
#include "trinkets/src/ActionCreateRecord.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/RQueue.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

using Log = std::vector<std::string>;

// A script object with a method that logs its arguments and a property that logs its value.
class Puppet : public OMScriptableObject {
 public:
  Puppet() { registerMembers(); }
  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override
  {
    addMethod("wave", OMLinkToObj<Puppet>(this, &Puppet::wave));
    addProperty("mood", OMLinkToObj<Puppet>(this, &Puppet::setMood, 0),
                OMLinkToObj<Puppet>(this, &Puppet::getMood, 0));
  }
  std::string mood;

 private:
  OMWord wave()
  {
    std::string call = "wave";
    for (const char* argument = popScriptArg(); *argument; argument = popScriptArg())
      call += std::string(" ") + argument;
    eventLog().push_back(call);
    return 1;
  }
  OMWord setMood(OMWord text)
  {
    mood = reinterpret_cast<const char*>(text);
    eventLog().push_back("mood " + mood);
    return 1;
  }
  OMWord getMood(OMWord) { return 1; }
};

class ScriptActionTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    eventLog().clear();
    app_ = std::make_unique<omtest::TestApp>(3, 0);
    queueObject_ = createTrinketByName("RQueue", "", scriptArgTerminator);
    queue = static_cast<RQueue*>(queueObject_.get());
  }
  void TearDown() override { app_.reset(); }

  std::unique_ptr<omtest::TestApp> app_;

  std::unique_ptr<Action> make(const char* name, std::vector<const char*> words,
                               int interruptible = 1)
  {
    return makeAction(name, words, interruptible);
  }

  // Held actions live in script variables, which outlive the containers that use them.
  ProbeAction& keep(const char* name)
  {
    heldProbes_.push_back(std::make_unique<ProbeAction>(name));
    return *heldProbes_.back();
  }

  FakeVariables variables;
  Puppet puppet;
  std::vector<std::unique_ptr<ProbeAction>> heldProbes_;
  std::unique_ptr<OMScriptableObject> queueObject_;
  RQueue* queue = nullptr;
};

TEST_F(ScriptActionTest, VerbActionCallsTheMethodOnStartAndAgainOnHalt)
{
  variables.assign("pup", &puppet);
  auto verb = make("VerbAction", {"pup", "1", "wave", "hi", "there", "", "ignored"}, 0);
  ASSERT_NE(verb, nullptr);
  EXPECT_EQ(verb->isInterruptible(), 1);
  verb->start();
  EXPECT_EQ(verb->isActive(), 0);
  EXPECT_EQ(eventLog(), Log{"wave hi there"});
  verb->halt();
  EXPECT_EQ(eventLog(), (Log{"wave hi there", "wave hi there"}));

  // The interruptible flag always comes from the argument, not from the container.
  auto plain = make("VerbAction", {"pup", "", "wave"}, 1);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->isInterruptible(), 0);

  // No object, or no method name: no action.
  EXPECT_EQ(make("VerbAction", {"nobody", "1", "wave"}), nullptr);
  EXPECT_EQ(make("VerbAction", {"pup", "1", ""}), nullptr);
}

TEST_F(ScriptActionTest, ReassignedVariableMakesVerbAndPropertyActionsDoNothing)
{
  variables.assign("pup", &puppet);
  auto verb = make("VerbAction", {"pup", "1", "wave"});
  auto property = make("PropertyAction", {"pup", "mood", "glad"});
  ASSERT_NE(verb, nullptr);
  ASSERT_NE(property, nullptr);
  variables.assign("pup", &puppet);  // assigned again: no longer marked
  verb->start();
  property->start();
  EXPECT_EQ(eventLog(), Log{});
  EXPECT_EQ(verb->isActive() + property->isActive(), 0);
}

TEST_F(ScriptActionTest, PropertyActionSetsOnStartAndAgainOnHalt)
{
  variables.assign("pup", &puppet);
  auto property = make("PropertyAction", {"pup", "mood", "glad"}, 0);
  ASSERT_NE(property, nullptr);
  EXPECT_EQ(property->isInterruptible(), 0);
  property->start();
  property->halt();
  EXPECT_EQ(eventLog(), (Log{"mood glad", "mood glad"}));
  EXPECT_EQ(make("PropertyAction", {"pup", "mood", "", ""}), nullptr);
  auto flagOnly = make("PropertyAction", {"pup", "mood", "", "1"});
  ASSERT_NE(flagOnly, nullptr);
  flagOnly->start();
  EXPECT_EQ(puppet.mood, "");
  EXPECT_EQ(make("PropertyAction", {"nobody", "mood", "glad"}), nullptr);
}

TEST_F(ScriptActionTest, AddCreatesActionsByNameOrWrapsVariables)
{
  EXPECT_EQ(queue->callMethod("add", "EmptyAction", scriptArgTerminator), 1);
  EXPECT_EQ(queue->callMethod("add", "DelayAction", "100", scriptArgTerminator), 1);
  EXPECT_EQ(queue->callMethod("add", "NoSuchAction", scriptArgTerminator), 1);
  EXPECT_STREQ(queue->getProperty("actionCount"), "2");

  ProbeAction& held = keep("H");
  variables.assign("held", &held);
  EXPECT_EQ(queue->callMethod("add", "held", scriptArgTerminator), 1);
  // A variable holding an object that is not an action gives an entry that finishes at once.
  variables.assign("pup", &puppet);
  EXPECT_EQ(queue->callMethod("add", "pup", scriptArgTerminator), 1);
  EXPECT_STREQ(queue->getProperty("actionCount"), "4");

  queue->callMethod("start", scriptArgTerminator);
  passAt(99);
  EXPECT_EQ(eventLog(), Log{});
  passAt(100);
  EXPECT_EQ(eventLog(), Log{"start H"});
  EXPECT_STREQ(queue->getProperty("isActive"), "1");
  held.finish();
  EXPECT_STREQ(queue->getProperty("isActive"), "0");
  EXPECT_EQ(eventLog(), (Log{"start H", "finished H"}));
}

TEST_F(ScriptActionTest, SameVariableAddedTwiceForwardsBothEntriesToOneAction)
{
  ProbeAction& held = keep("H");
  variables.assign("held", &held);
  queue->callMethod("add", "held", scriptArgTerminator);
  queue->callMethod("add", "held", scriptArgTerminator);
  queue->callMethod("start", scriptArgTerminator);
  held.finish();
  held.finish();
  EXPECT_EQ(eventLog(), (Log{"start H", "start H", "finished H", "finished H"}));
  EXPECT_EQ(queue->isActive(), 0);
}

TEST_F(ScriptActionTest, VariableReassignedAfterAddFinishesItsEntryAtOnce)
{
  ProbeAction& held = keep("H");
  ProbeAction& later = keep("L");
  variables.assign("held", &held);
  variables.assign("later", &later);
  queue->callMethod("add", "held", scriptArgTerminator);
  queue->callMethod("add", "later", scriptArgTerminator);
  variables.assign("held", &held);
  queue->callMethod("start", scriptArgTerminator);
  EXPECT_EQ(eventLog(), Log{"start L"});
  queue->callMethod("pause", scriptArgTerminator);
  queue->callMethod("resume", scriptArgTerminator);
  queue->callMethod("halt", scriptArgTerminator);
  EXPECT_EQ(eventLog(), (Log{"start L", "pause L", "resume L", "halt L"}));
  EXPECT_EQ(queue->isActive(), 0);
}

TEST_F(ScriptActionTest, AQueueDestroyedBeforeItsHeldActionLeavesNoCallbackBehind)
{
  ProbeAction& held = keep("H");
  variables.assign("held", &held);
  queue->callMethod("add", "held", scriptArgTerminator);
  queue->callMethod("start", scriptArgTerminator);
  queueObject_.reset();
  EXPECT_EQ(held.finishedCallback(), nullptr);
  held.finish();
  EXPECT_EQ(eventLog(), (Log{"start H", "halt H", "finished H"}));
}

}  // namespace
