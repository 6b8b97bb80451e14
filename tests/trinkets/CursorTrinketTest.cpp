#include <gtest/gtest.h>

#include <memory>

#include "tests/support/AnimationBuilder.h"
#include "tests/support/TestStage.h"
#include "trinkets/src/OMAnimatedCursor.h"
#include "trinkets/src/OMAnimation.h"

namespace {

// An animated cursor follows the mouse with its hot spot on the pointer, and shows either
// itself (inside the stage) or the system pointer (outside), never both.
TEST(CursorTrinketTest, AnAnimatedCursorFollowsTheMouseAndTradesPlacesWithThePointer)
{
  omtest::TestStage stage;
  omtest::AnimationBuilder b;
  b.addImage(16, 16, 3);
  b.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::loop, 0}});
  NEResourceWriter writer;
  writer.add("ASEQ", "40", b.build());
  ASSERT_FALSE(stage.addResourceFile("cursors.rsc", writer).empty());

  auto cursor = std::make_unique<OMAnimatedCursor>(40, &stage.window());
  ASSERT_NE(cursor->animation(), nullptr);
  EXPECT_FALSE(cursor->isInWindowList());
  EXPECT_EQ(cursor->animation()->z(), 32767);
  cursor->setHotSpot(OMPoint(7, 5));
  // The stage's cursor where no trinket asks for another.
  OMTrinket::setDefaultCursor(cursor.get(), 1);
  EXPECT_TRUE(cursor->isCurrentCursor());

  // Through the host's queue: the image's top-left corner lies 7 left of and 5 above it.
  stage.moveTo(200, 150);
  EXPECT_EQ(cursor->animation()->rect(), OMRect(193, 145, 209, 161));
  EXPECT_TRUE(cursor->animation()->isVisible());
  EXPECT_FALSE(stage.host().cursorVisible());
  EXPECT_EQ(stage.pixel(195, 150), 0u);  // colour 3 with no colour table: black
  EXPECT_EQ(stage.pixel(190, 150), 0x7FFFu);

  struct Case {
    OMPoint point;
    bool hiddenByProgram;
    bool trinketShown;
    bool pointerShown;
  };
  const Case cases[] = {
      {{-3, 40}, false, false, true},    // off the stage: the system pointer
      {{300, 300}, false, true, false},  // back on it
      {{700, 40}, false, false, true},  {{10, 479}, false, true, false},
      {{-3, 40}, true, false, false},  // cursors hidden: neither
      {{300, 300}, true, false, false},
  };
  for (const Case& c : cases) {
    if (c.hiddenByProgram) hideCursor();
    cursor->moveTo(c.point, 0);
    EXPECT_EQ(cursor->hotPoint(), c.point);
    EXPECT_EQ(cursor->animation()->isVisible() != 0, c.trinketShown) << c.point.x;
    EXPECT_EQ(stage.host().cursorVisible(), c.pointerShown) << c.point.x;
    if (c.hiddenByProgram) showCursor();
  }
  cursor.reset();
  EXPECT_EQ(OMCursor::current(), nullptr);
  EXPECT_EQ(OMTrinket::defaultCursor(), nullptr);
  EXPECT_EQ(stage.window().moveListener(), nullptr);

  // A cursor selected for a while without being made current (as a dialog selects its own)
  // is followed too, and no longer once it is gone.
  auto passing = std::make_unique<OMAnimatedCursor>(40, &stage.window());
  passing->select(nullptr);
  EXPECT_FALSE(passing->isCurrentCursor());
  EXPECT_NE(stage.window().moveListener(), nullptr);
  passing.reset();
  EXPECT_EQ(stage.window().moveListener(), nullptr);
  stage.moveTo(100, 100);
}

}  // namespace
