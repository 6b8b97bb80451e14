#include "framework/OMSystemCalls.h"

#include <io.h>
#include <process.h>
#include <windows.h>

#include <cstdio>

namespace omsys {

int openFile(const char* path, int flags, int permission)
{
  if (!path || !*path) return -1;
  return _open(path, flags, permission);
}

int readFileAt(int handle, std::int64_t offset, void* buffer, unsigned length)
{
  if (offset < 0 || offset > 0x7FFFFFFF || _lseek(handle, long(offset), SEEK_SET) != offset)
    return -1;
  return _read(handle, buffer, length);
}

int writeFileAt(int handle, std::int64_t offset, const void* buffer, unsigned length)
{
  if (offset < 0 || offset > 0x7FFFFFFF || _lseek(handle, long(offset), SEEK_SET) != offset)
    return -1;
  return _write(handle, buffer, length);
}

int closeFile(int handle)
{
  return _close(handle);
}

std::int64_t fileSize(int handle)
{
  struct _stat status = {};
  if (_fstat(handle, &status) != 0) return -1;
  return status.st_size;
}

bool statPath(const char* path, PathStatus& status)
{
  status = PathStatus();
  if (!path || !*path) return false;
  struct _stat host = {};
  if (_stat(path, &host) != 0) return false;
  status.size = host.st_size;
  status.directory = (host.st_mode & _S_IFMT) == _S_IFDIR;
  status.modified = host.st_mtim.tv_sec;
  return true;
}

bool removeFile(const char* path)
{
  return path && *path && om_remove(path) == 0;
}

bool listDirectory(const char* pattern, std::vector<DirectoryEntry>& entries)
{
  entries.clear();
  if (!pattern) return false;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    entries.push_back({found.cFileName, found.nFileSizeLow, found.dwFileAttributes});
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return true;
}

std::FILE* openStdioFile(const char* path, const char* mode)
{
  if (!path || !*path) return nullptr;
  return om_fopen(path, mode);
}

int compareNoCase(const char* a, const char* b)
{
  return _stricmp(a, b);
}

Event createEvent(bool manualReset, bool initiallySet)
{
  return CreateEventA(nullptr, manualReset, initiallySet, nullptr);
}

void setEvent(Event event)
{
  SetEvent(event);
}

void resetEvent(Event event)
{
  ResetEvent(event);
}

bool waitEvent(Event event, bool poll)
{
  return WaitForSingleObject(event, poll ? 0 : INFINITE) == WAIT_OBJECT_0;
}

void closeEvent(Event event)
{
  CloseHandle(event);
}

namespace {

struct ThreadStart {
  void (*function)(void*);
  void* argument;
};

unsigned runThread(void* start)
{
  const ThreadStart call = *static_cast<ThreadStart*>(start);
  delete static_cast<ThreadStart*>(start);
  call.function(call.argument);
  return 0;
}

}  // namespace

Thread startThread(void (*function)(void*), void* argument)
{
  auto* start = new ThreadStart{function, argument};
  const std::uintptr_t started = _beginthreadex(nullptr, 0, &runThread, start, 0, nullptr);
  if (!started) delete start;
  return reinterpret_cast<Thread>(started);
}

void joinThread(Thread thread)
{
  if (!thread) return;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

HRSRC findResource(HMODULE module, int resourceId, const char* type)
{
  return FindResourceA(module, MAKEINTRESOURCEA(resourceId), type);
}

HGLOBAL loadResource(HMODULE module, HRSRC resource)
{
  return LoadResource(module, resource);
}

const void* lockResource(HGLOBAL loaded)
{
  return LockResource(loaded);
}

std::uint32_t sizeofResource(HMODULE module, HRSRC resource)
{
  return SizeofResource(module, resource);
}

void freeResource(HGLOBAL loaded)
{
  FreeResource(loaded);
}

}  // namespace omsys
