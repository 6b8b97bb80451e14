#include "platform/src/user/KeyboardLayout.h"

#include <windows.h>

#include <strings.h>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace omuser {
namespace {

// Punctuation keys of the US layout: the key, its plain and its shifted character.
struct PunctuationKey {
  int virtualKey;
  char plain;
  char shifted;
};
constexpr PunctuationKey kPunctuation[] = {
    {VK_OEM_3, '`', '~'},      {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PLUS, '=', '+'},
    {VK_OEM_4, '[', '{'},      {VK_OEM_6, ']', '}'},     {VK_OEM_5, '\\', '|'},
    {VK_OEM_1, ';', ':'},      {VK_OEM_7, '\'', '"'},    {VK_OEM_COMMA, ',', '<'},
    {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

struct NamedKey {
  const char* name;
  int virtualKey;
};
constexpr NamedKey kNames[] = {
    {"Enter", VK_RETURN},  {"Return", VK_RETURN},    {"Esc", VK_ESCAPE},
    {"Escape", VK_ESCAPE}, {"Tab", VK_TAB},          {"Backspace", VK_BACK},
    {"Space", VK_SPACE},   {"Left", VK_LEFT},        {"Right", VK_RIGHT},
    {"Up", VK_UP},         {"Down", VK_DOWN},        {"Home", VK_HOME},
    {"End", VK_END},       {"PgUp", VK_PRIOR},       {"PageUp", VK_PRIOR},
    {"PgDn", VK_NEXT},     {"PageDown", VK_NEXT},    {"Insert", VK_INSERT},
    {"Delete", VK_DELETE}, {"Del", VK_DELETE},       {"Pause", VK_PAUSE},
    {"Shift", VK_SHIFT},   {"Ctrl", VK_CONTROL},     {"Control", VK_CONTROL},
    {"Alt", VK_MENU},      {"CapsLock", VK_CAPITAL},
};

}  // namespace

std::int16_t KeyboardLayout::keyScan(unsigned char c)
{
  if (c >= 'a' && c <= 'z') return static_cast<std::int16_t>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<std::int16_t>(0x100 | c);
  if (c >= '0' && c <= '9') return c;
  if (c == ' ') return VK_SPACE;
  if (c == 8) return VK_BACK;
  if (c == 9) return VK_TAB;
  if (c == 13) return VK_RETURN;
  if (c == 27) return VK_ESCAPE;
  if (c == 10) return 0x200 | VK_RETURN;
  if (c == 127) return 0x200 | VK_BACK;
  if (c >= 1 && c <= 26) return static_cast<std::int16_t>(0x200 | (c - 1 + 'A'));
  if (c == 28) return 0x200 | VK_OEM_5;
  if (c == 29) return 0x200 | VK_OEM_6;
  for (int i = 0; i < 10; ++i)
    if (kShiftedDigits[i] == c) return static_cast<std::int16_t>(0x100 | ('0' + i));
  for (const PunctuationKey& key : kPunctuation) {
    if (key.plain == static_cast<char>(c)) return static_cast<std::int16_t>(key.virtualKey);
    if (key.shifted == static_cast<char>(c))
      return static_cast<std::int16_t>(0x100 | key.virtualKey);
  }
  return -1;
}

int KeyboardLayout::character(int vk, bool shift, bool control, bool capsLock)
{
  switch (vk) {
    case VK_BACK:
      return control ? 127 : 8;
    case VK_TAB:
      return control ? -1 : 9;
    case VK_RETURN:
      return control ? 10 : 13;
    case VK_ESCAPE:
      return 27;
    case VK_SPACE:
      return ' ';
    default:
      break;
  }
  if (vk >= 'A' && vk <= 'Z') {
    if (control) return vk - 'A' + 1;
    return (shift != capsLock) ? vk : vk - 'A' + 'a';
  }
  if (control) {
    if (vk == VK_OEM_4) return 27;
    if (vk == VK_OEM_5) return 28;
    if (vk == VK_OEM_6) return 29;
    return -1;
  }
  if (vk >= '0' && vk <= '9') return shift ? kShiftedDigits[vk - '0'] : vk;
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return '0' + (vk - VK_NUMPAD0);
  switch (vk) {
    case VK_MULTIPLY:
      return '*';
    case VK_ADD:
      return '+';
    case VK_SUBTRACT:
      return '-';
    case VK_DECIMAL:
      return '.';
    case VK_DIVIDE:
      return '/';
    default:
      break;
  }
  for (const PunctuationKey& key : kPunctuation)
    if (key.virtualKey == vk) return static_cast<unsigned char>(shift ? key.shifted : key.plain);
  return -1;
}

int KeyboardLayout::scanCode(int vk)
{
  static constexpr char kLetterRows[] = "QWERTYUIOPASDFGHJKLZXCVBNM";
  static constexpr int kLetterCodes[] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18,
                                         0x19, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25,
                                         0x26, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32};
  if (vk >= 'A' && vk <= 'Z') return kLetterCodes[std::strchr(kLetterRows, vk) - kLetterRows];
  if (vk >= '1' && vk <= '9') return 0x02 + (vk - '1');
  if (vk == '0') return 0x0B;
  if (vk >= VK_F1 && vk <= VK_F10) return 0x3B + (vk - VK_F1);
  switch (vk) {
    case VK_F11:
      return 0x57;
    case VK_F12:
      return 0x58;
    case VK_ESCAPE:
      return 0x01;
    case VK_OEM_MINUS:
      return 0x0C;
    case VK_OEM_PLUS:
      return 0x0D;
    case VK_BACK:
      return 0x0E;
    case VK_TAB:
      return 0x0F;
    case VK_OEM_4:
      return 0x1A;
    case VK_OEM_6:
      return 0x1B;
    case VK_RETURN:
      return 0x1C;
    case VK_CONTROL:
      return 0x1D;
    case VK_OEM_1:
      return 0x27;
    case VK_OEM_7:
      return 0x28;
    case VK_OEM_3:
      return 0x29;
    case VK_SHIFT:
      return 0x2A;
    case VK_OEM_5:
      return 0x2B;
    case VK_OEM_COMMA:
      return 0x33;
    case VK_OEM_PERIOD:
      return 0x34;
    case VK_OEM_2:
      return 0x35;
    case VK_MULTIPLY:
      return 0x37;
    case VK_MENU:
      return 0x38;
    case VK_SPACE:
      return 0x39;
    case VK_CAPITAL:
      return 0x3A;
    case VK_PAUSE:
      return 0x45;
    case VK_HOME:
      return 0x47;
    case VK_UP:
      return 0x48;
    case VK_PRIOR:
      return 0x49;
    case VK_SUBTRACT:
      return 0x4A;
    case VK_LEFT:
      return 0x4B;
    case VK_RIGHT:
      return 0x4D;
    case VK_ADD:
      return 0x4E;
    case VK_END:
      return 0x4F;
    case VK_DOWN:
      return 0x50;
    case VK_NEXT:
      return 0x51;
    case VK_INSERT:
      return 0x52;
    case VK_DELETE:
      return 0x53;
    default:
      return 0;
  }
}

bool KeyboardLayout::isExtended(int vk)
{
  switch (vk) {
    case VK_HOME:
    case VK_UP:
    case VK_PRIOR:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_END:
    case VK_DOWN:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_DIVIDE:
      return true;
    default:
      return false;
  }
}

int KeyboardLayout::virtualKeyFromName(const char* name)
{
  if (name == nullptr || *name == 0) return 0;
  if ((name[0] == 'F' || name[0] == 'f') && std::isdigit(static_cast<unsigned char>(name[1]))) {
    const int n = std::atoi(name + 1);
    if (n >= 1 && n <= 12) return VK_F1 + n - 1;
  }
  for (const NamedKey& key : kNames)
    if (strcasecmp(key.name, name) == 0) return key.virtualKey;
  if (name[1] == 0) {
    const std::int16_t scan = keyScan(static_cast<unsigned char>(name[0]));
    if (scan != -1) return scan & 0xFF;
  }
  return 0;
}

}  // namespace omuser
