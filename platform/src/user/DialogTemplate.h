#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace omuser {

// A text or a number, as templates name menus, classes and titles.
struct NameOrOrdinal {
  bool isOrdinal = false;
  WORD ordinal = 0;
  std::string text;  // code page 1252
  bool empty() const { return !isOrdinal && text.empty(); }
};

// One control of a dialog template.
struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  DWORD helpId = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  NameOrOrdinal windowClass;
  NameOrOrdinal title;
  std::vector<std::uint8_t> creationData;  // with its leading size word, empty when none
};

// A DLGTEMPLATE or DLGTEMPLATEEX read into plain data.
struct DialogTemplate {
  bool extended = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  DWORD helpId = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::string caption;
  bool hasFont = false;
  WORD pointSize = 0;
  WORD weight = 0;
  BYTE italic = 0;
  BYTE charset = 0;
  std::string face;
  std::vector<DialogItem> items;
  // Made by the platform itself (message boxes): places and sizes are pixels, not units.
  bool inPixels = false;

  // Reads size bytes; false with why on a damaged template (a count or text past the end).
  static bool parse(const void* data, std::size_t size, DialogTemplate& out, std::string* why);
  // The class name a template ordinal stands for ("Button" for 0x80 ...), null when unknown.
  static const char* classOfOrdinal(WORD ordinal);
};

}  // namespace omuser
