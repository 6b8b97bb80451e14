#include "framework/OMAsyncFile.h"

#include <cstdint>

#include "framework/OMFileSystem.h"
#include "framework/OMPlainFileSystem.h"
#include "framework/OMQueriedFile.h"

OMAsyncFile::OMAsyncFile(const char* path, int openFlags, int permission, bool async)
    : openFlags(openFlags), permission(permission)
{
  if (!path || !*path) return;
  fileSystem = fileSystemFor(path);
  if (!fileSystem) return;
  this->path = path;
  notPlain = fileSystem != &OMPlainFileSystem::instance();
  doneEvent_ = omsys::createEvent(true, true);
  requestEvent_ = omsys::createEvent(false, false);
  thread_ = omsys::startThread(&OMAsyncFile::workerMain, this);
  if (!thread_) return;
  request = requestOpen;
  if (async) {
    post();
    return;
  }
  fileSystem->open(*this);
  complete();
}

OMAsyncFile::~OMAsyncFile()
{
  if (thread_) {
    omsys::waitEvent(doneEvent_, false);
    omsys::resetEvent(doneEvent_);
    request = requestQuit;
    omsys::setEvent(requestEvent_);
    omsys::waitEvent(doneEvent_, false);
    omsys::joinThread(thread_);
  }
  if (doneEvent_) omsys::closeEvent(doneEvent_);
  if (requestEvent_) omsys::closeEvent(requestEvent_);
  if (handle != -1 && isFileSystemInstalled(fileSystem)) fileSystem->close(*this);
}

void OMAsyncFile::workerMain(void* file)
{
  auto* self = static_cast<OMAsyncFile*>(file);
  for (;;) {
    omsys::waitEvent(self->requestEvent_, false);
    if (self->request == requestQuit) {
      omsys::setEvent(self->doneEvent_);
      return;
    }
    self->perform();
    self->complete();
    omsys::setEvent(self->doneEvent_);
  }
}

void OMAsyncFile::perform()
{
  switch (request) {
    case requestOpen:
      fileSystem->open(*this);
      break;
    case requestRead:
      fileSystem->read(*this);
      break;
    case requestWrite:
      fileSystem->write(*this);
      break;
    default:
      break;
  }
}

void OMAsyncFile::complete()
{
  switch (request) {
    case requestOpen:
      status = handle == -1 || size == -1 ? failed : ok;
      if (status == ok) {
        readable = (openFlags & 3) != 1;
        writable = (openFlags & 3) == 1 || (openFlags & 3) == 2;
      }
      break;
    case requestRead:
      status = lastRead == -1 ? failed : ok;
      if (status == ok) position += lastRead;
      break;
    case requestWrite:
      status = lastWritten == -1 ? failed : ok;
      if (status == ok) position += lastWritten;
      break;
    default:
      break;
  }
  busy = false;
}

void OMAsyncFile::post()
{
  busy = true;
  status = busyStatus;
  omsys::resetEvent(doneEvent_);
  omsys::setEvent(requestEvent_);
}

bool OMAsyncFile::isBusy() const
{
  return doneEvent_ && !omsys::waitEvent(doneEvent_, true);
}

void OMAsyncFile::waitDone() const
{
  if (doneEvent_) omsys::waitEvent(doneEvent_, false);
}

bool OMAsyncFile::read(void* buffer, std::int32_t length, std::int32_t* count, bool async)
{
  if (isBusy()) {
    status = busyStatus;
    return false;
  }
  request = requestRead;
  lastRead = -1;
  readBuffer = buffer;
  readLength = length;
  if (!thread_ || handle == -1 || !readable || length < 0) {
    status = failed;
    return false;
  }
  if (async) {
    post();
    return false;
  }
  fileSystem->read(*this);
  complete();
  if (count) *count = lastRead;
  return status == ok;
}

bool OMAsyncFile::write(const void* buffer, std::int32_t length, std::int32_t* count, bool async)
{
  if (isBusy()) {
    status = busyStatus;
    return false;
  }
  request = requestWrite;
  forgetQueriedFile(path.c_str());
  lastWritten = -1;
  writeBuffer = buffer;
  writeLength = length;
  if (!thread_ || handle == -1 || !writable || length < 0) {
    status = failed;
    return false;
  }
  if (async) {
    post();
    return false;
  }
  fileSystem->write(*this);
  complete();
  if (count) *count = lastWritten;
  return status == ok;
}

bool OMAsyncFile::seek(std::int32_t offset, int whence)
{
  if (isBusy()) {
    status = busyStatus;
    return false;
  }
  if (handle == -1 || (whence != 0 && whence != 1)) {
    status = failed;
    return false;
  }
  const std::int64_t target = whence == 0 ? offset : std::int64_t(position) + offset;
  if (target < INT32_MIN || target > INT32_MAX) {
    status = failed;
    return false;
  }
  position = std::int32_t(target);
  status = ok;
  return true;
}

bool OMAsyncFile::info(Info& out)
{
  if (isBusy()) {
    status = busyStatus;
    return false;
  }
  if (handle == -1) {
    status = failed;
    return false;
  }
  out = {size, position, lastRead, lastWritten};
  status = ok;
  return true;
}
