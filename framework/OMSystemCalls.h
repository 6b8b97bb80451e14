#pragma once

#include <cstdio>

// The few system calls the file classes make, in one place, so that they can move onto the
// platform's own calls without touching their callers.
namespace omsys {

std::FILE* openStdioFile(const char* path, const char* mode);

}  // namespace omsys
