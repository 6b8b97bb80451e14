// The descriptor file's reading rules, end to end through its lookups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assessment/src/DescriptorFile.h"

namespace {

DescriptorFile parse(const std::string& text)
{
  return DescriptorFile(text.data(), text.size());
}

std::vector<std::string> values(const DescriptorFile& file, const char* key)
{
  std::vector<std::string> out;
  for (int i = 1; const char* text = file.stringValue(key, i); ++i)
    out.push_back(text);
  return out;
}

TEST(DescriptorFileTest, KeyLinesReadTheirValuesByTheLexicalRules)
{
  struct Case {
    const char* name;
    std::string text;
    const char* key;
    std::vector<std::string> values;
  };
  const std::string long128(128, 'v');
  const Case cases[] = {
      {"quoted value with a blank", "K a \"b c\" d\r\n", "K", {"a", "b c", "d"}},
      {"escaped quote", "K \"say \\\"hi\\\" \\n\"\n", "K", {"say \"hi\" \\n"}},
      {"tabs and LF", "\t K\t1\t2\n", "K", {"1", "2"}},
      {"first of two lines", "K 1\nK 2\n", "K", {"1"}},
      {"comment that looks like a record", "# DS 1 2 3\n/K 1\n;K 2\nK 3", "K", {"3"}},
      {"lower-case ds is a key", "ds 1 2\n", "ds", {"1", "2"}},
      {"ends at a full stop", "A 1\n.end\nK 2\n", "K", {}},
      {"ends at a lone full stop", "K 1\n.\nK 2\n", "K", {"1"}},
      {"no end line", "K 1 2", "K", {"1", "2"}},
      {"quote over a line end", "K \"a\r\nb\" c\nL 1\n", "K", {"a\r\nb", "c"}},
      {"open quote runs to the end", "K \"a b\nL 1\n", "K", {"a b\nL 1\n"}},
      {"128 characters are cut", "K " + long128 + "\n", "K", {std::string(127, 'v')}},
      {"key over 127 characters", long128 + "x 1\n", "K", {}},
      {"case-sensitive key", "k 1\n", "K", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DescriptorFile file = parse(c.text);
    EXPECT_EQ(values(file, c.key), c.values);
    EXPECT_EQ(DescriptorFile::current(), &file);
  }
  EXPECT_EQ(values(parse(long128 + " 1\n"), std::string(127, 'v').c_str()),
            std::vector<std::string>{"1"});
}

TEST(DescriptorFileTest, NumbersConvertLikeTheRuntimeAndMissingValuesGiveMinusOne)
{
  const DescriptorFile file =
      parse("N 42 -7 +3 abc 12abc 4294967297 -2147483648 \" 9\"\r\nEmpty\r\nZero 0\r\n");
  const int expected[] = {42, -7, 3, 0, 12, 1, -2147483647 - 1, 9};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(file.intValue("N", i + 1), expected[i]) << i + 1;
  for (int outside : {0, 9, -1})
    EXPECT_EQ(file.intValue("N", outside), -1) << outside;
  EXPECT_EQ(file.stringValue("N", 9), nullptr);
  EXPECT_EQ(file.intValue("Missing", 1), -1);
  EXPECT_EQ(file.stringValue("Missing", 1), nullptr);
  EXPECT_EQ(file.intValue("Empty", 1), -1);
  EXPECT_EQ(file.intValue("Zero", 1), 0);
}

TEST(DescriptorFileTest, RecordsGroupBySkillAreaThenById)
{
  const DescriptorFile file = parse(
      "DS 5 100 1 2 apple 30 70000 -1 1 2 3 4 extra\n"
      "DS 5 101 2 2 b 31 6 7 8 9 10 11\n"
      "DS 6 102 1 2 c\n"
      "DS 5 200 1 3 d 1 2 3 4 5 6 7\n"
      "# DS 9 9 9 9 e\n");
  ASSERT_EQ(file.skillAreas().size(), 2u);
  const SkillAreaSet* area = file.skillAreaByGroup(2);
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->code, 100);
  EXPECT_EQ(area->level, 0);
  ASSERT_EQ(area->sets.size(), 2u);
  EXPECT_EQ(area->quizletSetAt(0)->id, 5);
  EXPECT_EQ(area->quizletSetAt(1)->id, 6);
  EXPECT_EQ(area->quizletSetAt(2), nullptr);
  EXPECT_EQ(area->quizletSetAt(-1), nullptr);
  const QuizletSet* set = area->quizletSetAt(0);
  ASSERT_EQ(set->quizlets.size(), 2u);
  const Quizlet& first = set->quizlets[0];
  EXPECT_EQ(first.code, 100);
  EXPECT_EQ(first.letter, 'a');
  EXPECT_EQ(first.seconds, 30);
  EXPECT_EQ(first.speechId, 70000 - 65536);
  EXPECT_EQ(first.pictureId, -1);
  EXPECT_EQ(first.answer4, 4);
  EXPECT_EQ(set->quizletByLevel(2)->answer4, 11);
  EXPECT_EQ(set->quizletByLevel(3), nullptr);
  // Missing tokens read 0.
  const Quizlet& sparse = area->quizletSetAt(1)->quizlets[0];
  EXPECT_EQ(sparse.letter, 'c');
  EXPECT_EQ(sparse.seconds, 0);
  EXPECT_EQ(sparse.answer1, 0);
  // Lookups: the first set of an id through the areas in order, areas by group and code.
  EXPECT_EQ(file.quizletSetById(5), set);
  EXPECT_EQ(file.quizletSetById(9), nullptr);
  EXPECT_EQ(file.skillAreaByCode(200), file.skillAreaByGroup(3));
  EXPECT_EQ(file.skillAreaByCode(101), nullptr);
  EXPECT_TRUE(file.commands().empty());
}

TEST(DescriptorFileTest, AMissingFileIsNotRead)
{
  const DescriptorFile file("no such descriptor.txt");
  EXPECT_FALSE(file.isRead());
  EXPECT_EQ(file.intValue("K", 1), -1);
}

}  // namespace
