// The result file the main program reads, the levels the skill areas earn, and the draw
// without repetition that places the answers.
#include <gtest/gtest.h>

#include <omcrt.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "assessment/src/DescriptorFile.h"
#include "assessment/src/RandStep.h"
#include "assessment/src/ResultFile.h"
#include "platform/host/HostClock.h"
#include "tests/support/TempFolder.h"

namespace {

SkillAreaSet areaWith(std::initializer_list<int> results)
{
  SkillAreaSet area;
  for (int result : results) {
    area.sets.push_back(std::make_unique<QuizletSet>());
    area.sets.back()->result = result;
  }
  return area;
}

TEST(ResultFileTest, LevelsFollowTheSeventySixPercentRule)
{
  struct Case {
    std::initializer_list<int> results;
    int level;
  };
  const Case cases[] = {
      {{3, 3, 3, 2}, 2},  // 75 percent at level 3 is not enough
      {{3, 3, 3, 3}, 3},
      {{1, 1, 2, 3}, 1},  // 50 percent right
      {{2, 2, 3, 1}, 1},
      {{2, 2, 3, 3}, 2},
      {{2}, 2},  // right without a level 3
      {{3}, 3},
      {{1}, 1},
      {{0}, 1},  // never asked
      {{0, 0, 0, 0}, 1},
      {{3, 3, 3, 3, 3, 3, 3, 2, 2, 2}, 2},
      {{3, 3, 3, 3, 2}, 3},
  };
  for (const Case& c : cases) {
    const SkillAreaSet area = areaWith(c.results);
    EXPECT_EQ(skillAreaLevel(area), c.level)
        << ::testing::PrintToString(std::vector<int>(c.results));
  }
}

TEST(ResultFileTest, TheFileHoldsGroupsOneToTwentyNineInTextLines)
{
  TempFolder work;
  ScopedCurrentFolder inWork(work.path());
  const std::string text =
      "DataFile results.txt\r\n"
      "DS 1 1 2 0 a 3 10 20 1 2 3 4\r\n"  // group 0: never written
      "DS 2 7 2 3 a 3 10 20 1 2 3 4\r\n"  // group 3, four sets
      "DS 3 7 2 3 a 3 10 20 1 2 3 4\r\n"
      "DS 4 7 2 3 a 3 10 20 1 2 3 4\r\n"
      "DS 5 7 2 3 a 3 10 20 1 2 3 4\r\n"
      "DS 6 8 2 1 a 3 10 20 1 2 3 4\r\n"    // group 1, one set
      "DS 7 9 2 30 a 3 10 20 1 2 3 4\r\n";  // group 30: never written
  DescriptorFile descriptor(text.data(), text.size());
  const int results[][2] = {{1, 3}, {2, 1}, {3, 1}, {4, 2}, {5, 3}, {6, 2}, {7, 3}};
  for (const auto& [id, result] : results)
    descriptor.quizletSetById(id)->result = result;
  work.write("RESULTS.TMP", "stale");
  writeAssessmentResults(descriptor);
  EXPECT_EQ(work.read("results.txt"), "1 2\r\n3 1\r\n");
  EXPECT_FALSE(std::filesystem::exists(work / "RESULTS.TMP"));
  EXPECT_EQ(descriptor.skillAreaByGroup(1)->level, 2);
  EXPECT_EQ(descriptor.skillAreaByGroup(3)->level, 1);
  EXPECT_EQ(descriptor.skillAreaByGroup(0)->level, 0);

  EXPECT_EQ(resultFileExists("RESULTS.TXT"), 1);
  resultFileRead("results.txt");
  EXPECT_EQ(resultFileValue(0), 2);
  EXPECT_EQ(resultFileValue(1), 1);
  EXPECT_EQ(resultFileValue(2), 0);
  EXPECT_EQ(resultFileValue(50), 0);
  resultFileRemove("results.txt");
  EXPECT_EQ(resultFileExists("results.txt"), 0);
  EXPECT_DEATH(resultFileCreate("missing\\folder\\r.txt"), "Assertion failed: in!=NULL");
  EXPECT_DEATH(resultFileRead("results.txt"), "Assertion failed: rin!=NULL");
}

// An assessment that ends with no skill area of groups 1 to 29 has nothing to write: the
// file the main program reads keeps the previous session's results (or stays absent), and
// standard error says why.
TEST(ResultFileTest, NoSkillAreaToWriteLeavesTheFileAsItWas)
{
  TempFolder work;
  ScopedCurrentFolder inWork(work.path());
  const char* const descriptors[] = {
      "DataFile results.txt\r\n",
      "DataFile results.txt\r\nDS 1 1 2 0 a 3 10 20 1 2 3 4\r\nDS 2 1 2 30 a 3 10 20 1 2 3 4\r\n",
  };
  for (const char* previous : {"1 3\r\n2 2\r\n", ""}) {
    for (const std::string text : descriptors) {
      SCOPED_TRACE(text);
      std::filesystem::remove(work / "results.txt");
      if (*previous) work.write("results.txt", previous);
      DescriptorFile descriptor(text.data(), text.size());
      testing::internal::CaptureStderr();
      writeAssessmentResults(descriptor);
      const std::string errors = testing::internal::GetCapturedStderr();
      EXPECT_EQ(std::filesystem::exists(work / "results.txt"), *previous != '\0');
      if (*previous) {
        EXPECT_EQ(work.read("results.txt"), previous);
      }
      EXPECT_FALSE(std::filesystem::exists(work / "RESULTS.TMP"));
      EXPECT_NE(errors.find("results.txt ("), std::string::npos) << errors;
      EXPECT_NE(errors.find("no skill area 1 to 29"), std::string::npos) << errors;
    }
  }
}

TEST(ResultFileTest, RandStepDrawsEachValueOnce)
{
  omhost::useManualClock(0);
  struct Case {
    int start, end;
    std::vector<int> values;
  };
  const Case cases[] = {
      {4, 0, {0, 1, 2, 3}}, {1, 4, {1, 2, 3, 4}}, {0, 0, {}}, {-2, 1, {-2, -1, 0, 1}}};
  for (const Case& c : cases) {
    RandStep step(c.start, c.end);
    std::vector<int> drawn;
    while (step.count() > 0) drawn.push_back(step.draw());
    EXPECT_EQ(step.draw(), -1);
    std::sort(drawn.begin(), drawn.end());
    EXPECT_EQ(drawn, c.values) << c.start << " " << c.end;
  }
  omhost::useRealClock();
}

}  // namespace
