#pragma once

#include <windows.h>

namespace omwin {

// Sets the thread's last error from a host errno value.
void setLastErrorFromErrno(int error);
// The errno value the C library calls give for a last-error value.
int errnoFromLastError(DWORD error);

}  // namespace omwin
