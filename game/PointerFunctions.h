#pragma once

#include "framework/OMWord.h"

// The scripts' pointer: the cursor shown or hidden, where it is over the stage, whether the
// left button is down, and whether two trinkets overlap. Global script functions answering in
// RESULT.
namespace scriptfn {

// "CursorHide", "CursorShow".
OMWord cursorHide(OMWord unused);
OMWord cursorShow(OMWord unused);
// "GetCursorX", "GetCursorY": the pointer in the stage's client coordinates.
OMWord getCursorX(OMWord unused);
OMWord getCursorY(OMWord unused);
// "isMouseDown": 1 while the left button is down.
OMWord isMouseDown(OMWord unused);
// "IntersectTest" a b: 1 when the trinkets held by the variables a and b overlap.
OMWord intersectTest(OMWord unused);

}  // namespace scriptfn
