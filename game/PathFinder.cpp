#include "game/PathFinder.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/WorldField.h"
#include "trinkets/lib/RAttributeContainer.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

constexpr int cellCount = 28;
constexpr int sideCount = 6;
constexpr int magicRows = 20, magicColumns = 4;
constexpr int maxPieces = 20;
constexpr int startCells[] = {6, 17, 28};
constexpr int forwardSides[] = {5, 0, 1};
// A chain never needs more steps than the board has cells; a loop ends there.
constexpr int maxWalk = cellCount;

// The board, filled by "pathFinderInit" and kept for the whole run.
struct Board {
  std::array<std::array<std::int16_t, sideCount>, cellCount> adjacent{};
  std::array<RAttributeContainer*, cellCount> containers{};
  std::array<std::array<std::int32_t, magicColumns>, magicRows> magic{};
  std::array<OMScriptableObject*, maxPieces> pieces{};
};

Board& board()
{
  static Board theBoard;
  return theBoard;
}

unsigned field(unsigned code, int side)
{
  return (code >> (3 * side)) & 7u;
}

bool isGoal(int cell)
{
  return cell == 1 || cell == 12 || cell == 23;
}

int numberNamed(const char* name)
{
  return decimalValueOf(scriptVariables.getTextByName(name));
}

// The cell's container while it lives: a script may have dropped it since it was read.
RAttributeContainer* container(int cell)
{
  if (cell < 1 || cell > cellCount) return nullptr;
  RAttributeContainer* kept = board().containers[std::size_t(cell - 1)];
  OMTrinketWindow* host = OMTrinketWindow::mainHost();
  if (!kept || !host) return nullptr;
  const bool alive =
      host->trinkets().firstThat([kept](OMTrinket* each) { return each == kept; }) != nullptr;
  return alive ? kept : nullptr;
}

std::int16_t adjacentCell(int cell, int side)
{
  return board().adjacent[std::size_t(cell - 1)][std::size_t(side)];
}

unsigned tileCode(RAttributeContainer& holder)
{
  return static_cast<unsigned>(decimalValueOf(holder.attribute().c_str()));
}

// Follows the pieces from cell along the sides whose field is kind; 1 at a goal.
int walk(int cell, unsigned kind)
{
  for (int steps = 0; steps < maxWalk; ++steps) {
    RAttributeContainer* holder = container(cell);
    if (!holder) return 0;
    const unsigned code = tileCode(*holder);
    int next = 0;
    for (int side : forwardSides) {
      if (field(code, side) == kind) {
        next = adjacentCell(cell, side);
        break;
      }
    }
    if (next == 0) return 0;
    if (isGoal(next)) return 1;
    RAttributeContainer* following = container(next);
    if (!following || !following->isFull()) return 0;
    cell = next;
  }
  return 0;
}

}  // namespace

namespace scriptfn {

OMWord isTileValid(OMWord)
{
  const auto mask = static_cast<unsigned>(decimalValueOf(popScriptArg()));
  // The neighbours' sides that face this tile: t1's side 2 becomes side 5, down to t6's side 3
  // that becomes side 0.
  static constexpr int facingShift[] = {6, 3, 0, 15, 12, 9};
  unsigned neighbours = 0;
  for (int shift : facingShift) {
    const auto code = static_cast<unsigned>(decimalValueOf(popScriptArg()));
    neighbours = neighbours * 8 + ((code >> shift) & 7u);
  }
  setScriptResultInt((mask & neighbours) == mask ? 1 : 0);
  return 0;
}

OMWord pathFinderInit(OMWord)
{
  const std::string mode = popScriptArg();
  const std::string base = popScriptArg();
  char name[128];
  Board& b = board();
  if (mode == "magic") {
    for (int row = 1; row <= magicRows; ++row)
      for (int column = 1; column <= magicColumns; ++column) {
        std::snprintf(name, sizeof name, "%s.%d.%d", base.c_str(), row, column);
        b.magic[std::size_t(row - 1)][std::size_t(column - 1)] = numberNamed(name);
      }
  } else if (mode == "adjacent") {
    for (int row = 1; row <= cellCount; ++row)
      for (int column = 1; column <= sideCount; ++column) {
        std::snprintf(name, sizeof name, "%s.%d.%d", base.c_str(), row, column);
        const int cell = numberNamed(name);
        // Cells outside the board are none.
        b.adjacent[std::size_t(row - 1)][std::size_t(column - 1)] =
            static_cast<std::int16_t>(cell >= 0 && cell <= cellCount ? cell : 0);
      }
  } else if (mode == "container") {
    for (int k = 1; k <= cellCount; ++k) {
      std::snprintf(name, sizeof name, "%s.%d", base.c_str(), k);
      b.containers[std::size_t(k - 1)] =
          dynamic_cast<RAttributeContainer*>(scriptVariables.getObjectByName(name));
    }
  } else if (mode == "pieces") {
    const int count = decimalValueOf(popScriptArg());
    for (int k = 1; k <= count && k <= maxPieces; ++k) {
      std::snprintf(name, sizeof name, "%s.%d", base.c_str(), k);
      b.pieces[std::size_t(k - 1)] = scriptVariables.getObjectByName(name);
    }
  }
  return 0;
}

OMWord pathFinder(OMWord)
{
  int found = 0;
  for (int start : startCells) {
    if (found) break;
    RAttributeContainer* holder = container(start);
    if (!holder || !holder->isFull()) continue;
    for (int side : forwardSides) {
      if (found) break;
      const int next = adjacentCell(start, side);
      RAttributeContainer* neighbour = next > 1 ? container(next) : nullptr;
      if (!neighbour || !neighbour->isFull()) continue;
      found = walk(next, field(tileCode(*holder), side));
    }
  }
  setScriptResultInt(found);
  return 0;
}

}  // namespace scriptfn
