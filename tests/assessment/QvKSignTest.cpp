// The problem sign: its shape in colour 220, and the pictures of each layout centred in the
// box below the road.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "assessment/src/QvKProblems.h"
#include "assessment/src/QvKSign.h"
#include "framework/OMMemCanvas.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/CanvasPixels.h"
#include "tests/support/TestStage.h"
#include "trinkets/lib/RAnimation.h"

namespace {

TEST(QvKSignTest, TheShapeIsThreeRectanglesOfColour220)
{
  OMMemCanvas canvas(640, 480, 8, 0);
  canvas.setFillColor(OMRGBColor::fromIndex(3));
  canvas.setFill(true);
  canvas.setFrame(false);
  canvas.drawRect(OMRect(0, 0, 640, 480));
  QvKSign::paintShape(canvas);
  struct Case {
    int x, y;
    bool inside;
  };
  const Case cases[] = {
      {328, 307, true},  {450, 435, true},  {327, 307, false}, {328, 306, false}, {303, 334, true},
      {472, 404, true},  {302, 334, false}, {473, 404, false}, {315, 320, true},  {461, 420, true},
      {314, 320, false}, {462, 420, false}, {451, 436, false}, {303, 333, false}, {303, 405, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(omtest::canvasPixel(canvas, c.x, c.y), c.inside ? 220u : 3u) << c.x << "," << c.y;
  EXPECT_EQ(QvKSign::bounds(), OMRect(303, 307, 473, 436));
}

TEST(QvKSignTest, PicturesStandInTheirLayoutCentredInTheBox)
{
  struct Case {
    int layout, count, w, h;
    std::vector<OMPoint> expected;
  };
  const Case cases[] = {
      {QvKProblems::singleLayout, 1, 20, 16, {{378, 363}}},
      {QvKProblems::singleLayout, 1, 171, 131, {{303, 306}}},
      // Seven of the grid: the block is 120 + 10 wide and 30 + 10 high.
      {QvKProblems::gridLayout,
       7,
       10,
       10,
       {{323, 351}, {353, 351}, {383, 351}, {413, 351}, {443, 351}, {323, 381}, {353, 381}}},
      {4, 3, 20, 20, {{378, 346}, {363, 376}, {393, 376}}},
      {10, 5, 10, 10, {{353, 336}, {413, 336}, {383, 366}, {353, 396}, {413, 396}}},
      {12, 5, 24, 24, {{346, 344}, {376, 344}, {406, 344}, {361, 374}, {391, 374}}},
      {13, 1, 10, 10, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    const std::vector<OMPoint> points = QvKSign::picturePositions(c.layout, c.count, c.w, c.h);
    ASSERT_EQ(points.size(), c.expected.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      EXPECT_EQ(points[i].x, c.expected[i].x) << i;
      EXPECT_EQ(points[i].y, c.expected[i].y) << i;
    }
  }
  // Every pattern has as many positions as its pictures, all distinct.
  const int pictures[] = {10, 0, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
  for (int layout = 2; layout < QvKProblems::layoutCount; ++layout) {
    const auto& offsets = QvKProblems::layouts()[static_cast<std::size_t>(layout)];
    for (int i = 1; i < pictures[layout]; ++i) {
      for (int j = 0; j < i; ++j)
        EXPECT_FALSE(offsets[i].x == offsets[j].x && offsets[i].y == offsets[j].y) << layout;
    }
  }
}

// A strip made by the animation writer: frame n is a picture of colour n.
TEST(QvKSignTest, PicturesComeFromTheirRowOfTheStrip)
{
  omtest::TestStage stage(8);
  omtest::AnimationBuilder strip;
  std::vector<OMFrameEntry> entries;
  for (int row = 0; row <= 12; ++row)
    entries.push_back(OMFrameEntry{
        0, 0, static_cast<std::int16_t>(strip.addImage(12, 10, static_cast<std::uint8_t>(row + 1))),
        0});
  strip.addSequence(entries);
  NEResourceWriter writer;
  writer.add("ASEQ", "13315", strip.build());
  stage.addResourceFile("strip.rsc", writer);
  RAnimation pictures(openResourceStream(13315, "ASEQ", -1), 0, 0, &stage.window());
  OMMemCanvas canvas(640, 480, 8, 0);
  QvKSign::paintPictures(canvas, pictures, 7, QvKProblems::gridLayout, 2);
  // Two pictures of 12 x 10, 30 apart: the block is 42 x 10 at (367, 366).
  EXPECT_EQ(omtest::canvasPixel(canvas, 367, 366), 8u);
  EXPECT_EQ(omtest::canvasPixel(canvas, 397 + 11, 366 + 9), 8u);
  EXPECT_EQ(omtest::canvasPixel(canvas, 380, 366), 255u) << "the white canvas between";
  EXPECT_EQ(omtest::canvasPixel(canvas, 366, 366), 255u);
}

}  // namespace
