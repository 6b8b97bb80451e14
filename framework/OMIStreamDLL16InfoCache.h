#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/OMAsyncFile.h"

// Keeps the headers and tables of NE resource files that are used often, and a file open on
// each, so that switching between resource files reads nothing again. Entries are found by
// file name without regard to letter case and counted.
class OMIStreamDLL16InfoCache {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // A new entry (count 1) or one more reference; with preload the file's headers and tables
  // are read now. Nothing for a file that the file cache holds.
  static void add(const char* fileName, int preload);
  static bool isCached(const char* fileName);
  // One reference less; the last frees the copies and closes the kept file.
  static void release(const char* fileName);
  static OMIStreamDLL16InfoCache* find(const char* fileName);
  // Forgets every entry.
  static void clear();

  std::string fileName;
  bool filled = false;  // the copies below are read
  Bytes oldHeader;
  Bytes neHeader;
  Bytes resourceTable;
  Bytes nameTable;
  std::unique_ptr<OMAsyncFile> file;
  int refCount = 1;
};
