#pragma once

// Starting a program or opening a document through the shell.
#include "windef.h"

// The answer is above 32 on success; otherwise a Windows error value (2 not found, 3 path not
// found, 11 not a program this system can run).
HINSTANCE ShellExecuteA(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCommand);
