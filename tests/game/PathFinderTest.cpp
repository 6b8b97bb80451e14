// The tile puzzle's functions on a board of containers that a script makes: the tile test on
// the facing sides, and the path finder's walk from a start cell to a goal.
#include <string>
#include <vector>

#include "tests/game/GlobalFunctionsTestSupport.h"
#include "trinkets/lib/RAttributeContainer.h"
#include "trinkets/lib/RGraphicAnswer.h"

namespace {

using globalfn::Lines;

class PathFinderTest : public globalfn::GlobalFunctionsTest {
 protected:
  // Containers "cell.K" whose attribute is the tile code; a code of -1 leaves the cell out.
  void makeBoard(const std::vector<std::pair<int, std::string>>& cells)
  {
    std::string lines;
    for (const auto& [cell, code] : cells)
      lines += "cell." + std::to_string(cell) + "=RAttributeContainer " +
               std::to_string(cell * 20) + " 300 18 18 1 \"" + code + "\"\r";
    run(lines);
  }
  void fill(int cell)
  {
    auto* holder = dynamic_cast<RAttributeContainer*>(
        scriptVariables.getObjectByName(("cell." + std::to_string(cell)).c_str()));
    ASSERT_NE(holder, nullptr) << cell;
    const std::string name = "piece" + std::to_string(cell);
    run(name + "=RGraphicAnswer 10 10 " + std::to_string(globalfn::buttonImage) + " 1 \"x\" 0\r");
    auto* piece = dynamic_cast<RAnswer*>(scriptVariables.getObjectByName(name.c_str()));
    ASSERT_NE(piece, nullptr);
    holder->placeAnswer(piece);
  }
  static void adjacent(int cell, int side, int value)
  {
    const std::string name = "adj." + std::to_string(cell) + "." + std::to_string(side + 1);
    scriptVariables.at(scriptVariables.add(name.c_str(), -1))
        ->setText(std::to_string(value).c_str());
  }
  std::string find()
  {
    run("pathFinderInit \"adjacent\" \"adj\"\rpathFinderInit \"container\" \"cell\"\r"
        "pathFinder\rsay RESULT\r");
    const Lines said = newLines();
    return said.empty() ? "<nothing>" : said.back();
  }
};

// The sides of t1 to t6 that face the tile make its sides 5 to 0.
TEST_F(PathFinderTest, MasksAreMetByTheNeighboursFacingSides)
{
  struct Case {
    std::vector<std::string> arguments;
    const char* expected;
  } cases[] = {
      {{"32768", "192", "0", "0", "0", "0", "0"}, "1"},
      {{"131072", "192", "0", "0", "0", "0", "0"}, "0"},
      {{"7", "0", "0", "0", "0", "0", "3584"}, "1"},
      {{"7", "0", "0", "0", "0", "3584", "0"}, "0"},
      {{"0", "0", "0", "0", "0", "0", "0"}, "1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(call("isTileValid", c.arguments), c.expected) << c.arguments[0];
}

// Kind 2 joins start cell 6 (its side 5) to cell 7 and cell 7 (its side 0) to goal cell 1.
TEST_F(PathFinderTest, AChainOfPlacedPiecesJoinsAStartToAGoal)
{
  run("pathFinder\rsay RESULT\r");
  EXPECT_EQ(newLines(), Lines{"0"});
  makeBoard({{6, "65536"}, {7, "2"}, {8, "2"}});
  adjacent(6, 5, 7);
  adjacent(7, 0, 1);
  EXPECT_EQ(find(), "0");  // the start cells are empty
  fill(6);
  fill(7);
  EXPECT_EQ(find(), "1");
  // An unknown mode changes nothing.
  adjacent(7, 0, 0);
  run("pathFinderInit \"Adjacent\" \"adj\"\rpathFinder\rsay RESULT\r");
  EXPECT_EQ(newLines(), Lines{"1"});
  // An empty container on the way, then a loop between 7 and 8, then an entry off the board.
  adjacent(7, 0, 8);
  EXPECT_EQ(find(), "0");
  fill(8);
  adjacent(8, 0, 7);
  EXPECT_EQ(find(), "0");
  adjacent(7, 0, 99);
  EXPECT_EQ(find(), "0");
  // The first step may not land on cell 1, although cell 1 ends a walk.
  adjacent(6, 5, 1);
  EXPECT_EQ(find(), "0");
}

}  // namespace
