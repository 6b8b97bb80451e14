// The stacking container: answers pile up from the bottom, the ones above a removed answer
// fall by its height with a sound, and the values decide when it is solved.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "assessment/src/RStackingContainer.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TestStage.h"
#include "trinkets/lib/RGraphicAnswer.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

std::vector<int> sounds;
std::int32_t recordSound(std::uint16_t id, const OMLink*, int)
{
  sounds.push_back(id);
  return 1;
}

// Graphics 20, 30, 25 and 30 high, 40 wide; a container of 100 x 100 at (100,100).
class StackingContainerTest : public ::testing::Test {
 protected:
  StackingContainerTest()
  {
    NEResourceWriter writer;
    const int heights[] = {20, 30, 25, 30};
    for (int i = 0; i < 4; ++i) {
      omtest::AnimationBuilder b;
      b.addImage(40, heights[i], 1);
      b.addSequence({OMFrameEntry{0, 0, 0, 0}});
      writer.add("ASEQ", std::to_string(i + 1), b.build());
    }
    stage.addResourceFile("stack.rsc", writer);
    RContainer::setSoundPlayer(&recordSound);
    sounds.clear();
  }
  ~StackingContainerTest() override { RContainer::setSoundPlayer(nullptr); }

  // An answer near the container, its value set through the script member this edition's
  // graphic answer declares itself.
  std::unique_ptr<RGraphicAnswer> answer(int graphic, int value)
  {
    auto made = std::make_unique<RGraphicAnswer>(OMPoint(120, 120), 5, graphic);
    made->bindClass("RGraphicAnswer");
    EXPECT_TRUE(made->setProperty("value", std::to_string(value).c_str()));
    return made;
  }
  static std::pair<int, int> span(const RAnswer& a)
  {
    return {a.dropRect().top(), a.dropRect().bottom()};
  }

  ScopedEdition edition{OMEdition::assessment};
  omtest::TestStage stage{8};
};

TEST_F(StackingContainerTest, AnswersPileUpFallDownAndSumToTheValue)
{
  RStackingContainer box(OMRect(100, 100, 200, 200), 1, 7, -1);
  box.bindClass("RStackingContainer");
  box.setProperty("droppedSound", "44");
  auto a = answer(1, 3), b = answer(2, 4), c = answer(3, 5), d = answer(4, 1);
  EXPECT_TRUE(box.isFull()) << "kept as written: true while there is room";
  for (RAnswer* each : {a.get(), b.get(), c.get()}) {
    int score = 0;
    ASSERT_TRUE(box.canAccept(each, &score));
    EXPECT_GT(score, 0);
    box.placeAnswer(each);
  }
  EXPECT_EQ(span(*a), std::make_pair(180, 200));
  EXPECT_EQ(span(*b), std::make_pair(150, 180));
  EXPECT_EQ(span(*c), std::make_pair(125, 150));
  EXPECT_EQ(box.stackTop(), 125);
  EXPECT_FALSE(box.canAccept(d.get(), nullptr)) << "75 + 30 is more than 100";
  EXPECT_TRUE(box.isFull());
  EXPECT_STREQ(box.getProperty("answerValue"), "12");
  box.setProperty("answerValue", "7");
  EXPECT_STREQ(box.getProperty("answerValue"), "12");

  box.removeAnswer(b.get());
  EXPECT_EQ(span(*c), std::make_pair(155, 180));
  EXPECT_EQ(span(*a), std::make_pair(180, 200));
  EXPECT_EQ(sounds, std::vector<int>{44});
  box.removeAnswer(c.get());
  EXPECT_EQ(sounds, std::vector<int>{44}) << "the top one leaves nothing to fall";
  EXPECT_EQ(box.stackTop(), 180);

  // 3 + 4 make 7 with any count, not with three answers.
  box.placeAnswer(b.get());
  EXPECT_TRUE(box.isSolved());
  box.setProperty("solvedAnswerCount", "3");
  EXPECT_FALSE(box.isSolved());
  box.setProperty("solvedAnswerCount", "2");
  EXPECT_TRUE(box.isSolved());
  box.removeAnswer(a.get());
  box.removeAnswer(b.get());
}

TEST_F(StackingContainerTest, TheThreeCreationFormsChooseByTheEmptyArguments)
{
  struct Case {
    std::vector<const char*> words;
    OMRect rect;
    const char* value;
    const char* count;
  };
  const Case cases[] = {
      {{"10", "20", "100", "50", "3", "9", "2"}, OMRect(10, 20, 110, 70), "9", "2"},
      {{"2", "30", "40", "3", "8", "-1"}, OMRect(30, 40, 70, 70), "8", "-1"},
      {{"99", "30", "40", "3", "8", "-1"}, OMRect(), "8", "-1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.size());
    clearScriptArgs();
    for (const char* word : c.words)
      pushScriptArg(word);
    std::unique_ptr<OMScriptableObject> made =
        createTrinketByName("RStackingContainer", scriptArgTerminator);
    ASSERT_NE(made, nullptr);
    auto* box = static_cast<RStackingContainer*>(made.get());
    EXPECT_EQ(box->rect(), c.rect);
    EXPECT_EQ(box->stackTop(), c.rect.bottom());
    EXPECT_STREQ(box->getProperty("value"), c.value);
    EXPECT_STREQ(box->getProperty("solvedAnswerCount"), c.count);
    EXPECT_STREQ(box->getProperty("droppedSound"), "65535");
  }
}

}  // namespace
