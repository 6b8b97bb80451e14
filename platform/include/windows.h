#pragma once

// The umbrella header the engine and programs include, as on Windows.
#include "windef.h"
#include "mmsystem.h"
#include "wingdi.h"
#include "winuser.h"
