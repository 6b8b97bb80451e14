#pragma once

// An invariant that must hold in every build: a broken one stops the program with the
// expression, file and line instead of running on into memory it does not own.
#define OM_ASSERT(expression) \
  ((expression) ? static_cast<void>(0) : omAssertionFailed(#expression, __FILE__, __LINE__))

[[noreturn]] void omAssertionFailed(const char* expression, const char* file, int line);
