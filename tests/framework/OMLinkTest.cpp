#include <gtest/gtest.h>

#include "framework/OMLinkToBoundFct.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMLinkToObj.h"

namespace {

struct Counter {
  virtual ~Counter() = default;
  virtual OMWord bump()
  {
    ++calls;
    return 10;
  }
  OMWord add(OMWord amount)
  {
    total += amount;
    return total;
  }
  int calls = 0;
  OMWord total = 0;
};

struct LoudCounter : Counter {
  OMWord bump() override
  {
    calls += 100;
    return 20;
  }
};

OMWord lastPlainArgument = 0;
OMWord remember(OMWord argument)
{
  lastPlainArgument = argument;
  return argument + 1;
}

}  // namespace

TEST(OMLinkTest, MemberLinkWithoutArgumentDropsTheCallersArgument)
{
  Counter counter;
  OMLinkToObj<Counter> link(&counter, &Counter::bump);
  EXPECT_EQ(link.call(77), 10u);
  EXPECT_EQ(link.call(), 10u);
  EXPECT_EQ(counter.calls, 2);
  EXPECT_EQ(link.target(), &counter);
}

TEST(OMLinkTest, MemberLinkWithArgumentPassesBoundOrGivenWord)
{
  Counter counter;
  OMLinkToObj<Counter> link(&counter, &Counter::add, 5);
  EXPECT_EQ(link.call(), 5u);
  EXPECT_EQ(link.call(2), 7u);
  EXPECT_EQ(link.boundArgument(), 5u);
}

TEST(OMLinkTest, PointerSizedWordsTravelWhole)
{
  Counter counter;
  int object = 0;
  const OMWord pointerWord = reinterpret_cast<OMWord>(&object);
  OMLinkToObj<Counter> link(&counter, &Counter::add, pointerWord);
  EXPECT_EQ(link.call(), pointerWord);
  OMLinkToFct plain(remember, pointerWord);
  plain.call();
  EXPECT_EQ(lastPlainArgument, pointerWord);
}

TEST(OMLinkTest, VirtualMemberRunsTheTargetsOverride)
{
  LoudCounter loud;
  OMLinkToObj<Counter> link(&loud, &Counter::bump);
  EXPECT_EQ(link.call(), 20u);
  EXPECT_EQ(loud.calls, 100);
}

TEST(OMLinkTest, NullTargetCallsNothing)
{
  Counter counter;
  OMLinkToObj<Counter> link(&counter, &Counter::bump);
  link.setTarget(nullptr);
  link.call();
  link.call(1);
  EXPECT_EQ(counter.calls, 0);
  EXPECT_EQ(link.target(), nullptr);

  Counter other;
  link.setTarget(&other);
  link.call();
  EXPECT_EQ(other.calls, 1);
}

TEST(OMLinkTest, CloneOutlivesItsOriginal)
{
  Counter counter;
  std::unique_ptr<OMLink> clone;
  {
    OMLinkToObj<Counter> original(&counter, &Counter::add, 3);
    clone = original.clone();
  }
  EXPECT_EQ(clone->call(), 3u);
  EXPECT_EQ(clone->target(), &counter);

  std::unique_ptr<OMLink> plainClone;
  {
    OMLinkToFct original(remember, 41);
    plainClone = cloneLink(&original);
  }
  EXPECT_EQ(plainClone->call(), 42u);
  EXPECT_EQ(cloneLink(nullptr), nullptr);
}

TEST(OMLinkTest, FunctionLinkPassesBoundOrGivenWordAndHasNoTarget)
{
  OMLinkToFct link(remember, 8);
  EXPECT_EQ(link.call(), 9u);
  EXPECT_EQ(lastPlainArgument, 8u);
  EXPECT_EQ(link.call(1), 2u);
  EXPECT_EQ(lastPlainArgument, 1u);
  int ignored = 0;
  link.setTarget(&ignored);
  EXPECT_EQ(link.target(), nullptr);

  OMLinkToFct unbound(nullptr, 4);
  EXPECT_EQ(unbound.call(), 0u);
}

TEST(OMLinkTest, BoundFunctionLinkKeepsItsWordWhateverTheCallerPasses)
{
  const OMLinkToBoundFct original(remember, 8);
  std::unique_ptr<OMLink> clone = cloneLink(&original);
  const OMWord callerWords[] = {0, 1, 0x12345678};
  for (OMWord word : callerWords) {
    lastPlainArgument = 0;
    EXPECT_EQ(clone->call(word), 9u);
    EXPECT_EQ(lastPlainArgument, 8u);
  }
  EXPECT_EQ(clone->call(), 9u);
  EXPECT_EQ(OMLinkToBoundFct(nullptr, 3).call(5), 0u);
}
