#include <gtest/gtest.h>

#include <string>

#include "framework/OMEdition.h"
#include "framework/OMEditionAssert.h"
#include "tests/support/ScopedEdition.h"

namespace {

TEST(Edition, GameUntilAProgramSetsItAndScopedInTests)
{
  EXPECT_EQ(OMEdition::current(), OMEdition::game);
  {
    ScopedEdition edition(OMEdition::assessment);
    EXPECT_TRUE(OMEdition::isAssessment());
    EXPECT_FALSE(OMEdition::isGame());
    {
      ScopedEdition inner(OMEdition::game);
      EXPECT_TRUE(OMEdition::isGame());
    }
    EXPECT_TRUE(OMEdition::isAssessment());
  }
  EXPECT_TRUE(OMEdition::isGame());
}

TEST(EditionAssertion, MessageNamesExpressionUnitAndLine)
{
  char message[128];
  formatAssertionMessage(message, sizeof message, "!err1", "..\\src\\main", 57);
  EXPECT_STREQ(message, "Assertion failed: !err1, file ..\\src\\main, line 57");
  // A short buffer is cut, never overrun.
  char shortBuffer[10];
  formatAssertionMessage(shortBuffer, sizeof shortBuffer, "len==size", "..\\src\\predata", 1);
  EXPECT_STREQ(shortBuffer, "Assertion");
}

TEST(EditionAssertion, GameEditionDoesNotCheck)
{
  ScopedEdition edition(OMEdition::game);
  int reached = 0;
  OM_EDITION_ASSERT(false, "never checked");
  ++reached;
  EXPECT_EQ(reached, 1);
}

TEST(EditionAssertionDeathTest, AssessmentEditionShowsTheMessageAndEnds)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        ScopedEdition edition(OMEdition::assessment);
        OM_EDITION_ASSERT(1 + 1 == 3, "sum");
      },
      "\\[message box\\].*Assertion failed: sum, file .*OMEditionTest.cpp, line [0-9]+");
  // A held invariant passes quietly.
  ScopedEdition edition(OMEdition::assessment);
  OM_EDITION_ASSERT(1 + 1 == 2, "sum");
}

TEST(EditionAssertionDeathTest, ProgramUnitsNameThemselves)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const void* handle = nullptr;
  EXPECT_DEATH(OM_UNIT_ASSERT(handle, "..\\src\\main"),
               "Assertion failed: handle, file \\.\\.\\\\src\\\\main, line [0-9]+");
}

}  // namespace
