// The arcade classes driven by scripts on the game's stage with the manual clock: the
// collision watch, the line mover, the bouncing ball, the arcade actor and the cannon.
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/game/GlobalFunctionsTestSupport.h"

namespace {

using globalfn::Lines;

constexpr int ballImage = 60;   // 10 x 10, shown for ever
constexpr int blockImage = 61;  // 40 x 40, shown for ever

class ArcadeTest : public globalfn::GlobalFunctionsTest {
 protected:
  ArcadeTest()
  {
    NEResourceWriter writer;
    writer.add("ASEQ", std::to_string(ballImage), square(10, OMFrameEntry::loop));
    writer.add("ASEQ", std::to_string(blockImage), square(40, OMFrameEntry::loop));
    NEResourceWriter::Bytes bytes;
    EXPECT_TRUE(writer.build(bytes)) << writer.error();
    openResFile(work.write("arcade.rsc", std::string(bytes.begin(), bytes.end())).c_str(), 1);
  }

  // One image of a square, then the code that ends the sequence.
  static std::vector<std::uint8_t> square(int size, std::int16_t code, int colour = 2)
  {
    omtest::AnimationBuilder builder;
    builder.addImage(size, size, static_cast<std::uint8_t>(colour));
    builder.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, code, 0}});
    return builder.build();
  }

  static OMTrinket* trinket(const char* name)
  {
    return dynamic_cast<OMTrinket*>(scriptVariables.getObjectByName(name));
  }
  static std::string property(const char* name, const char* member)
  {
    OMTrinket* t = trinket(name);
    const char* value = t ? t->getProperty(member) : nullptr;
    return value ? value : "<none>";
  }
  static OMPoint at(const char* name)
  {
    OMTrinket* t = trinket(name);
    return t ? OMPoint(t->x(), t->y()) : OMPoint(-99999, -99999);
  }
};

// A line drives "a" through "b" and on: one "collision" while they overlap, one "partition"
// when they part, and the watch is armed again for the next run. The pair reads "empty"/0
// before the first meeting.
TEST_F(ArcadeTest, CollisionFiresOncePerMeetingAndReArmsAfterParting)
{
  run("a=RAnimation 0 0 61\rset a tag 5\rb=RAnimation 200 0 61\rset b tag 7\r"
      "c=RCollision 5 7\rset c collision hit\rset c partition part\r"
      "get c name1 n\rget c tag1 t\rsay before n t\r"
      "l=RLine 0 0 300 0 300\rplay l addTrinket \"a\" 0 0 1\rplay l start\r",
      "procedure hit\r[\r  get c name1 n\r  get c name2 m\r  get c tag1 t\r  get c tag2 u\r"
      "  say collision n m t u\r]\r"
      "procedure part\r[\r  say partition\r]\r");
  passes(40, 10);
  EXPECT_EQ(newLines(), (Lines{"before empty 0", "collision b a 7 5", "partition"}));
  run("play l start\r");
  passes(40, 10);
  EXPECT_EQ(newLines(), (Lines{"collision b a 7 5", "partition"}));
}

}  // namespace
