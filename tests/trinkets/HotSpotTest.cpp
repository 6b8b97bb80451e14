#include <memory>

#include "framework/OMCursor.h"
#include "framework/OMIStreamFile.h"
#include "framework/OMMemCanvas.h"
#include "tests/support/CanvasPixels.h"
#include "tests/support/ScopedEdition.h"
#include "tests/trinkets/ScriptedStageTest.h"
#include "tools/BackgroundWriter.h"
#include "trinkets/lib/RHotSpot.h"
#include "trinkets/src/OMTBackground.h"

namespace {

std::unique_ptr<OMCursor> waitCursor;
OMCursor* lookUpWait(std::uint16_t id)
{
  return id == 77 ? waitCursor.get() : nullptr;
}

const char* const spotProcedures =
    "procedure onDown\n[\n  say down\n]\n"
    "procedure onHit\n[\n  say hit\n]\n"
    "procedure onDouble\n[\n  say double\n]\n";

class HotSpotTest : public ScriptedStageTest {
 protected:
  explicit HotSpotTest(int depth = 16) : ScriptedStageTest(depth) {}
  // Where the screen shows the red of the frame, within the box (10, 20)-(110, 70) and one
  // pixel around it.
  std::vector<OMPoint> redPixels(std::uint32_t red)
  {
    std::vector<OMPoint> found;
    for (int y = 19; y <= 70; ++y)
      for (int x = 9; x <= 110; ++x)
        if (stage.pixel(x, y) == red) found.emplace_back(x, y);
    return found;
  }
  static bool isFrame(const OMPoint& p)
  {
    return p.x == 10 || p.x == 109 || p.y == 20 || p.y == 69;
  }
};

// Edges 10..110 by 20..70: the right and bottom edges are outside, as for every rectangle.
TEST_F(HotSpotTest, HitsItsRectangleAndDrawsNothingUnlessOutlined)
{
  runScript("h=RHotSpot 10 20 110 70 5\nset h mouseDown onDown", spotProcedures);
  RHotSpot* h = object<RHotSpot>("h");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->z(), 5);
  const std::uint32_t white = stage.pixel(50, 50);
  struct Case {
    int x, y;
    bool hit;
  };
  for (const Case c : {Case{10, 20, true}, Case{109, 69, true}, Case{110, 50, false},
                       Case{50, 70, false}, Case{9, 50, false}, Case{50, 19, false}}) {
    stage.click(c.x, c.y);
    EXPECT_EQ(newLines(), c.hit ? std::vector<std::string>{"down"} : std::vector<std::string>{})
        << c.x << "," << c.y;
  }
  EXPECT_TRUE(redPixels(white == 0x7FFF ? 0x7C00 : 0).empty());
  EXPECT_STREQ(h->getProperty("userData"), "");
  h->setProperty("userData", "kept");
  EXPECT_STREQ(h->getProperty("userData"), "kept");
}

// Corners passed the wrong way round are kept as they are, and nothing lies inside them.
TEST_F(HotSpotTest, AReversedRectangleIsKeptAndContainsNoPoint)
{
  struct Case {
    const char* edges;
    OMRect rect;
  };
  const Case cases[] = {
      {"110 20 10 70", OMRect(110, 20, 10, 70)},
      {"10 70 110 20", OMRect(10, 70, 110, 20)},
      {"110 70 10 20", OMRect(110, 70, 10, 20)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edges);
    runScript(std::string("h=RHotSpot ") + c.edges + " 5\nset h mouseDown onDown",
              spotProcedures);
    RHotSpot* h = object<RHotSpot>("h");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->rect(), c.rect);
    for (const OMPoint p : {OMPoint(50, 40), OMPoint(10, 20), OMPoint(109, 69)}) {
      EXPECT_FALSE(h->containsPoint(p)) << p.x << "," << p.y;
      stage.click(p.x, p.y);
    }
    EXPECT_TRUE(newLines().empty());
    scriptVariables.clear();
  }
}

// The frame in the canvas's red, gone again with "outlined" 0; the canvas's own pens are left
// as they were.
void checkOutline(omtest::TestStage& stage)
{
  RHotSpot spot(OMPoint(10, 20), OMPoint(110, 70), 5, &stage.window());
  spot.bindClass("RHotSpot");
  OMMemCanvas* canvas = stage.window().offscreen();
  canvas->setFrameColor(OMRGBColor(0, 0xFFFF, 0));
  canvas->setFill(true);
  spot.setProperty("outlined", "1");
  stage.passes(2);
  const bool deep = stage.host().screen().bitsPerPixel == 16;
  const std::uint32_t red = deep ? 0x7C00u : stage.pixel(10, 20);
  if (!deep) {
    EXPECT_EQ(stage.host().screen().palette[red], 0xFF0000u);
  }
  int frame = 0, inside = 0;
  for (int y = 19; y <= 70; ++y)
    for (int x = 9; x <= 110; ++x) {
      const bool isRed = stage.pixel(x, y) == red;
      const bool onSide = (x == 10 || x == 109) && y >= 20 && y < 70;
      const bool onEdge = (y == 20 || y == 69) && x >= 10 && x < 110;
      (onSide || onEdge ? frame : inside) += isRed;
    }
  EXPECT_EQ(frame, 2 * 100 + 2 * 50 - 4);
  EXPECT_EQ(inside, 0);
  EXPECT_EQ(canvas->frameColor(), OMRGBColor(0, 0xFFFF, 0));
  EXPECT_TRUE(canvas->isFilling());
  spot.setProperty("outlined", "0");
  stage.passes(2);
  EXPECT_NE(stage.pixel(10, 20), red);
}

class HotSpot8Test : public HotSpotTest {
 protected:
  HotSpot8Test() : HotSpotTest(8) {}
};

TEST_F(HotSpotTest, OutlineIsARedFrame)
{
  checkOutline(stage);
}

TEST_F(HotSpot8Test, OutlineIsARedFrame)
{
  checkOutline(stage);
}

// Stamped over a picture the frame stays when the hot spot hides; without a layer picture,
// or a second time, it only hides.
TEST_F(HotSpotTest, StampBurnsTheFrameIntoTheBackground)
{
  std::vector<std::uint16_t> pixels(640 * 480, pixel555(0, 0, 255));
  const auto bytes = writeBackground(640, 480, pixels);
  stage.folder().write("bg.bk16", std::string(bytes.begin(), bytes.end()));
  stage.window().setBackground(
      new OMTBackground(OMRect(0, 0, 640, 480),
                        new OMIStreamFile(stage.folder().file("bg.bk16").c_str(), -1, nullptr)));
  stage.passes(2);
  runScript("h=RHotSpot 10 20 110 70 5\nset h outlined 1\nset h mouseDown onDown\nplay h stamp",
            spotProcedures);
  RHotSpot* h = object<RHotSpot>("h");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->isVisible(), 0);
  EXPECT_EQ(h->isRunning(), 1);
  stage.window().addDirtyRegion(OMRegion(OMRect(0, 0, 640, 480)));
  stage.passes(2);
  const std::vector<OMPoint> red = redPixels(0x7C00);
  EXPECT_EQ(red.size(), 296u);
  for (const OMPoint& p : red)
    EXPECT_TRUE(isFrame(p)) << p.x << "," << p.y;
  stage.click(50, 50);
  EXPECT_TRUE(newLines().empty());
  // Twice: nothing more; an outline set later reaches no picture.
  h->setProperty("outlined", "0");
  h->callMethod("stamp", scriptArgTerminator);
  EXPECT_EQ(redPixels(0x7C00).size(), 296u);

  RHotSpot plain(OMPoint(200, 200), OMPoint(300, 300), 1, &stage.window());
  stage.window().setBackground(nullptr);
  plain.stamp();
  EXPECT_EQ(plain.isVisible(), 0);
  EXPECT_EQ(plain.isRunning(), 0);
}

TEST_F(HotSpotTest, OwnCursorWhileHovering)
{
  waitCursor = std::make_unique<OMCursor>(-2, nullptr);
  runScript("h=RHotSpot 10 20 110 70 5\nplay h setAOCursor 77");
  EXPECT_EQ(object<RHotSpot>("h")->hoverCursor(), nullptr);  // no lookup yet
  RHotSpot::setCursorLookup(&lookUpWait);
  object<RHotSpot>("h")->callMethod("setAOCursor", "77", scriptArgTerminator);
  stage.moveTo(300, 300);
  EXPECT_NE(OMCursor::current(), waitCursor.get());
  stage.moveTo(50, 50);
  EXPECT_EQ(OMCursor::current(), waitCursor.get());
  stage.moveTo(300, 300);
  EXPECT_NE(OMCursor::current(), waitCursor.get());
  RHotSpot::setCursorLookup(nullptr);
  scriptVariables.clear();
  waitCursor.reset();
}

// The stage too is made in the edition: its window class is the edition's.
struct AssessmentFirst {
  ScopedEdition edition{OMEdition::assessment};
};
class AssessmentHotSpotTest : private AssessmentFirst, public HotSpotTest {};

TEST_F(AssessmentHotSpotTest, CornersHitAndTop)
{
  runScript(
      "h=RHotSpot 110 70 10 20 1\nset h hit onHit\nset h dblClick onDouble\n"
      "a=RHotSpot 0 0 5 5 0\nset a z 40",
      spotProcedures);
  RHotSpot* h = object<RHotSpot>("h");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->rect(), OMRect(10, 20, 110, 70));
  EXPECT_FALSE(h->usesTrinketCursor());
  EXPECT_TRUE(object<RHotSpot>("a")->usesTrinketCursor());
  EXPECT_EQ(h->findMember("x"), nullptr);
  EXPECT_EQ(h->findMember("mouseDown"), nullptr);
  // Every release of its press, also one off it.
  stage.press(50, 50);
  stage.release(300, 300);
  stage.click(60, 60);
  stage.click(300, 300);
  EXPECT_EQ(newLines(), (std::vector<std::string>{"hit", "hit"}));
  stage.host().click(60, 60);
  stage.host().click(60, 60);
  stage.settle();
  const std::vector<std::string> lines = newLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "double"), lines.end());
  const int highest = stage.window().highestZ();
  ASSERT_TRUE(h->callMethod("top", scriptArgTerminator));
  EXPECT_EQ(h->z(), highest + 1);
}

}  // namespace
