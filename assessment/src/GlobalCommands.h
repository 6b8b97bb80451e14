#pragma once

#include <cstdint>

#include "framework/OMRGBColor.h"

// The program's global script commands, the palette tables they share and the cell fade.

// Registers the twenty commands, in the program's order.
void registerGlobalCommands();
// Forgets the tables and settings, as at start.
void resetGlobalCommands();

// The stage's picture layer, made by "Scene"; null before.
class AOBackground;
AOBackground* pictureLayer();

// The cell fades over the stage window: to black (then BlackScreen with that index), and from
// black to the picture.
void fadeToBlack(int index);
void fadeFromBlack();
// Fills the stage window's whole canvas with black, as the activities leave it.
void blackenStageWindow();
// The fade register's next value.
std::uint16_t nextFadeStep(std::uint16_t value);

// Stops the sounds and the script thread; "false" quits, anything else starts the main
// program first and quits only when that worked.
void execMainProgram(const char* argument);

// Copies the stage canvas's entries 10 to 245 into the snapshot, and the snapshot entry
// nearest to a colour (channels 0-255).
void takePaletteSnapshot();
int nearestSnapshotEntry(int red, int green, int blue);

const OMRGBColor* workingPalette();
// The seven stored file names, in the order AOFile, WAVFile, SFXFile, VOCFile, RRGBFile,
// MUSFile, TXTFile.
const char* storedFileName(int which);
