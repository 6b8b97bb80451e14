#include "framework/OMResourceType.h"

#include <cstring>

namespace {

struct Row {
  const char* name;
  int number;
};

// "CURSOR" and "ICON" name the group types.
constexpr Row resourceTypes[] = {
    {"CURSOR", 12}, {"BITMAP", 2},  {"ICON", 14}, {"MENU", 4},        {"DIALOG", 5},
    {"STRING", 6},  {"FONTDIR", 7}, {"FONT", 8},  {"ACCELERATOR", 9}, {"RCDATA", 10},
};

}  // namespace

const char* typeNumber(const char* typeName)
{
  if (!typeName || isResourceNumber(typeName)) return typeName;
  for (const Row& row : resourceTypes)
    if (std::strcmp(row.name, typeName) == 0) return resourceNumber(std::uint16_t(row.number));
  return typeName;
}

OMResTypeName typeNameOf(int number)
{
  for (const Row& row : resourceTypes)
    if (row.number == number) return {1, row.name, number};
  return {0, nullptr, number};
}
