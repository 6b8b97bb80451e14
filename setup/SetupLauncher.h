#pragma once

#include <windows.h>

// The CD's setup launcher: starts the online-service installer that lies beside it in
// "INSTALL\VUD" and ends, without a window and without passing its command line on.

// 1 when the shell started the installer, 0 otherwise. Only the instance is used.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

// Windows 9x or NT (not Win32s).
bool isSupportedWindows();

// Where WinMain asks for its own file path; GetModuleFileNameA unless a test replaces it.
using SetupModuleFileNameFunction = DWORD (*)(HMODULE module, LPSTR fileName, DWORD size);
extern SetupModuleFileNameFunction setupModuleFileName;
