#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "framework/OMLinkToObj.h"
#include "trinkets/src/OMSEventProperty.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObject.h"

namespace {

// An object with one of each kind of member. Its setter and its method raise "changed".
class Gadget : public OMScriptableObject {
 public:
  std::unique_ptr<OMScriptableObject> clone() const override
  {
    auto copy = std::make_unique<Gadget>(*this);
    copyMembers(copy.get());
    return copy;
  }

  void registerMembers() override
  {
    OMLinkToObj<Gadget> setter(this, &Gadget::setSize, 0);
    OMLinkToObj<Gadget> getter(this, &Gadget::getSize, 0);
    addProperty("size", &setter, &getter);
    addProperty("readOnly", nullptr, &getter);
    addMethod("grow", OMLinkToObj<Gadget>(this, &Gadget::grow));
    addMethod("refuse", OMLinkToObj<Gadget>(this, &Gadget::refuse));
    addEvent("changed");
  }

  int size = 0;
  std::vector<std::string> popped;
  int raisedInside = -1;

 private:
  OMWord setSize(OMWord text)
  {
    size = std::atoi(reinterpret_cast<const char*>(text));
    raisedInside = raise("changed");
    return 1;
  }
  OMWord getSize(OMWord buffer)
  {
    std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%d", size);
    return 1;
  }
  OMWord grow()
  {
    for (const char* argument = popScriptArg(); *argument; argument = popScriptArg())
      popped.emplace_back(argument);
    size += static_cast<int>(popped.size());
    raisedInside = raise("changed");
    return 1;
  }
  OMWord refuse() { return 0; }
};

int handlerCalls = 0;
OMWord countHandlerCall(OMWord)
{
  return ++handlerCalls;
}

class ScriptableObjectTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    handlerCalls = 0;
    gadget.registerMembers();
    gadget.connect("changed", &handler, nullptr);
  }
  Gadget gadget;
  OMLinkToFct handler{&countHandlerCall};
};

TEST_F(ScriptableObjectTest, SetAndGetCrossAsDecimalText)
{
  EXPECT_EQ(gadget.setProperty("size", "37abc"), 1);
  EXPECT_EQ(gadget.size, 37);
  EXPECT_STREQ(gadget.getProperty("size"), "37");
  EXPECT_EQ(gadget.setProperty("size", "-5"), 1);
  EXPECT_STREQ(gadget.getProperty("size"), "-5");
  EXPECT_EQ(gadget.setProperty("size", nullptr), 0);
  EXPECT_EQ(gadget.setProperty("readOnly", "9"), 0);
  EXPECT_EQ(gadget.size, -5);
}

TEST_F(ScriptableObjectTest, NamesAreCaseSensitiveAndKindsAreKeptApart)
{
  EXPECT_EQ(gadget.getProperty("Size"), nullptr);
  EXPECT_EQ(gadget.setProperty("SIZE", "3"), 0);
  EXPECT_EQ(gadget.callMethod("Grow", scriptArgTerminator), 0);
  EXPECT_EQ(gadget.raise("Changed"), 0);
  // get finds data properties only; set of an event or a method gives 0.
  EXPECT_EQ(gadget.getProperty("grow"), nullptr);
  EXPECT_EQ(gadget.getProperty("changed"), nullptr);
  EXPECT_EQ(gadget.setProperty("changed", "1"), 0);
  EXPECT_EQ(gadget.setProperty("grow", "1"), 0);
  EXPECT_EQ(gadget.callMethod("size", scriptArgTerminator), 0);
  EXPECT_EQ(gadget.raise("grow"), 0);
  EXPECT_EQ(gadget.size, 0);
  EXPECT_EQ(handlerCalls, 0);
}

TEST_F(ScriptableObjectTest, EventsRaisedInsideSetterOrMethodAreNotDelivered)
{
  EXPECT_EQ(gadget.setProperty("size", "4"), 1);
  EXPECT_EQ(gadget.raisedInside, 0);
  EXPECT_EQ(gadget.callMethod("grow", "x", scriptArgTerminator), 1);
  EXPECT_EQ(gadget.raisedInside, 0);
  EXPECT_EQ(handlerCalls, 0);
  EXPECT_FALSE(OMScriptableObject::isInByNameCall());

  // Outside any by-name call, once per raise.
  EXPECT_EQ(gadget.raise("changed"), 1);
  EXPECT_EQ(gadget.raise("changed"), 1);
  EXPECT_EQ(handlerCalls, 2);
}

// A setter that sets another object's property by name: the inner call clears the flag, so
// an event raised after it inside the outer setter is delivered.
class Relay : public Gadget {
 public:
  void registerMembers() override
  {
    Gadget::registerMembers();
    addProperty("relay", OMLinkToObj<Relay>(this, &Relay::setRelay, 0),
                OMLinkToObj<Relay>(this, &Relay::getNothing, 0));
  }
  Gadget* other = nullptr;

 private:
  OMWord setRelay(OMWord text)
  {
    beforeInner = raise("changed");
    other->setProperty("size", reinterpret_cast<const char*>(text));
    afterInner = raise("changed");
    return 1;
  }
  OMWord getNothing(OMWord) { return 1; }

 public:
  int beforeInner = -1;
  int afterInner = -1;
};

TEST_F(ScriptableObjectTest, NestedByNameCallClearsTheFlagInsteadOfRestoringIt)
{
  Relay relay;
  relay.registerMembers();
  relay.connect("changed", &handler, nullptr);
  relay.other = &gadget;
  EXPECT_EQ(relay.setProperty("relay", "8"), 1);
  EXPECT_EQ(gadget.size, 8);
  EXPECT_EQ(relay.beforeInner, 0);
  EXPECT_EQ(relay.afterInner, 1);
  EXPECT_EQ(handlerCalls, 1);
}

TEST_F(ScriptableObjectTest, MethodArgumentsArePushedOrTakenFromTheStack)
{
  EXPECT_EQ(gadget.callMethod("grow", "a", "b", scriptArgTerminator), 1);
  EXPECT_EQ(gadget.popped, (std::vector<std::string>{"a", "b"}));

  gadget.popped.clear();
  clearScriptArgs();
  pushScriptArg("p");
  pushScriptArg("q");
  pushScriptArg("r");
  EXPECT_EQ(gadget.callMethod("grow", scriptArgTerminator), 1);
  EXPECT_EQ(gadget.popped, (std::vector<std::string>{"p", "q", "r"}));
  EXPECT_EQ(gadget.size, 5);

  EXPECT_EQ(gadget.callMethod("refuse", scriptArgTerminator), 0);
  EXPECT_EQ(gadget.callMethod("nothing", scriptArgTerminator), 0);
}

TEST_F(ScriptableObjectTest, ReplacedMemberGoesToTheEndAndRemovedMemberIsGone)
{
  gadget.addEvent("size");  // replaces the data property of that name
  EXPECT_EQ(gadget.getProperty("size"), nullptr);
  EXPECT_EQ(gadget.members().last()->kind(), OMScriptableObjectProperty::event);
  EXPECT_STREQ(gadget.members().last()->name(), "size");
  EXPECT_EQ(gadget.members().count(), 6);  // born, readOnly, grow, refuse, changed, size

  gadget.removeMember("changed");
  gadget.removeMember("changed");
  EXPECT_EQ(gadget.raise("changed"), 0);
  EXPECT_EQ(gadget.members().count(), 5);
  EXPECT_NE(gadget.findMember("born"), nullptr);
}

TEST_F(ScriptableObjectTest, ConnectWithNullsDisconnects)
{
  EXPECT_EQ(gadget.connect("changed", nullptr, nullptr), 1);
  EXPECT_EQ(gadget.raise("changed"), 0);
  EXPECT_EQ(gadget.connect("missing", &handler, nullptr), 0);
  EXPECT_EQ(handlerCalls, 0);
}

OMSEventCopy lastCopy{};
OMWord recordCopy(OMWord pair)
{
  lastCopy = *reinterpret_cast<OMSEventCopy*>(pair);
  return 1;
}

TEST_F(ScriptableObjectTest, CloneRetargetsMembersAndOffersTheHandlerToItsOwner)
{
  OMLinkToFct copyLink(&recordCopy);
  gadget.connect("changed", &handler, &copyLink);
  gadget.setProperty("size", "12");

  std::unique_ptr<OMScriptableObject> copy = gadget.clone();
  auto* twin = static_cast<Gadget*>(copy.get());
  EXPECT_EQ(OMScriptableObject::current(), twin);
  EXPECT_EQ(lastCopy.owner, twin);
  ASSERT_NE(lastCopy.handler, nullptr);

  // The copy's members act on the copy, not on the original.
  EXPECT_EQ(twin->setProperty("size", "3"), 1);
  EXPECT_EQ(twin->size, 3);
  EXPECT_EQ(gadget.size, 12);
  // The handler came along, not retargeted.
  EXPECT_EQ(twin->raise("changed"), 1);
  EXPECT_EQ(handlerCalls, 1);
  // Member order is kept.
  EXPECT_STREQ(twin->members().first()->name(), "born");
  EXPECT_STREQ(twin->members().last()->name(), "changed");
}

int completions = 0;
OMScriptableObject* completionTarget = nullptr;
OMWord completeAndReinstall(OMWord)
{
  ++completions;
  // Installing a new link from inside the one that fires keeps the new one.
  OMLinkToFct again(&completeAndReinstall);
  if (completions == 1) completionTarget->setCompletionLink(&again);
  return 1;
}

TEST_F(ScriptableObjectTest, CompletionFiresAtMostOncePerInstallation)
{
  completions = 0;
  completionTarget = &gadget;
  gadget.fireCompletion();
  EXPECT_EQ(completions, 0);
  OMLinkToFct link(&completeAndReinstall);
  gadget.setCompletionLink(&link);
  gadget.fireCompletion();
  EXPECT_EQ(completions, 1);
  ASSERT_NE(gadget.completionLink(), nullptr);
  gadget.fireCompletion();
  EXPECT_EQ(completions, 2);
  gadget.fireCompletion();
  EXPECT_EQ(completions, 2);
  EXPECT_EQ(gadget.completionLink(), nullptr);
}

}  // namespace
