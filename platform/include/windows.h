#pragma once

// The umbrella header the engine and programs include, as on Windows.
#include "mmsystem.h"
#include "omcrt.h"
#include "winbase.h"
#include "windef.h"
#include "winerror.h"
