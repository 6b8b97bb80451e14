// The racing quiz's problems: the properties that hold for every draw, over many seeds, and
// the first problems of one seed as the generator's formula gives them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "assessment/src/QvKProblems.h"

namespace {

// The value of "a+b", "a+b+c" or "a-b"; the largest number written goes to *largest.
int evaluate(const std::string& text, int* largest)
{
  int value = 0, number = 0, sign = 1;
  *largest = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '+';
    if (c >= '0' && c <= '9') {
      number = number * 10 + (c - '0');
      continue;
    }
    EXPECT_TRUE(c == '+' || c == '-') << text;
    value += sign * number;
    *largest = std::max(*largest, number);
    sign = c == '-' ? -1 : 1;
    number = 0;
  }
  return value;
}

// For many seeds and problems: no right answer repeats the one before, the choices are five
// different values 1 to 10 (kinds 2 to 4) or five consecutive numbers up to 10 (kind 1) with
// the right one among them, and no minuend is above 10.
TEST(QvKProblemsTest, EveryDrawKeepsTheRulesOfItsKind)
{
  int rightSlotsSeen[QvKProblems::slotCount] = {};
  bool tenMinusZero = false;
  for (unsigned seed = 1; seed <= 100; ++seed) {
    std::srand(seed);
    for (int kind = 1; kind <= 4; ++kind) {
      QvKProblems problems;
      for (int i = 0; i < 10000; ++i) {
        const std::string before = QvKProblems::lastRightAnswer();
        ASSERT_TRUE(problems.generate(kind));
        const std::string& right = problems.answer(problems.rightSlot());
        ASSERT_NE(right, before) << "seed " << seed << " kind " << kind;
        ASSERT_EQ(QvKProblems::lastRightAnswer(), right);
        std::set<int> values;
        for (int slot = 0; slot < QvKProblems::slotCount; ++slot) {
          int largest = 0;
          const int value = evaluate(problems.answer(slot), &largest);
          ASSERT_LE(largest, 10) << problems.answer(slot);
          ASSERT_TRUE(value >= 1 && value <= 10) << problems.answer(slot);
          values.insert(value);
          if (kind == 1) {
            ASSERT_EQ(value, std::atoi(problems.answer(0).c_str()) + slot);
          }
        }
        ASSERT_EQ(values.size(), 5u);
        int largest = 0;
        ASSERT_EQ(evaluate(right, &largest), problems.rightValue());
        if (kind == 1) {
          ASSERT_LE(std::atoi(problems.answer(0).c_str()), 6);
        }
        if (kind == 3) {
          ASSERT_EQ(evaluate(problems.problemText(), &largest), problems.rightValue());
          ASSERT_LE(largest, 10);
          tenMinusZero = tenMinusZero || problems.problemText() == "10-0";
        }
        if (kind > 1) {
          ASSERT_EQ(problems.question(), problems.problemText() + "=?");
          ++rightSlotsSeen[problems.rightSlot()];
        }
        if (kind == 4) {
          ASSERT_NE(problems.secondProblemText(), problems.problemText());
        }
      }
    }
  }
  EXPECT_TRUE(tenMinusZero);
  for (int seen : rightSlotsSeen)
    EXPECT_GT(seen, 200000) << "the right slot is drawn evenly";
  EXPECT_FALSE(QvKProblems().generate(5));
}

// The first twenty problems of each kind for seed 2026, from the generator's formula
// (state x 214013 + 2531011, answer bits 16 to 30) worked through the draws one by one:
// kind 1 as count, picture row and layout; the others as their question; then the five
// choices and the right slot.
TEST(QvKProblemsTest, TheDrawsComeInTheirOrder)
{
  const std::vector<std::string> expected = {
      "9 r4 l0|6,7,8,9,10|3",
      "4 r9 l-1|3,4,5,6,7|1",
      "5 r5 l0|4,5,6,7,8|1",
      "3 r1 l2|2,3,4,5,6|1",
      "4 r1 l6|2,3,4,5,6|2",
      "3 r1 l2|1,2,3,4,5|2",
      "7 r3 l0|3,4,5,6,7|4",
      "8 r2 l0|5,6,7,8,9|3",
      "3 r1 l4|1,2,3,4,5|2",
      "4 r12 l-1|1,2,3,4,5|3",
      "1 r4 l0|1,2,3,4,5|0",
      "2 r4 l0|1,2,3,4,5|1",
      "9 r2 l0|6,7,8,9,10|3",
      "1 r2 l0|1,2,3,4,5|0",
      "9 r5 l0|6,7,8,9,10|3",
      "3 r4 l0|1,2,3,4,5|2",
      "6 r2 l0|5,6,7,8,9|1",
      "9 r2 l0|5,6,7,8,9|4",
      "2 r3 l0|1,2,3,4,5|1",
      "1 r3 l0|1,2,3,4,5|0",
      "0+0+5=?|5,9,2,7,4|0",
      "6+1=?|2,4,10,7,5|3",
      "3+0+0=?|5,3,6,7,8|1",
      "1+0=?|6,1,8,9,5|1",
      "2+2=?|10,1,4,6,3|2",
      "0+7=?|10,4,3,7,1|3",
      "5+1=?|8,6,1,9,7|1",
      "0+1=?|5,9,7,1,8|3",
      "4+0+1=?|6,8,2,4,5|4",
      "1+0=?|2,3,1,9,6|2",
      "0+3+0=?|5,1,8,4,3|4",
      "0+1=?|8,9,4,1,5|3",
      "2+1=?|3,7,8,4,5|0",
      "3+3+2=?|1,7,5,8,3|3",
      "0+1=?|4,3,1,7,9|2",
      "0+7=?|4,10,7,5,8|2",
      "1+2=?|10,3,6,4,2|1",
      "4+3=?|2,5,7,1,8|2",
      "5+3=?|10,7,2,8,9|3",
      "7+2=?|6,1,9,3,8|2",
      "7-5=?|1,8,5,2,10|3",
      "9-6=?|5,6,10,3,9|3",
      "10-3=?|8,7,4,5,10|1",
      "8-7=?|8,2,10,4,1|4",
      "2-0=?|2,8,1,5,7|0",
      "1-0=?|1,7,10,9,4|0",
      "8-5=?|6,9,5,1,3|4",
      "7-2=?|4,3,5,9,7|2",
      "3-1=?|2,8,9,3,5|0",
      "8-3=?|9,3,5,4,2|2",
      "10-3=?|7,4,9,10,8|0",
      "10-1=?|9,6,2,8,4|0",
      "7-0=?|4,3,8,5,7|4",
      "7-5=?|4,2,5,10,1|1",
      "6-0=?|9,7,6,5,8|2",
      "6-2=?|1,3,5,10,4|4",
      "5-2=?|1,3,6,7,9|1",
      "9-5=?|5,4,2,9,6|1",
      "7-0=?|6,7,4,8,1|1",
      "9-7=?|6,2,4,5,1|1",
      "6-3=?|4+2,4-0,2-0,8-5,10-1|3",
      "0+1=?|2+1,1+0,9-4,2+0+4,1+0+1|1",
      "1+2+1=?|0+1+3,0+2,0+1,4+1,3+0|0",
      "2+3+4=?|0+7+3,1+2,0+4,9-7,0+0+9|4",
      "4-0=?|3+0+0,0+6,7-3,6+2+1,3+2|2",
      "1+7=?|3+5,2+3,9+0+0,5+1,9-2|0",
      "0+4=?|7-0,2+3,4+0,0+1,3+0+0|2",
      "6+2+1=?|2+8,1+7,2+0,0+4+2,6+1+2|4",
      "4+1=?|0+4,0+5,0+2+0,7-0,1+1+1|1",
      "6-0=?|3+5,9-3,3+1+0,3+2,10-8|1",
      "9-0=?|10-1,1+1,10-0,1+0,9-6|0",
      "5+5=?|5+1,1+6,10-1,9+1,0+1|3",
      "2-0=?|9-4,3+5,0+10,10-8,7+0+2|3",
      "1+4=?|4+1,10-0,1+0+0,4+3,10-4|0",
      "5-2=?|0+2,9-5,1+4,9-6,10-3|3",
      "9-2=?|5+1,10-0,0+3,0+4+0,8-1|4",
      "3+4=?|7+3,4-0,9-0,9-8,5+2|4",
      "5-0=?|4+6,10-5,5-1,1+7,0+2|1",
      "8-2=?|9-3,7-5,3+0+1,3+6+0,4+1+3|0",
      "4+1=?|1+1,4-1,0+0+4,8-2,0+5|4",
  };
  QvKProblems::lastRightAnswer() = "empty";
  std::srand(2026);
  std::vector<std::string> made;
  for (int kind = 1; kind <= 4; ++kind) {
    QvKProblems problems;
    for (int i = 0; i < 20; ++i) {
      problems.generate(kind);
      std::string text = kind == 1 ? std::to_string(problems.rightValue()) + " r" +
                                         std::to_string(problems.pictureRow()) + " l" +
                                         std::to_string(problems.layout())
                                   : problems.question();
      text += "|";
      for (int slot = 0; slot < QvKProblems::slotCount; ++slot)
        text += (slot ? "," : "") + problems.answer(slot);
      made.push_back(text + "|" + std::to_string(problems.rightSlot()));
      if (kind == 1) {
        EXPECT_EQ(problems.textBoxText(1), std::string(problems.rightValue() + 1, '0'));
      }
    }
  }
  EXPECT_EQ(made, expected);
}

}  // namespace
