#include "framework/OMFileSystem.h"

#include "framework/OMPlainFileSystem.h"
#include "framework/OMQueriedFile.h"

namespace {

OMFileSystem* slots[10] = {};

}  // namespace

OMFileSystem* fileSystemFor(const char* path)
{
  if (path && path[0] >= '0' && path[0] <= '9' && path[1] == ':') return slots[path[0] - '0'];
  return &OMPlainFileSystem::instance();
}

void setFileSystemSlot(int digit, OMFileSystem* handler)
{
  if (digit >= 0 && digit <= 9) slots[digit] = handler;
}

bool isFileSystemInstalled(const OMFileSystem* handler)
{
  if (!handler) return false;
  if (handler == &OMPlainFileSystem::instance()) return true;
  for (const OMFileSystem* slot : slots)
    if (slot == handler) return true;
  return false;
}

bool fileSystemFind(const char* pattern, const OMFindEntry*& entries, int& count)
{
  entries = nullptr;
  count = 0;
  OMFileSystem* handler = fileSystemFor(pattern);
  return handler && handler->find(pattern, entries, count);
}

bool fileSystemStat(const char* path, OMFileStatus& status)
{
  status = OMFileStatus();
  OMFileSystem* handler = fileSystemFor(path);
  return handler && handler->stat(path, status);
}

bool fileSystemRemove(const char* path)
{
  forgetQueriedFile(path);
  OMFileSystem* handler = fileSystemFor(path);
  return handler && handler->remove(path);
}
