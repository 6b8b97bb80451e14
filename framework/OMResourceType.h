#pragma once

#include <cstdint>

// The standard Win32 resource types by name. A type is passed as Win32 passes it: a pointer
// whose value is a number below 65536, or a name.
inline bool isResourceNumber(const char* type)
{
  return (reinterpret_cast<std::uintptr_t>(type) >> 16) == 0;
}
inline const char* resourceNumber(std::uint16_t number)
{
  return reinterpret_cast<const char*>(std::uintptr_t(number));
}
inline std::uint16_t numberOfResource(const char* type)
{
  return std::uint16_t(reinterpret_cast<std::uintptr_t>(type));
}

// The number of a standard type name ("CURSOR" is 12), or the name itself.
const char* typeNumber(const char* typeName);

struct OMResTypeName {
  int found;
  const char* name;  // the standard name, when found
  int number;
};
// The standard name of a type number.
OMResTypeName typeNameOf(int number);
