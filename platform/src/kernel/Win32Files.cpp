// CreateFileA and the calls on its handles. Sharing modes and caching hints are accepted and
// not enforced: the host has no equivalent, and the callers do not depend on refusals.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>

#include <windows.h>

#include "platform/host/HostActivity.h"
#include "platform/src/kernel/AtomicFile.h"
#include "platform/src/kernel/FileObject.h"
#include "platform/src/kernel/HandleTable.h"
#include "platform/src/kernel/LastError.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace omwin {

FileObject::~FileObject()
{
  if (descriptor_ >= 0) ::close(descriptor_);
}

}  // namespace omwin

namespace {

std::shared_ptr<omwin::FileObject> fileFor(HANDLE handle)
{
  auto file = omwin::HandleTable::instance().findAs<omwin::FileObject>(handle);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

int accessFlags(DWORD desiredAccess)
{
  const bool read = (desiredAccess & GENERIC_READ) != 0;
  const bool write = (desiredAccess & GENERIC_WRITE) != 0;
  if (read && write) return O_RDWR;
  return write ? O_WRONLY : O_RDONLY;
}

bool creationFlags(DWORD disposition, int& flags)
{
  switch (disposition) {
    case CREATE_NEW:
      flags |= O_CREAT | O_EXCL;
      return true;
    case CREATE_ALWAYS:
      flags |= O_CREAT | O_TRUNC;
      return true;
    case OPEN_EXISTING:
      return true;
    case OPEN_ALWAYS:
      flags |= O_CREAT;
      return true;
    case TRUNCATE_EXISTING:
      flags |= O_TRUNC;
      return true;
    default:
      return false;
  }
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE)
{
  int flags = accessFlags(desiredAccess) | O_CLOEXEC;
  if (!fileName || !creationFlags(creationDisposition, flags)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const auto host = omwin::hostPathFor(fileName);
  if (!host) return INVALID_HANDLE_VALUE;
  const bool existed = ::access(host->c_str(), F_OK) == 0;
  const mode_t permission = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  const int fd = ::open(host->c_str(), flags, permission);
  if (fd < 0) {
    omwin::setLastErrorFromErrno(errno);
    return INVALID_HANDLE_VALUE;
  }
  struct stat status;
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const bool reportsExisting =
      existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return omwin::HandleTable::instance().add(std::make_shared<omwin::FileObject>(fd));
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED)
{
  if (bytesRead) *bytesRead = 0;
  const auto object = fileFor(file);
  if (!object) return FALSE;
  DWORD total = 0;
  auto* out = static_cast<char*>(buffer);
  while (total < bytesToRead) {
    const ssize_t done = ::read(object->descriptor(), out + total, bytesToRead - total);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) {
      omwin::setLastErrorFromErrno(errno);
      return FALSE;
    }
    if (done == 0) break;  // end of file: success with fewer bytes
    total += static_cast<DWORD>(done);
  }
  if (bytesRead) *bytesRead = total;
  omhost::noteActivity();
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED)
{
  if (bytesWritten) *bytesWritten = 0;
  const auto object = fileFor(file);
  if (!object) return FALSE;
  DWORD total = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (total < bytesToWrite) {
    const ssize_t done = ::write(object->descriptor(), in + total, bytesToWrite - total);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      omwin::setLastErrorFromErrno(done < 0 ? errno : ENOSPC);
      if (bytesWritten) *bytesWritten = total;
      return FALSE;
    }
    total += static_cast<DWORD>(done);
  }
  if (bytesWritten) *bytesWritten = total;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LPLONG distanceHigh, DWORD moveMethod)
{
  const auto object = fileFor(file);
  if (!object) return INVALID_SET_FILE_POINTER;
  std::int64_t offset = distance;
  if (distanceHigh)
    offset = static_cast<std::int64_t>((static_cast<std::uint64_t>(*distanceHigh) << 32) |
                                       static_cast<DWORD>(distance));
  const int whence = moveMethod == FILE_CURRENT ? SEEK_CUR
                     : moveMethod == FILE_END   ? SEEK_END
                                                : SEEK_SET;
  if (moveMethod > FILE_END) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  const off_t position = ::lseek(object->descriptor(), offset, whence);
  if (position < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);  // a negative position, as Windows reports it
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(position);
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh)
{
  const auto object = fileFor(file);
  struct stat status;
  if (!object || ::fstat(object->descriptor(), &status) != 0) return INVALID_FILE_SIZE;
  const auto size = static_cast<std::uint64_t>(status.st_size);
  if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

BOOL DeleteFileA(LPCSTR fileName)
{
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto host = omwin::hostPathFor(fileName);
  if (!host) return FALSE;
  struct stat status;
  if (::stat(host->c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (::unlink(host->c_str()) != 0) {
    omwin::setLastErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags)
{
  if (!existingFileName || !newFileName || (flags & MOVEFILE_DELAY_UNTIL_REBOOT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto source = omwin::hostPathFor(existingFileName);
  const auto target = source ? omwin::hostPathFor(newFileName) : std::nullopt;
  if (!target) return FALSE;
  struct stat sourceStatus;
  if (::lstat(source->c_str(), &sourceStatus) != 0) {
    omwin::setLastErrorFromErrno(errno);
    return FALSE;
  }
  struct stat targetStatus;
  if (*source != *target && ::lstat(target->c_str(), &targetStatus) == 0) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    // Only a file replaces a file.
    if (S_ISDIR(targetStatus.st_mode) || S_ISDIR(sourceStatus.st_mode)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  if (std::rename(source->c_str(), target->c_str()) != 0) {
    if (errno == EXDEV)
      SetLastError(ERROR_NOT_SAME_DEVICE);
    else
      omwin::setLastErrorFromErrno(errno);
    return FALSE;
  }
  if (flags & MOVEFILE_WRITE_THROUGH) {
    omwin::syncFolderOf(*target);
    const auto folderOf = [](const std::string& path) { return path.substr(0, path.rfind('/')); };
    if (folderOf(*source) != folderOf(*target)) omwin::syncFolderOf(*source);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
