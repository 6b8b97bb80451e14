#pragma once

// The umbrella header the engine and programs include, as on Windows.
#include "commdlg.h"
#include "mmsystem.h"
#include "omcrt.h"
#include "shellapi.h"
#include "winbase.h"
#include "windef.h"
#include "winerror.h"
#include "wingdi.h"
#include "winreg.h"
#include "winuser.h"
#include "winver.h"
