#pragma once

#include <optional>
#include <string>
#include <vector>

#include <windows.h>

// The one place where plug-in libraries meet the system: loading and freeing go through
// LoadLibraryA and FreeLibrary, and the folder is listed by a hidden list box, as the program
// has always done it.
HMODULE loadPluginLibrary(const char* fileName);
// A host that knows every plug-in library its folders can hold names their files here (a
// fuzz run, whose folders hold none, names none): loading any other file then fails at once,
// as the search would, without looking on the disk. With no list every load searches.
void setKnownPluginLibraries(std::optional<std::vector<std::string>> fileNames);
void freePluginLibrary(HMODULE module);
// The current folder's files that match the pattern (e.g. "*.qzl"), taken from the list box
// from its last entry to its first (it sorts them by name, without regard to case) and
// stopping at the first entry that cannot be read.
std::vector<std::string> listPluginLibraries(const char* pattern);
