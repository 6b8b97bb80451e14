#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TestStage.h"
#include "trinkets/lib/RTBitmap.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

// The program's pictures: 40 x 30, stored bottom-up (400) and top-down (401); 402 is cut
// short of its bits.
constexpr int pictureWidth = 40, pictureHeight = 30;

// What the picture holds at (x, y) from its top-left: a grey level, or -1 where it holds
// index 252, which the picture's colour table takes from the system's reserved colours.
int level(int x, int y)
{
  if (x >= 5 && x < 10 && y >= 5 && y < 10) return -1;
  return 10 + (x + 7 * y) % 200;
}

std::uint32_t grey16(int v)
{
  const std::uint32_t c = std::uint32_t(v) >> 3;
  return c << 10 | c << 5 | c;
}
constexpr std::uint32_t white16 = 0x7FFF;
constexpr std::uint32_t systemBlue16 = 0x001F;

class BitmapTest : public ::testing::Test {
 protected:
  std::unique_ptr<OMScriptableObject> make(const std::vector<std::string>& words)
  {
    clearScriptArgs();
    for (const std::string& word : words)
      pushScriptArg(word.c_str());
    return createTrinketByName("RTBitmap", scriptArgTerminator);
  }
  // Compares the screen around (and under) the picture with what the trinket's rectangle
  // lets show of a picture whose top-left is at `origin`.
  void expectShown(const OMRect& shown, const OMPoint& origin)
  {
    stage.passes(2);
    for (int y = origin.y - 8; y < origin.y + pictureHeight + 8; ++y)
      for (int x = origin.x - 8; x < origin.x + pictureWidth + 8; ++x) {
        const int px = x - origin.x, py = y - origin.y;
        const bool inside = shown.containsPoint(OMPoint(x, y)) && px >= 0 && py >= 0 &&
                            px < pictureWidth && py < pictureHeight;
        const int v = inside ? level(px, py) : -1;
        const std::uint32_t shown = !inside ? white16 : v < 0 ? systemBlue16 : grey16(v);
        ASSERT_EQ(stage.pixel(x, y), shown) << x << "," << y;
      }
  }

  omtest::TestStage stage;
};

// A larger rectangle shrinks to the picture; a smaller one shows the picture's top-left;
// index 252 is drawn as the rest of the picture; an empty or inverted rectangle draws nothing.
TEST_F(BitmapTest, TheRectangleCutsThePicture)
{
  struct Case {
    const char* what;
    std::vector<std::string> words;
    OMRect expected;
  };
  const std::vector<Case> cases = {
      {"larger", {"100", "50", "300", "200", "400"}, OMRect(100, 50, 140, 80)},
      {"larger, top-down", {"100", "50", "300", "200", "401"}, OMRect(100, 50, 140, 80)},
      {"smaller", {"100", "50", "120", "57", "400"}, OMRect(100, 50, 120, 57)},
      {"smaller, top-down", {"100", "50", "112", "70", "401"}, OMRect(100, 50, 112, 70)},
      {"exact", {"100", "50", "140", "80", "400"}, OMRect(100, 50, 140, 80)},
      {"empty", {"100", "50", "100", "50", "400"}, OMRect()},
      {"inverted", {"100", "50", "90", "40", "401"}, OMRect()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<OMScriptableObject> object = make(c.words);
    ASSERT_NE(object, nullptr);
    auto* bitmap = static_cast<RTBitmap*>(object.get());
    EXPECT_EQ(bitmap->rect(), c.expected);
    EXPECT_EQ(bitmap->getProperty("width"), std::to_string(c.expected.width()));
    EXPECT_EQ(bitmap->getProperty("height"), std::to_string(c.expected.height()));
    EXPECT_EQ(bitmap->isTouchy(), 0);
    expectShown(c.expected, OMPoint(100, 50));
    object.reset();
    expectShown(OMRect(), OMPoint(100, 50));
  }
}

// "offset" leaves the picture where it was made; "place" moves it, cut as before.
TEST_F(BitmapTest, OffsetDoesNothingAndPlaceMoves)
{
  for (const char* id : {"400", "401"}) {
    SCOPED_TRACE(id);
    std::unique_ptr<OMScriptableObject> object = make({"100", "50", "125", "70", id});
    ASSERT_NE(object, nullptr);
    auto* bitmap = static_cast<RTBitmap*>(object.get());
    stage.passes(2);
    ASSERT_TRUE(bitmap->callMethod("offset", "30", "40", scriptArgTerminator));
    EXPECT_EQ(bitmap->rect(), OMRect(100, 50, 125, 70));
    expectShown(OMRect(100, 50, 125, 70), OMPoint(100, 50));
    ASSERT_TRUE(bitmap->callMethod("place", "300", "200", scriptArgTerminator));
    EXPECT_EQ(bitmap->rect(), OMRect(300, 200, 325, 220));
    expectShown(OMRect(), OMPoint(100, 50));
    expectShown(OMRect(300, 200, 325, 220), OMPoint(300, 200));
    char state[64];
    bitmap->stateText(state, sizeof state);
    EXPECT_EQ(std::string(state), std::string("300 200 325 220 ") + id);
    EXPECT_EQ(bitmap->clone(), nullptr);
  }
}

// No such picture, or one without its bits: the factory gives no object, the constructor
// an empty trinket that draws nothing. Random arguments give an object or none.
TEST_F(BitmapTest, MissingPicturesAndRandomArguments)
{
  for (const char* id : {"402", "999", "0", "-1"}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(make({"0", "0", "100", "100", id}), nullptr);
    RTBitmap empty(OMRect(100, 50, 300, 200), std::atoi(id), &stage.window());
    EXPECT_FALSE(empty.hasPicture());
    EXPECT_EQ(empty.rect(), OMRect());
    expectShown(OMRect(), OMPoint(100, 50));
  }
  std::mt19937 random(21);
  const std::vector<std::string> words = {"",
                                          "x",
                                          "400",
                                          "401",
                                          "-5",
                                          "0",
                                          "65936",
                                          "2147483647",
                                          "-2147483648",
                                          "1e9",
                                          "40",
                                          "  7abc",
                                          "99999999999999999999"};
  for (int round = 0; round < 400; ++round) {
    std::vector<std::string> arguments;
    const int count = int(random() % 7);
    for (int i = 0; i < count; ++i)
      arguments.push_back(words[random() % words.size()]);
    std::unique_ptr<OMScriptableObject> object = make(arguments);
    if (object) {
      auto* bitmap = static_cast<RTBitmap*>(object.get());
      EXPECT_TRUE(bitmap->hasPicture());
      EXPECT_LE(bitmap->rect().width(), pictureWidth);
      EXPECT_LE(bitmap->rect().height(), pictureHeight);
    }
    stage.passes(1);
  }
}

}  // namespace
