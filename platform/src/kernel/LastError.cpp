#include "platform/src/kernel/LastError.h"

#include <cerrno>

namespace {

// Per thread, as the system keeps it.
thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

DWORD GetLastError(void)
{
  return lastError;
}

void SetLastError(DWORD error)
{
  lastError = error;
}

namespace omwin {

void setLastErrorFromErrno(int error)
{
  switch (error) {
    case 0:
      SetLastError(ERROR_SUCCESS);
      break;
    case ENOENT:
      SetLastError(ERROR_FILE_NOT_FOUND);
      break;
    case ENOTDIR:
      SetLastError(ERROR_PATH_NOT_FOUND);
      break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      SetLastError(ERROR_ACCESS_DENIED);
      break;
    case EEXIST:
      SetLastError(ERROR_FILE_EXISTS);
      break;
    case EBADF:
      SetLastError(ERROR_INVALID_HANDLE);
      break;
    case ENOMEM:
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      break;
    case EMFILE:
    case ENFILE:
      SetLastError(ERROR_TOO_MANY_OPEN_FILES);
      break;
    case ENOSPC:
      SetLastError(ERROR_DISK_FULL);
      break;
    case ENAMETOOLONG:
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      break;
    case ENOTEMPTY:
      SetLastError(ERROR_DIR_NOT_EMPTY);
      break;
    case EINVAL:
      SetLastError(ERROR_INVALID_PARAMETER);
      break;
    default:
      SetLastError(ERROR_INVALID_FUNCTION);
      break;
  }
}

int errnoFromLastError(DWORD error)
{
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NOT_READY:
      return ENOENT;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    default:
      return EINVAL;
  }
}

}  // namespace omwin
