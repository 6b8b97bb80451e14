#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

// The system calls the file and resource classes make, in one place: the Windows C library's
// low-level file calls, listings, stdio, kernel events and threads, and module resources.
// Paths are Windows paths; flags and permissions are those of the Windows C library.
namespace omsys {

// Flags of openFile.
constexpr int readOnly = 0x0000;
constexpr int writeOnly = 0x0001;
constexpr int readWrite = 0x0002;
constexpr int create = 0x0100;
constexpr int untranslated = 0x8000;

// A handle, or -1.
int openFile(const char* path, int flags, int permission);
// Reads or writes at the given offset; the count, or -1.
int readFileAt(int handle, std::int64_t offset, void* buffer, unsigned length);
int writeFileAt(int handle, std::int64_t offset, const void* buffer, unsigned length);
int closeFile(int handle);
// The size of an open file, or -1.
std::int64_t fileSize(int handle);

struct PathStatus {
  std::int64_t size = 0;
  bool directory = false;
  std::int64_t modified = 0;
};
bool statPath(const char* path, PathStatus& status);
bool removeFile(const char* path);

struct DirectoryEntry {
  std::string name;
  std::uint32_t size = 0;
  std::uint32_t attributes = 0;  // 0x10: a directory
};
// Lists what a pattern ("folder\\*") names; false when the folder cannot be read.
bool listDirectory(const char* pattern, std::vector<DirectoryEntry>& entries);

std::FILE* openStdioFile(const char* path, const char* mode);

// Compares two texts without regard to letter case (ASCII), as the C library's _stricmp.
int compareNoCase(const char* a, const char* b);

// Events with the semantics of the kernel's: manual or automatic reset, waits that give
// the memory ordering of a handshake.
using Event = HANDLE;
Event createEvent(bool manualReset, bool initiallySet);
void setEvent(Event event);
void resetEvent(Event event);
// Waits forever, or only tests when poll is set; true when the event was set.
bool waitEvent(Event event, bool poll);
void closeEvent(Event event);

using Thread = HANDLE;
// Starts function(argument) on a new thread; null when it cannot start.
Thread startThread(void (*function)(void*), void* argument);
// Waits for the thread to end and frees it.
void joinThread(Thread thread);

// The Win32 resources of a module (the program's own when module is its instance).
HRSRC findResource(HMODULE module, int resourceId, const char* type);
HGLOBAL loadResource(HMODULE module, HRSRC resource);
const void* lockResource(HGLOBAL loaded);
std::uint32_t sizeofResource(HMODULE module, HRSRC resource);
void freeResource(HGLOBAL loaded);

}  // namespace omsys
