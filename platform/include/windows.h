#pragma once

// The umbrella header the engine and programs include, as on Windows.
#include "windef.h"
#include "mmsystem.h"
#include "winerror.h"
#include "winbase.h"
#include "omcrt.h"
#include "winreg.h"
#include "shellapi.h"
#include "commdlg.h"
#include "winver.h"
