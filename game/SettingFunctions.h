#pragma once

#include "framework/OMWord.h"

// The scripts' settings: how trinkets are dragged and animations placed, double clicks, font
// substitutions and the game's INI values. Global script functions.
namespace scriptfn {

// "MessageBox": does nothing.
OMWord messageBox(OMWord unused);
// "SetCorralTrinketNormalization" on: dragged trinkets stay within their window.
OMWord setCorralTrinketNormalization(OMWord unused);
// "SetDoubleClicksEnabled" on: with 0 a double click is a second press.
OMWord setDoubleClicksEnabled(OMWord unused);
// "SetUseEmbeddedAnimationCoordinates" on: for the animations made afterwards.
OMWord setUseEmbeddedAnimationCoordinates(OMWord unused);
// "SubstituteFont": id id | id face size style | face size style id |
// face size style face size style.
OMWord substituteFont(OMWord unused);
// "readINI" key: RESULT is the number the key of the game's section holds, 0 when missing.
OMWord readINI(OMWord unused);

}  // namespace scriptfn
