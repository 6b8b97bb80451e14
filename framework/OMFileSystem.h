#pragma once

#include <cstdint>
#include <string>

class OMAsyncFile;

// One entry of a directory listing.
struct OMFindEntry {
  std::uint32_t size = 0;  // low 32 bits of the file size
  std::string name;
  std::uint32_t attributes = 0;  // Win32 file attributes; 0x10 is a directory
};

// What stat tells of a path.
struct OMFileStatus {
  std::int64_t size = 0;
  std::int64_t modified = 0;
  bool directory = false;
};

// A file-system handler, chosen by the path. open, read, write and close work on the fields
// of the OMAsyncFile they are given (handle, size, position, buffers, counts).
class OMFileSystem {
 public:
  virtual ~OMFileSystem() = default;
  virtual void open(OMAsyncFile& file) = 0;
  virtual void read(OMAsyncFile& file) = 0;
  virtual void write(OMAsyncFile& file) = 0;
  virtual void close(OMAsyncFile& file) = 0;
  // The array stays valid until the handler's next find.
  virtual bool find(const char* pattern, const OMFindEntry*& entries, int& count) = 0;
  virtual bool stat(const char* path, OMFileStatus& status) = 0;
  virtual bool remove(const char* path) = 0;
};

// The handler for a path: "0:" to "9:" use their slot (null when empty), everything else
// the plain handler.
OMFileSystem* fileSystemFor(const char* path);
// Installs a handler in the slot of a digit (null empties it); the caller keeps it.
void setFileSystemSlot(int digit, OMFileSystem* handler);
bool isFileSystemInstalled(const OMFileSystem* handler);

bool fileSystemFind(const char* pattern, const OMFindEntry*& entries, int& count);
bool fileSystemStat(const char* path, OMFileStatus& status);
bool fileSystemRemove(const char* path);
