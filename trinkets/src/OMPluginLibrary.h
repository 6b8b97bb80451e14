#pragma once

#include <string>
#include <vector>

#include <windows.h>

// The one place where plug-in libraries meet the machine. A plug-in is a shared object in
// the current folder, matched without regard to case. Once the platform loads modules
// itself, these become LoadLibraryA, FreeLibrary and a directory listing.
HMODULE loadPluginLibrary(const char* fileName);
void freePluginLibrary(HMODULE module);
// The names of the current folder's files whose extension is the given one (e.g. ".qzl"),
// compared without regard to case, in name order.
std::vector<std::string> listPluginLibraries(const char* extension);
