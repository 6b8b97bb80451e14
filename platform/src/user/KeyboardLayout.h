#pragma once

#include <cstdint>

namespace omuser {

// The US keyboard with Windows-1252 characters: which key types which character, and the
// scan codes (set 1) the keys report.
class KeyboardLayout {
 public:
  // VkKeyScanA's answer: the virtual key in the low byte, the shift state in the high byte
  // (1 Shift, 2 Ctrl); -1 when no key types the character.
  static std::int16_t keyScan(unsigned char character);
  // The character a key types with the given modifiers, or -1 for none. Ctrl with a letter
  // gives 1 to 26; Backspace, Tab, Enter and Esc give 8, 9, 13 and 27.
  static int character(int virtualKey, bool shift, bool control, bool capsLock);
  static int scanCode(int virtualKey);
  // Keys whose scan code carries the extended flag (arrows, Insert, Delete, Home, End, ...).
  static bool isExtended(int virtualKey);
  // Names used by input scripts ("F5", "Enter", "Left", "a"); 0 when unknown.
  static int virtualKeyFromName(const char* name);
};

}  // namespace omuser
