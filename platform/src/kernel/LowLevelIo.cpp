// The Windows C library's low-level file calls over the host's descriptors.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>

#include "platform/host/HostActivity.h"
#include "platform/src/kernel/LastError.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace {

int hostOpenFlags(int flags)
{
  int host = 0;
  switch (flags & 3) {
    case _O_WRONLY:
      host = O_WRONLY;
      break;
    case _O_RDWR:
      host = O_RDWR;
      break;
    default:
      host = O_RDONLY;
      break;
  }
  if (flags & _O_APPEND) host |= O_APPEND;
  if (flags & _O_CREAT) host |= O_CREAT;
  if (flags & _O_TRUNC) host |= O_TRUNC;
  if (flags & _O_EXCL) host |= O_EXCL;
  return host | O_CLOEXEC;
}

// Windows knows only "read-only or not"; the host's umask narrows the rest.
mode_t hostPermission(int permission)
{
  return (permission & _S_IWRITE) ? 0666 : 0444;
}

void fillStatus(const struct stat& host, bool writable, struct _stat* status)
{
  std::memset(status, 0, sizeof *status);
  unsigned short mode = S_ISDIR(host.st_mode) ? _S_IFDIR : _S_IFREG;
  unsigned short access = _S_IREAD | (writable ? _S_IWRITE : 0);
  if (S_ISDIR(host.st_mode) || (host.st_mode & S_IXUSR)) access |= _S_IEXEC;
  mode |= access | (access >> 3) | (access >> 6);
  status->st_mode = mode;
  status->st_dev = static_cast<unsigned int>(host.st_dev);
  status->st_rdev = status->st_dev;
  status->st_nlink = static_cast<short>(host.st_nlink);
  status->st_size = host.st_size > LONG_MAX ? LONG_MAX : static_cast<long>(host.st_size);
  status->st_atim = host.st_atim;
  status->st_mtim = host.st_mtim;
  status->st_ctim = host.st_ctim;
}

// Maps a path for the C library calls: errno and the last error on refusal.
const char* mapped(const char* path, std::string& storage)
{
  if (!path) {
    errno = EINVAL;
    return nullptr;
  }
  const auto host = omwin::hostPathFor(path);
  if (!host) {
    errno = omwin::errnoFromLastError(GetLastError());
    return nullptr;
  }
  storage = *host;
  return storage.c_str();
}

}  // namespace

int _open(const char* path, int flags, ...)
{
  int permission = 0;
  if (flags & _O_CREAT) {
    va_list arguments;
    va_start(arguments, flags);
    permission = va_arg(arguments, int);
    va_end(arguments);
  }
  std::string storage;
  const char* host = mapped(path, storage);
  if (!host) return -1;
  const int fd = ::open(host, hostOpenFlags(flags), hostPermission(permission));
  if (fd < 0) {
    omwin::setLastErrorFromErrno(errno);
    return -1;
  }
  struct stat status;
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {  // folders are no files here
    ::close(fd);
    errno = EACCES;
    SetLastError(ERROR_ACCESS_DENIED);
    return -1;
  }
  return fd;
}

int _read(int handle, void* buffer, unsigned int count)
{
  if (count > INT_MAX) count = INT_MAX;
  const ssize_t done = ::read(handle, buffer, count);
  omhost::noteActivity();
  return done < 0 ? -1 : static_cast<int>(done);
}

int _write(int handle, const void* buffer, unsigned int count)
{
  if (count > INT_MAX) count = INT_MAX;
  const ssize_t done = ::write(handle, buffer, count);
  return done < 0 ? -1 : static_cast<int>(done);
}

long _lseek(int handle, long offset, int origin)
{
  const int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  if (origin < 0 || origin > 2) {
    errno = EINVAL;
    return -1;
  }
  const off_t position = ::lseek(handle, offset, whence);
  return position < 0 ? -1L : static_cast<long>(position);
}

int _close(int handle)
{
  return ::close(handle) == 0 ? 0 : -1;
}

int _fstat(int handle, struct _stat* status)
{
  struct stat host;
  if (!status || ::fstat(handle, &host) != 0) return -1;
  const int mode = ::fcntl(handle, F_GETFL);
  const bool writable = mode >= 0 && (mode & O_ACCMODE) != O_RDONLY;
  fillStatus(host, writable || ((host.st_mode & S_IWUSR) != 0), status);
  return 0;
}

int _stat(const char* path, struct _stat* status)
{
  std::string storage;
  const char* host = mapped(path, storage);
  struct stat hostStatus;
  if (!host || !status || ::stat(host, &hostStatus) != 0) return -1;
  fillStatus(hostStatus, ::access(host, W_OK) == 0, status);
  return 0;
}

int _unlink(const char* path)
{
  std::string storage;
  const char* host = mapped(path, storage);
  if (!host) return -1;
  return ::unlink(host) == 0 ? 0 : -1;
}

int _commit(int handle)
{
  if (::fsync(handle) == 0) return 0;
  // A handle that cannot be synchronised (a pipe, a terminal) has nothing to write through.
  return errno == EINVAL ? 0 : -1;
}
