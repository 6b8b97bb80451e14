#pragma once

#include "windef.h"

// Milliseconds from the host's clock (see host/HostClock.h).
DWORD timeGetTime(void);
