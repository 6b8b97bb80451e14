#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

#include "framework/OMPoint.h"
#include "framework/OMRect.h"

// The key codes of keys without a character: they reach windows as characters of this
// private range.
namespace omkey {
constexpr std::uint32_t backspace = 0xE800;
constexpr std::uint32_t tab = 0xE801;
constexpr std::uint32_t enter = 0xE802;
constexpr std::uint32_t pause = 0xE803;
constexpr std::uint32_t escape = 0xE804;
constexpr std::uint32_t pageUp = 0xE805;
constexpr std::uint32_t pageDown = 0xE806;
constexpr std::uint32_t end = 0xE807;
constexpr std::uint32_t home = 0xE808;
constexpr std::uint32_t left = 0xE809;
constexpr std::uint32_t up = 0xE80A;
constexpr std::uint32_t right = 0xE80B;
constexpr std::uint32_t down = 0xE80C;
constexpr std::uint32_t insert = 0xE80D;
constexpr std::uint32_t del = 0xE80E;
constexpr std::uint32_t f1 = 0xE80F;
constexpr std::uint32_t f12 = 0xE81A;

struct KeyCodeEntry {
  std::uint32_t code;
  int virtualKey;
};
// {key code, virtual key}, ending with {0, 0}.
extern const KeyCodeEntry keyCodeTable[];

// The key code of a virtual key that types no character (Pause, Page Up to Delete, F1 to
// F12), or 0.
std::uint32_t codeOfVirtualKey(int virtualKey);
// The key code of a real control character (8, 9, 13, 27), else the character itself.
std::uint32_t codeOfCharacter(std::uint32_t character);
}  // namespace omkey

// The copy of the message being handled: written by the main loop before dispatch and by the
// key translation.
MSG& currentEvent();
WPARAM currentEventWParam();
// The point of a mouse message (client coordinates of its window) through the mouse-point
// filter; (0, 0) for other messages.
OMPoint currentEventMousePoint();

using OMMousePointFilter = void (*)(OMPoint& point);
// Installs the function every mouse point handed to the program goes through; answers the
// previous one (null = none).
OMMousePointFilter setMousePointFilter(OMMousePointFilter filter);
OMMousePointFilter mousePointFilter();
void filterMousePoint(OMPoint& point);

int alertBox(const char* text, unsigned flags, const char* title);
OMRect getScreenRect(int displayIndex);
int getScreenDepth();
// The assessment program's form: the depth of the display "\\.\DisplayN" for an index.
int getScreenDepth(int displayIndex);
std::uint32_t getTicks();
// Buttons: 1 right, 2 middle, 4 left, while held.
OMPoint getMouseState(int* buttons);
bool isKeyDown(std::uint32_t character);
bool isControlKeyDown();
void flushInputMessages();
// Product name and version from a module's version block; empty texts when missing.
void getVersionStrings(HMODULE module, std::string& productName, std::string& productVersion);
bool probeDirectDraw(int width, int height, int depth);

// The assessment program's helpers: a beep, and a "WAVE" resource of the program played
// through sndPlaySoundA (any sound playing that way is stopped first).
void beep(unsigned type);
bool playSoundResource(int resourceId, bool asynchronous);
void stopSoundResource();
