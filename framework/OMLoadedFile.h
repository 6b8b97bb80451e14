#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/OMLink.h"
#include "framework/OMSystemCalls.h"

// The assessment edition's background file loader: whole files read into memory, or copied to
// a local destination, each by a worker thread of its own that takes one step at a time while
// the main loop runs. Entries are found by name (without regard to case) and counted by use.
class OMLoadedFile {
 public:
  enum State {
    failed = 0,
    openPending = 1,
    opened = 2,
    readPending = 3,
    readDone = 4,
    writePending = 5,
    writeDone = 6,
    closePending = 7,
    verified = 8,
    finished = 9
  };
  static constexpr int defaultChunkSize = 8192;

  OMLoadedFile(const char* name, const char* destination, const OMLink* done, int priority);
  ~OMLoadedFile();
  OMLoadedFile(const OMLoadedFile&) = delete;
  OMLoadedFile& operator=(const OMLoadedFile&) = delete;

  const std::string& name() const { return name_; }
  bool isCopy() const { return !destination_.empty(); }
  bool isLoaded() const { return loaded_; }
  bool isFailed() const { return failed_; }
  int useCount() const { return useCount_; }
  int priority() const { return priority_; }
  int suspendCount() const { return suspendCount_; }
  int chunkSize() const { return chunkSize_; }
  int state() const { return state_; }
  // The file's bytes once loaded (a load), and their count.
  const std::uint8_t* data() const { return loaded_ ? block_.get() : nullptr; }
  std::uint32_t size() const { return size_; }

  // A reader's use: an entry in use is not deleted by unloadFile. Dropping the last use
  // leaves the entry.
  void addUse() { ++useCount_; }
  void dropUse()
  {
    if (useCount_ > 0) --useCount_;
  }

  // The working chunk is the smallest whole number of sectors of at least this many bytes.
  // An entry at work first finishes the step it is in.
  void setChunkSize(int bytes);

  // Takes steps until the entry is loaded or failed. A failed entry is deleted: false.
  static bool waitLoaded(OMLoadedFile* entry);

 private:
  friend struct OMLoaderAccess;

  bool startWorker();
  void stopWorker();
  void joinWorker();
  void step();
  void finishStep();
  void work();
  static void workerMain(void* self);
  bool openFiles();
  void closeFiles();
  void allocateBuffers();
  void readChunk();
  void writeChunk();
  void closeStep();
  void loadAtOnce();
  void copyAtOnce();
  void callCompletion();
  std::uint32_t workingChunk() const;

  int suspendCount_ = 0;
  std::unique_ptr<OMLink> completion_;
  int priority_ = 0;
  int pendingCount_ = 0;
  std::uint32_t remaining_ = 0;
  std::string name_;
  HANDLE source_ = INVALID_HANDLE_VALUE;
  std::uint32_t size_ = 0;
  int useCount_ = 0;
  std::unique_ptr<std::uint8_t[]> block_;
  std::uint32_t blockSize_ = 0;
  std::uint32_t cursor_ = 0;
  std::string destination_;
  HANDLE target_ = INVALID_HANDLE_VALUE;
  std::unique_ptr<std::uint8_t[]> chunk_;
  std::uint32_t chunkHeld_ = 0;
  int state_ = openPending;
  int chunkSize_ = defaultChunkSize;
  omsys::Event go_ = nullptr;
  omsys::Event done_ = nullptr;
  omsys::Thread worker_ = nullptr;
  std::uint32_t sectorSize_ = 512;
  bool loaded_ = false;
  bool failed_ = false;
};

// A loaded entry of that name with one use more (it is waited for); else a new entry loads the
// whole file now. Null when it fails (the entry is then gone).
OMLoadedFile* loadFileNow(const char* name);
OMLoadedFile* copyFileNow(const char* name, const char* destination);
// An entry of that name as it is; else a new entry whose worker starts. With start set the
// first step is taken and waited for. Null when it fails.
OMLoadedFile* loadFileInBackground(const char* name, const OMLink* done, int priority, int start);
OMLoadedFile* copyFileInBackground(const char* name, const char* destination, const OMLink* done,
                                   int priority, int start);
OMLoadedFile* findLoadedFile(const char* name);
bool isFileLoaded(const char* name);
int loadedFileChunkSize(const char* name);
void setLoadedFileChunkSize(const char* name, int bytes);
// One use less (not below 0); at 0 the entry is deleted.
void unloadFile(const char* name);
void suspendLoadedFiles();
void resumeLoadedFiles();
// The servicing of background work, turned off while a movie plays.
void pauseFileService();
void resumeFileService();
void setLoadedFilePriority(OMLoadedFile* entry, int priority);
// Deletes every entry (at the end of the program).
void unloadAllFiles();
// How many entries exist, and how many have background work.
int loadedFileCount();
int backgroundFileCount();
