#include <gtest/gtest.h>

#include <cstring>

#include "trinkets/src/OMSParameter.h"

namespace {

TEST(ScriptArgumentStack, PopPastTheEndGivesTheEmptyTextEveryTime)
{
  clearScriptArgs();
  rewindScriptArgs();
  EXPECT_STREQ(popScriptArg(), "");
  EXPECT_STREQ(popScriptArg(), "");

  pushScriptArg("a");
  pushScriptArg("b");
  pushScriptArg("c");
  rewindScriptArgs();
  EXPECT_STREQ(popScriptArg(), "a");
  EXPECT_STREQ(popScriptArg(), "b");
  EXPECT_STREQ(popScriptArg(), "c");
  EXPECT_STREQ(popScriptArg(), "");
  EXPECT_STREQ(popScriptArg(), "");
  rewindScriptArgs();
  EXPECT_STREQ(popScriptArg(), "a");
}

TEST(ScriptArgumentStack, PushAfterRewindAppendsAndClearForgetsEverything)
{
  clearScriptArgs();
  pushScriptArg("first");
  rewindScriptArgs();
  pushScriptArg("second");
  EXPECT_STREQ(popScriptArg(), "first");
  EXPECT_STREQ(popScriptArg(), "second");

  clearScriptArgs();
  // A pop without a rewind after the clear finds nothing, not a freed argument.
  EXPECT_STREQ(popScriptArg(), "");
  pushScriptArg("third");
  rewindScriptArgs();
  EXPECT_STREQ(popScriptArg(), "third");
  EXPECT_STREQ(popScriptArg(), "");
}

TEST(ScriptArgumentStack, ArgumentsAreCopies)
{
  char buffer[8];
  std::strcpy(buffer, "42");
  clearScriptArgs();
  pushScriptArg(buffer);
  std::strcpy(buffer, "99");
  pushScriptArg(nullptr);  // refused, not pushed
  rewindScriptArgs();
  EXPECT_STREQ(popScriptArg(), "42");
  EXPECT_STREQ(popScriptArg(), "");
}

}  // namespace
