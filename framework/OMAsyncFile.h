#pragma once

#include <cstdint>
#include <string>

#include "framework/OMSystemCalls.h"

class OMFileSystem;

// A file whose opens, reads and writes may run on its own worker thread. The owner sets up
// a request, resets the done event and sets the request event, and then touches no field
// until isBusy is false; the worker touches the fields only between taking the request and
// setting the done event. The two events are the only synchronisation.
class OMAsyncFile {
 public:
  enum Status { ok = 0, busyStatus = 1, failed = 2 };
  enum Request { requestOpen = 1, requestRead = 2, requestWrite = 3, requestQuit = 4 };

  struct Info {
    std::int32_t size = 0;
    std::int32_t position = 0;
    std::int32_t lastRead = 0;
    std::int32_t lastWritten = 0;
  };

  // openFlags as the C library's: 0 read only, 1 write only, 2 read and write, 0x100 create.
  OMAsyncFile(const char* path, int openFlags, int permission, bool async);
  ~OMAsyncFile();
  OMAsyncFile(const OMAsyncFile&) = delete;
  OMAsyncFile& operator=(const OMAsyncFile&) = delete;

  // Each answers whether status is 0 afterwards. An asynchronous read or write answers
  // false at once; the caller polls isBusy and then info.
  bool read(void* buffer, std::int32_t length, std::int32_t* count, bool async);
  bool write(const void* buffer, std::int32_t length, std::int32_t* count, bool async);
  // whence 0 from the start, 1 from the position.
  bool seek(std::int32_t offset, int whence);
  bool isBusy() const;
  bool info(Info& out);
  // Waits until a posted request has completed.
  void waitDone() const;

  bool isOpen() const { return handle != -1; }
  // After a posted request the fields are the worker's until it is done; this reads status
  // only then.
  bool hasFailed() const { return !isBusy() && status == failed; }

  // The request fields, for the handlers.
  int status = failed;
  std::string path;
  int handle = -1;
  OMFileSystem* fileSystem = nullptr;
  std::int32_t position = 0;
  std::int32_t size = -1;
  bool readable = false;
  bool writable = false;
  bool notPlain = false;
  bool busy = false;
  int request = 0;
  void* readBuffer = nullptr;
  std::int32_t lastRead = 0;
  std::int32_t readLength = 0;
  const void* writeBuffer = nullptr;
  std::int32_t lastWritten = 0;
  std::int32_t writeLength = 0;
  int openFlags = 0;
  int permission = 0;

 private:
  static void workerMain(void* file);
  void perform();
  void complete();
  void post();

  omsys::Event requestEvent_ = nullptr;
  omsys::Event doneEvent_ = nullptr;
  omsys::Thread thread_ = nullptr;
};
