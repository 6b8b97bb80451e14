#include <random>

#include "framework/OMIStreamFile.h"
#include "framework/OMMemCanvas.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/CanvasPixels.h"
#include "tests/trinkets/ScriptedStageTest.h"
#include "tools/BackgroundWriter.h"
#include "tools/NEResourceWriter.h"
#include "trinkets/lib/RPentominoGame.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTBackground.h"

namespace {

using Grid = std::vector<std::string>;
constexpr int pieceAnimationBase = 500;  // piece n is animation 500 + n
constexpr int flipperId = 700, rotaterId = 701, boxId = 702;

// Orientation 0 of each piece, and the rule that makes the other seven.
const Grid firstGrids[12] = {{"XX", "-X", "XX"},    {"-X-", "XXX", "-X-"},    {"XX-", "-XX", "--X"},
                             {"XX-", "XXX"},        {"-X-", "XXX", "X--"},    {"X--", "XXX", "X--"},
                             {"--X", "--X", "XXX"}, {"XX-", "-X-", "-XX"},    {"XXXX", "---X"},
                             {"--XX", "XXX-"},      {"X-", "XX", "X-", "X-"}, {"XXXXX"}};

Grid turned(const Grid& g)
{
  Grid out(g[0].size(), std::string(g.size(), '-'));
  for (std::size_t r = 0; r < g.size(); ++r)
    for (std::size_t c = 0; c < g[0].size(); ++c)
      out[c][g.size() - 1 - r] = g[r][c];
  return out;
}

Grid mirrored(Grid g)
{
  for (std::string& row : g)
    std::reverse(row.begin(), row.end());
  return g;
}

Grid byRule(int piece, int orientation)
{
  Grid g = firstGrids[piece - 1];
  for (int k = 0; k < orientation % 4; ++k)
    g = turned(g);
  return orientation >= 4 ? mirrored(g) : g;
}

std::string as25(const Grid& g)
{
  std::string cells(25, '-');
  for (std::size_t r = 0; r < g.size(); ++r)
    for (std::size_t c = 0; c < g[r].size(); ++c)
      cells[r * 5 + c] = g[r][c];
  return cells;
}

// A picture of a piece: its orientation-0 cells opaque in colour 5, the rest transparent.
AnimationWriter::Image pieceImage(int piece, int cell)
{
  const Grid& g = firstGrids[piece - 1];
  const int w = int(g[0].size()) * cell, h = int(g.size()) * cell;
  AnimationWriter::Bytes pixels(std::size_t(w) * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (g[std::size_t(y / cell)][std::size_t(x / cell)] == 'X')
        pixels[std::size_t(y) * w + x] = 5;
  return AnimationWriter::Image::fromPixels(w, h, pixels, 0);
}

std::vector<int> sounds;
std::int32_t recordSound(std::uint16_t id, const OMLink*, int)
{
  sounds.push_back(id);
  return 1;
}

class PentominoTest : public ScriptedStageTest {
 protected:
  void SetUp() override
  {
    NEResourceWriter writer;
    for (int piece = 1; piece <= 12; ++piece) {
      for (int cell : {40, 10}) {
        omtest::AnimationBuilder b;
        b.addImage(pieceImage(piece, cell));
        b.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::loop, 0}});
        writer.add("ASEQ", std::to_string(pieceAnimationBase + (cell == 10 ? 100 : 0) + piece),
                   b.build());
      }
    }
    // The flipper and the rotater overlap, so that a piece can pass from one to the other.
    const std::pair<int, int> graphics[] = {{flipperId, 100}, {rotaterId, 190}, {boxId, 0}};
    for (auto [id, x] : graphics) {
      omtest::AnimationBuilder b;
      b.addImage(id == boxId ? 40 : 100, id == boxId ? 40 : 100, 7);
      b.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::loop, 0}});
      b.setPlacement(x, 300, 0);
      writer.add("ASEQ", std::to_string(id), b.build());
    }
    ASSERT_FALSE(stage.addResourceFile("pento.rsc", writer).empty());
    sounds.clear();
    RPentominoGame::setSoundPlayer(&recordSound);
  }
  void TearDown() override
  {
    RPentominoGame::setSoundPlayer(nullptr);
    ScriptedStageTest::TearDown();
  }
  // A board of 3 x 2 cells of 40 at (100, 100) to be covered as "XXX" over "X-X", piece 1
  // waiting at home, sounds 71-76.
  RPentominoGame* smallBoard(const std::string& more = "")
  {
    runScript(
        "b=RPentominoGame 100 100 5\nset b cellWidth 40\nset b cellHeight 40\n"
        "set b cellsH 3\nset b cellsV 2\nplay b setSolutionString 1 XXX\n"
        "play b setSolutionString 2 X-X\nset b pieceGraphicID 1 501\n"
        "play b setPieceHomeBox 1 400 300 520 440\nset b solved onSolved\n"
        "set b piecePickedUp onPicked\nset b pieceSnappedSoundID 71\n"
        "set b pieceGoHomeSoundID 72\nset b piecePickedUpSoundID 73\n"
        "set b pieceFlippedSoundID 74\nset b pieceRotatedSoundID 75\n" +
            more,
        "procedure onSolved\n[\n  say solved\n]\nprocedure onPicked\n[\n  say picked\n]\n");
    return object<RPentominoGame>("b");
  }
  // Drags piece n by its top-left cell so that its corner ends at (x, y).
  void drag(RPentominoGame* board, int n, int x, int y)
  {
    const RPentominoPiece* p = board->piece(n);
    const int fromX = p->x(), fromY = p->y();
    stage.passes(1, 1000);  // no double click with the last drop
    stage.press(fromX + 5, fromY + 5);
    for (int step = 1; step <= 4; ++step)
      stage.moveTo(fromX + 5 + (x - fromX) * step / 4, fromY + 5 + (y - fromY) * step / 4);
    stage.release(x + 5, y + 5);
  }
};

TEST_F(PentominoTest, TheShapeTableFollowsTheRule)
{
  ASSERT_EQ(RPentominoPiece::shapesOf(0), nullptr);
  ASSERT_EQ(RPentominoPiece::shapesOf(13), nullptr);
  for (int piece = 1; piece <= 12; ++piece)
    for (int k = 0; k < 8; ++k)
      EXPECT_EQ(std::string(RPentominoPiece::shapesOf(piece) + 25 * k, 25), as25(byRule(piece, k)))
          << piece << "/" << k;
}

// Four turns and two flips come back; a piece image drawn in each orientation covers exactly
// that orientation's cells.
TEST_F(PentominoTest, PiecesTurnAndShowTheirOrientation)
{
  for (int piece = 1; piece <= 12; ++piece) {
    RPentominoPiece p(RPentominoPiece::shapesOf(piece),
                      openResourceStream(pieceAnimationBase + piece, "ASEQ", -1), &stage.window());
    p.setPosition(200, 100);
    for (int k = 0; k < 8; ++k) {
      p.setOrientation(k);
      for (int turn = 0; turn < 4; ++turn)
        p.rotate();
      p.flip();
      p.flip();
      ASSERT_EQ(p.orientation(), k);
      const Grid g = byRule(piece, k);
      EXPECT_EQ(p.shapeWidth(), int(g[0].size()));
      EXPECT_EQ(p.shapeHeight(), int(g.size()));
      stage.passes(2);
      for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) {
          const bool covered =
              r < int(g.size()) && c < int(g[0].size()) && g[std::size_t(r)][std::size_t(c)] == 'X';
          EXPECT_EQ(stage.pixel(200 + c * 40 + 20, 100 + r * 40 + 20) != 0x7FFF, covered)
              << piece << "/" << k << " cell " << r << "," << c;
        }
    }
    p.setOrientation(8);
    p.setOrientation(-1);
    EXPECT_EQ(p.orientation(), 7);
  }
  RPentominoPiece nine(RPentominoPiece::shapesOf(9), openResourceStream(509, "ASEQ", -1),
                       &stage.window());
  nine.rotate();
  EXPECT_EQ(nine.shapeWidth() * 10 + nine.shapeHeight(), 24);
  nine.setHomeBox(OMRect(100, 100, 200, 180));
  nine.goHome();  // 80 x 160 turned: (100 + 10, 180 - 160)
  EXPECT_EQ(nine.x(), 110);
  EXPECT_EQ(nine.y(), 20);
}

// Drops by the pointer: the nearest cell when the piece lies on the board over free cells,
// halves rounding up; home otherwise.
TEST_F(PentominoTest, DropsSnapOrGoHome)
{
  RPentominoGame* board = smallBoard("set b pieceView 1 3");
  ASSERT_NE(board, nullptr);
  RPentominoPiece* p = board->piece(1);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->x(), 400);
  EXPECT_EQ(p->y(), 360);
  struct Case {
    int view, dx, dy;
    bool placed;
    const char* said;
  };
  const Case cases[] = {
      {3, 5, -8, true, "solved"}, {1, 19, 19, true, ""}, {3, -20, 0, true, "solved"},
      {3, -21, 0, false, ""},     {3, 40, 0, false, ""}, {3, 0, 20, false, ""},
  };
  for (const Case& c : cases) {
    clearScriptArgs();
    pushScriptArg("1");
    board->setProperty("pieceView", std::to_string(c.view).c_str());
    newLines();
    sounds.clear();
    drag(board, 1, 100 + c.dx, 100 + c.dy);
    std::vector<std::string> expected{"picked"};
    if (*c.said) expected.push_back(c.said);
    EXPECT_EQ(newLines(), expected) << c.dx << "," << c.dy;
    EXPECT_EQ(sounds, (std::vector<int>{73, c.placed ? 71 : 72})) << c.dx;
    if (c.placed) {
      EXPECT_EQ(p->x(), 100);
      EXPECT_EQ(p->y(), 100);
    } else {
      EXPECT_EQ(p->x(), 400);
    }
    EXPECT_EQ(p->z(), 6);
  }
}

TEST_F(PentominoTest, FlipperAndRotaterTransformOncePerVisit)
{
  RPentominoGame* board = smallBoard("set b flipperGraphicID 700\nset b rotaterGraphicID 701");
  ASSERT_NE(board, nullptr);
  EXPECT_STREQ(board->getProperty("flipperGraphicID"), "700");
  RPentominoPiece* p = board->piece(1);
  stage.press(p->x() + 5, p->y() + 5);
  const struct {
    int x, y, orientation;
  } path[] = {{150, 350, 4}, {160, 350, 4}, {240, 350, 4}, {400, 100, 4}, {250, 350, 7},
              {250, 360, 7}, {130, 350, 7}, {450, 100, 7}, {130, 350, 3}};
  // The host calls the drag hook before it moves the piece: a second step sees the first.
  for (const auto& step : path) {
    stage.moveTo(step.x, step.y);
    stage.moveTo(step.x, step.y + 1);
    EXPECT_EQ(p->orientation(), step.orientation) << step.x << "," << step.y;
  }
  stage.release(130, 350);
  EXPECT_EQ(sounds, (std::vector<int>{73, 74, 75, 74, 72}));
}

TEST_F(PentominoTest, BoardMembers)
{
  RPentominoGame* board = smallBoard(
      "set b pieceGraphicID 4 504\nplay b setPieceHomeBox 4 "
      "400 100 520 200\nset b pieceIsAnchored 4 1\n"
      "set b solutionBoxGraphicID 702\nset b pieceView 1 3");
  ASSERT_NE(board, nullptr);
  // An occupied cell sends a piece home; anchored pieces stay through "reset".
  board->callMethod("setPieceCellXY", "4", "0", "0", scriptArgTerminator);
  board->callMethod("setPieceCellXY", "1", "0", "0", scriptArgTerminator);
  EXPECT_EQ(board->piece(1)->x(), 400);
  board->callMethod("reset", scriptArgTerminator);
  EXPECT_EQ(board->piece(4)->x(), 100);
  clearScriptArgs();
  pushScriptArg("4");
  EXPECT_STREQ(board->getProperty("pieceCellX"), "0");
  clearScriptArgs();
  pushScriptArg("1");
  EXPECT_STREQ(board->getProperty("pieceCellX"), "");
  clearScriptArgs();
  pushScriptArg("4");
  board->setProperty("pieceIsAnchored", "0");
  board->callMethod("reset", scriptArgTerminator);
  EXPECT_EQ(board->piece(4)->x(), 400);
  EXPECT_EQ(std::count(board->boardCells().begin(), board->boardCells().end(), 'X'), 0);
  // "stamp", "unstamp" and resizing keep the stamped flag.
  const auto picture = writeBackground(640, 480, std::vector<std::uint16_t>(640 * 480, 0x001F));
  stage.folder().write("bg.bk16", std::string(picture.begin(), picture.end()));
  stage.window().setBackground(
      new OMTBackground(OMRect(0, 0, 640, 480),
                        new OMIStreamFile(stage.folder().file("bg.bk16").c_str(), -1, nullptr)));
  board->callMethod("stamp", scriptArgTerminator);
  // The solution box lies in the picture on the target cells only.
  auto* layer = static_cast<OMMemCanvas*>(stage.window().background()->canvas());
  EXPECT_NE(omtest::canvasPixel(*layer, 120, 120), omtest::canvasPixel(*layer, 5, 5));
  EXPECT_NE(omtest::canvasPixel(*layer, 120, 160), omtest::canvasPixel(*layer, 5, 5));
  EXPECT_EQ(omtest::canvasPixel(*layer, 160, 160), omtest::canvasPixel(*layer, 5, 5));
  EXPECT_EQ(board->isRunning(), 1);
  EXPECT_EQ(board->isVisible(), 0);
  board->setProperty("cellWidth", "30");
  EXPECT_EQ(board->isRunning(), 1);
  EXPECT_EQ(board->isVisible(), 1);
  EXPECT_EQ(board->rect(), OMRect(100, 100, 190, 180));
  board->callMethod("unstamp", scriptArgTerminator);
  EXPECT_EQ(board->isRunning(), 0);
  // "cellsH": the same value changes nothing, another empties the record and the solution.
  board->setProperty("cellWidth", "40");
  board->callMethod("setPieceCellXY", "1", "0", "0", scriptArgTerminator);
  board->setProperty("cellsH", "3");
  EXPECT_EQ(std::count(board->boardCells().begin(), board->boardCells().end(), 'X'), 5);
  board->setProperty("cellsH", "4");
  EXPECT_EQ(board->boardCells(), std::vector<char>(8, '-'));
  EXPECT_EQ(board->solutionCells(), std::vector<char>(8, '-'));
  board->setProperty("cellsH", "2000000");
  EXPECT_EQ(board->cellsH(), 4);
  // With no cell size no piece is on the board: a drop goes home.
  board->setProperty("cellWidth", "0");
  sounds.clear();
  drag(board, 1, 100, 100);
  EXPECT_EQ(board->piece(1)->x(), 400);
  EXPECT_EQ(sounds.back(), 72);
}

// A new home box sends a placed piece home and frees the cells it covered: left marked, they
// would refuse every piece, this one too, and "reset" could not free them.
TEST_F(PentominoTest, ANewHomeBoxFreesTheCellsOfAPlacedPiece)
{
  RPentominoGame* board = smallBoard("set b pieceView 1 3");
  ASSERT_NE(board, nullptr);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    board->callMethod("setPieceCellXY", "1", "0", "0", scriptArgTerminator);
    EXPECT_EQ(board->piece(1)->x(), 100);
    EXPECT_EQ(board->boardCells(), board->solutionCells());
    board->callMethod("setPieceHomeBox", "1", "400", "300", "520", "440", scriptArgTerminator);
    EXPECT_EQ(board->piece(1)->x(), 400);
    EXPECT_EQ(board->boardCells(), std::vector<char>(6, '-'));
  }
}

// Random drags, turns and placements: the board's record is always the union of the cells of
// the pieces that lie on it, without overlaps.
TEST_F(PentominoTest, RandomPlayKeepsTheBoardRecord)
{
  std::string setup =
      "b=RPentominoGame 0 0 5\nset b cellWidth 10\nset b cellHeight 10\n"
      "set b cellsH 6\nset b cellsV 5\n";
  for (int n = 1; n <= 12; ++n)
    setup += "set b pieceGraphicID " + std::to_string(n) + " " + std::to_string(600 + n) +
             "\nplay b setPieceHomeBox " + std::to_string(n) + " " +
             std::to_string(200 + 60 * (n % 6)) + " " + std::to_string(200 + 60 * (n / 6)) + " " +
             std::to_string(260 + 60 * (n % 6)) + " " + std::to_string(260 + 60 * (n / 6)) + "\n";
  runScript(setup);
  RPentominoGame* board = object<RPentominoGame>("b");
  ASSERT_NE(board, nullptr);
  std::mt19937 random(3);
  for (int i = 0; i < 10000; ++i) {
    const int n = 1 + int(random() % 12);
    RPentominoPiece* p = board->piece(n);
    ASSERT_NE(p, nullptr);
    const std::string number = std::to_string(n);
    switch (random() % 4) {
      case 0:
      case 1:
        p->onMouseDown();
        p->setPosition(int(random() % 80) - 15, int(random() % 70) - 15);
        p->onDrag();
        p->onMouseUp();
        break;
      case 2:
        clearScriptArgs();
        pushScriptArg(number.c_str());
        board->setProperty("pieceView", std::to_string(random() % 8).c_str());
        break;
      default:
        board->callMethod("setPieceCellXY", number.c_str(), std::to_string(random() % 6).c_str(),
                          std::to_string(random() % 5).c_str(), scriptArgTerminator);
        break;
    }
    std::vector<char> expected(30, '-');
    for (int k = 1; k <= 12; ++k) {
      const RPentominoPiece* q = board->piece(k);
      if (q->x() >= 100) continue;  // at home
      ASSERT_EQ(q->x() % 10, 0) << i;
      ASSERT_EQ(q->y() % 10, 0) << i;
      for (int cell = 0; cell < 25; ++cell) {
        if (q->shape()[cell] != 'X') continue;
        char& mark = expected[std::size_t((q->y() / 10 + cell / 5) * 6 + q->x() / 10 + cell % 5)];
        ASSERT_EQ(mark, '-') << "overlap at step " << i;
        mark = 'X';
      }
    }
    ASSERT_EQ(board->boardCells(), expected) << "step " << i;
  }
}

}  // namespace
