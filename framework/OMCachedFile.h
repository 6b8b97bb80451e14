#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "framework/OMLink.h"
#include "framework/OMWord.h"

class OMBackgroundJob;

// A whole file held in memory (or copied to a local path), filled by a background job.
// Streams on a cached name read from here. Entries are shared by name and counted.
class OMCachedFile {
 public:
  ~OMCachedFile();
  OMCachedFile(const OMCachedFile&) = delete;
  OMCachedFile& operator=(const OMCachedFile&) = delete;

  const std::string& name() const { return name_; }
  int refCount() const { return refCount_; }
  // 0 loaded, 1 failed.
  int status() const { return status_; }
  bool isLoading() const { return job_ != nullptr; }
  // The path of the local copy, or empty.
  const std::string& copyPath() const { return copyPath_; }
  // The bytes when present, without waiting.
  const std::uint8_t* loadedData() const { return data_.get(); }
  std::int32_t loadedSize() const { return size_; }

  // These wait for the entry's job.
  const std::uint8_t* data();
  std::int32_t sizeOf();
  int waitLoaded();

  void addReference() { ++refCount_; }
  // A pinned entry stays cached while nothing references it.
  int pinCount() const { return pinCount_; }
  void pin() { ++pinCount_; }
  // Not below 0; an unpinned entry without references is deleted.
  void unpin();

 private:
  friend OMCachedFile* cacheFile(const char*, const OMLink*, const char*, int);
  friend void releaseCachedFile(OMCachedFile* entry);
  // Deletes every entry, whatever its count.
  void uncacheAllFiles();
  OMCachedFile() = default;
  OMWord jobEnded(OMWord job);

  int status_ = 0;
  std::unique_ptr<OMLink> loadedLink_;
  std::string name_;
  std::int32_t size_ = 0;
  int refCount_ = 0;
  int pinCount_ = 0;
  std::unique_ptr<std::uint8_t[]> data_;
  std::string copyPath_;
  OMBackgroundJob* job_ = nullptr;
};

// The entry of that name, one reference more; or a new entry whose job reads the whole file
// (or copies it to destination). The link is called with the entry when the file is in.
OMCachedFile* cacheFile(const char* name, const OMLink* doneLink = nullptr,
                        const char* destination = nullptr, int priority = 0);
// The named forms: a local copy at path, and the background forms whose link is called when
// the file is in (the last word is 0).
OMCachedFile* cacheFileAsCopy(const char* name, const char* path);
OMCachedFile* cacheFileInBackground(const char* name, const OMLink* doneLink, int priority, int);
OMCachedFile* cacheFileAsCopyInBackground(const char* name, const char* path,
                                          const OMLink* doneLink, int priority, int);
OMCachedFile* findCachedFile(const char* name);
// Where a file is read from: its copy in the file cache when it has one, else where the search
// path finds it; none when neither has it.
std::optional<std::string> readPathOf(const char* name, const OMCachedFile* cached);
bool isFileCached(const char* name);
// One reference less; the last one deletes the entry, its data and its local copy.
void uncacheFile(const char* name);
void releaseCachedFile(OMCachedFile* entry);
// Deletes every entry, whatever its count.
void uncacheAllFiles();
