#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMWord.h"

class OMCursor;
class OMIStream;

// The game's resource set-up: search paths, the registration of the resource files of the
// current directory and of the CD, the engine's resource hooks, and the game's cursors.

// False, with nothing installed, when the CD root added no resource file. A failed set-up
// is undone by shutdownResources like a successful one.
bool initResources();
void shutdownResources();
// After a failed set-up: says on standard error which host folder the CD root's drive stands
// for and which setting maps it, which the message box cannot tell a user of this host.
void reportMissingResourceFiles();

// Registers the files listed in directory + "resource.map"; false when there is no map.
bool openResourceMap(const char* directory);

// The typed loaders: a new stream the caller owns, or null.
std::unique_ptr<OMIStream> findSoundResource(std::uint16_t id);
std::unique_ptr<OMIStream> findAnimationResource(std::uint16_t id);
std::unique_ptr<OMIStream> findBackgroundResource(std::uint16_t id);
std::unique_ptr<OMIStream> findFontResource(std::uint16_t id);
std::unique_ptr<OMIStream> findPaletteResource(std::uint16_t id);
std::unique_ptr<OMIStream> findWaveResource(std::uint16_t id, std::int32_t option);
std::unique_ptr<OMIStream> findTypedResource(std::uint16_t id, const char* type);

// The speech sounds characters keep read with option 0 while kept. Link targets: the word is
// the WAVE id.
OMWord keepSound(OMWord id);
OMWord releaseKeptSound(OMWord id);
bool isSoundKept(std::uint16_t id);
int keptSoundCount();

// The game's cursors, built from ASEQ resources on the main trinket window and shared per id
// until shutdownResources, which must therefore run while that window exists. Null when the
// id has no animation or there is no trinket window.
OMCursor* cursorFromResource(int id);
OMCursor* defaultCursor();
OMCursor* cursorById(std::uint16_t id);
int cachedCursorCount();

// What the script function "InstallCursors" does: hands the cursors to the classes as their
// defaults and gives them the cursor lookup.
void installCursors();
