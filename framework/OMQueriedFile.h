#pragma once

#include <cstdint>
#include <memory>
#include <string>

class OMAsyncFile;

// What queryFile answers.
struct OMFileQuery {
  int exists = 0;
  std::int32_t size = 0;
  int reserved = 0;
};

// The one-entry record of the last queried file. It keeps the file that the query opened,
// so that the stream that usually follows reads without opening it again.
class OMQueriedFile {
 public:
  static OMQueriedFile& record();

  bool isFor(const char* name) const;
  // The kept file when the record is for that name, else null; the record keeps owning it.
  OMAsyncFile* fileFor(const char* name) const;
  // The kept file, taken over by the caller (the record stays valid without it).
  std::unique_ptr<OMAsyncFile> takeFile(const char* name);
  void store(const char* name, std::int32_t size, std::unique_ptr<OMAsyncFile> file);
  // Forgets the record (closing its file) when it names that file by name or by path.
  void forget(const char* nameOrPath);
  void clear();

  bool valid = false;
  std::int32_t size = 0;
  std::string name;
  std::unique_ptr<OMAsyncFile> file;
};

// {exists, size}: answered from the record, the file cache, or by opening the file.
OMFileQuery queryFile(const char* name);
// Called when a file is written, copied or removed.
void forgetQueriedFile(const char* nameOrPath);
