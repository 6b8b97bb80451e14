#pragma once

#include "framework/OMWord.h"

// The tile puzzle's global script functions: a board of 28 drag-and-drop containers whose
// attribute texts hold tile codes (six 3-bit side fields), read into tables that last as long
// as the program.
namespace scriptfn {

// "isTileValid" mask t1 .. t6: 1 when every bit of the mask is met by the neighbours' facing
// sides (t1 on side 5 down to t6 on side 0).
OMWord isTileValid(OMWord unused);
// "pathFinderInit" mode base [count]: "magic", "adjacent", "container" or "pieces" read from
// the script variables base.row.column or base.k.
OMWord pathFinderInit(OMWord unused);
// "pathFinder": 1 when a chain of placed pieces joins a start cell (6, 17, 28) to a goal
// cell (1, 12, 23).
OMWord pathFinder(OMWord unused);

}  // namespace scriptfn
