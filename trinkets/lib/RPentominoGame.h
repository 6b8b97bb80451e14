#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "framework/OMLink.h"
#include "framework/OMRect.h"
#include "trinkets/lib/RPentominoPiece.h"
#include "trinkets/src/OMTrinket.h"

class OMAnimation;
class OMCanvas;
class OMCursor;

// A pentomino puzzle: a board of cells that paints its target pattern, up to twelve pieces
// dragged from their home boxes onto it, and a flipper and a rotater that mirror or turn a
// piece dragged over them. A dropped piece snaps to the nearest cell when it lies wholly on
// the board over free cells, else goes home; "solved" follows every placement that leaves
// exactly the target covered.
class RPentominoGame : public OMTrinket {
 public:
  using CursorLookup = OMCursor* (*)(std::uint16_t id);
  using SoundPlayer = std::int32_t (*)(std::uint16_t id, const OMLink* finished, int argument);
  using SoundStopper = void (*)(std::int32_t handle);

  static constexpr int maxCells = 1000000;

  RPentominoGame(int x, int y, int z, OMTrinketWindow* host);
  ~RPentominoGame() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  void start() override;
  void stop() override;
  void paint() override;

  static void setCursorLookup(CursorLookup lookup) { cursorLookup_ = lookup; }
  static void setSoundPlayer(SoundPlayer player) { soundPlayer_ = player; }
  static void setSoundStopper(SoundStopper stopper) { soundStopper_ = stopper; }
  static SoundStopper soundStopper() { return soundStopper_; }

  struct Cell {
    int column = 0, row = 0;
    bool onBoard = false;
  };
  static int roundDiv(std::int64_t a, int b);
  Cell pieceCell(const RPentominoPiece& piece) const;
  bool fits(const RPentominoPiece& piece, int column, int row) const;

  RPentominoPiece* piece(int number) const;
  const std::vector<char>& boardCells() const { return board_; }
  const std::vector<char>& solutionCells() const { return solution_; }
  int cellsH() const { return cellsH_; }
  int cellsV() const { return cellsV_; }

 private:
  // Where the board put a piece, so that only what it placed is lifted again.
  struct Placement {
    bool placed = false;
    int column = 0, row = 0, orientation = 0;
  };

  int indexOf(const RPentominoPiece* piece) const;
  void markCells(const char* grid, int column, int row, char mark);
  void liftPiece(RPentominoPiece* piece);
  // False when a "solved" procedure dropped the board.
  bool placePiece(RPentominoPiece* piece, int column, int row);
  void playSound(std::int16_t id) const;
  void setRectFromCells();
  void redrawKeepingStamp(bool invalidateToo);
  void applyCursors(RPentominoPiece* piece, bool tracking, bool hover) const;
  void forEachSolutionCell(const std::function<void(int x, int y)>& draw) const;
  std::unique_ptr<OMAnimation> makeGraphic(int id) const;
  void resize(int& field, int value);
  // The piece number popped from the script arguments, or 0.
  static int popPieceNumber();

  OMWord pickUp(OMWord piece);
  OMWord drop(OMWord piece);
  OMWord pieceMoved(OMWord piece);

  template <int RPentominoGame::*Field>
  OMWord getInt(OMWord buffer)
  {
    return writeNumber(buffer, this->*Field);
  }
  template <std::int16_t RPentominoGame::*Field>
  OMWord getSound(OMWord buffer)
  {
    return writeNumber(buffer, this->*Field);
  }
  template <std::int16_t RPentominoGame::*Field>
  OMWord setSound(OMWord text)
  {
    this->*Field = static_cast<std::int16_t>(std::atoi(reinterpret_cast<const char*>(text)));
    return 1;
  }
  template <int RPentominoGame::*Field>
  OMWord setCellCount(OMWord text)
  {
    resize(this->*Field, std::atoi(reinterpret_cast<const char*>(text)));
    return 1;
  }
  template <int RPentominoGame::*Field>
  OMWord setCellSize(OMWord text)
  {
    this->*Field = std::atoi(reinterpret_cast<const char*>(text));
    redrawKeepingStamp(true);
    return 1;
  }
  OMWord getFlipper(OMWord buffer);
  OMWord setFlipper(OMWord text);
  OMWord getRotater(OMWord buffer);
  OMWord setRotater(OMWord text);
  OMWord getSolutionBox(OMWord buffer);
  OMWord setSolutionBox(OMWord text);
  OMWord writePieceCell(OMWord buffer, bool column);
  OMWord getPieceCellX(OMWord buffer);
  OMWord getPieceCellY(OMWord buffer);
  OMWord setGrabCursor(OMWord text);
  OMWord setSpotCursor(OMWord text);
  OMWord getPieceGraphic(OMWord buffer);
  OMWord setPieceGraphic(OMWord text);
  OMWord getAnchored(OMWord buffer);
  OMWord setAnchored(OMWord text);
  OMWord setPiecesVisible(OMWord text);
  OMWord getPieceView(OMWord buffer);
  OMWord setPieceView(OMWord text);
  OMWord resetMember();
  OMWord setPieceCellXYMember();
  OMWord setPieceHomeBoxMember();
  OMWord setSolutionStringMember();
  OMWord stampMember();
  OMWord unstampMember();

  int piecesVisible_ = 1;
  int cellHeight_ = 0;
  int cellWidth_ = 0;
  std::vector<char> board_;
  std::vector<char> solution_;
  std::unique_ptr<OMAnimation> flipper_;
  std::unique_ptr<OMAnimation> rotater_;
  std::unique_ptr<OMAnimation> solutionBox_;
  std::array<OMRect, RPentominoPiece::pieceCount> homeBoxes_;
  RPentominoPiece* transformLatch_ = nullptr;
  std::array<std::unique_ptr<RPentominoPiece>, RPentominoPiece::pieceCount> pieces_;
  std::array<Placement, RPentominoPiece::pieceCount> placements_;
  std::int16_t pieceFlippedSoundID_ = -1;
  std::int16_t pieceGoHomeSoundID_ = -1;
  std::int16_t pieceGrabAOCursorID_ = -1;
  std::int16_t piecePickedUpSoundID_ = -1;
  std::int16_t pieceRotatedSoundID_ = -1;
  std::int16_t pieceSnappedSoundID_ = -1;
  std::int16_t pieceSpotAOCursorID_ = -1;
  int cellsH_ = 20;
  int cellsV_ = 20;
  // Expires with the board, so that a procedure that drops it is noticed.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  static CursorLookup cursorLookup_;
  static SoundPlayer soundPlayer_;
  static SoundStopper soundStopper_;
};
