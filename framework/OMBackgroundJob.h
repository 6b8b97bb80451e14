#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/OMAsyncFile.h"
#include "framework/OMLink.h"

// Reads part of a file into memory, or copies it to a destination, one asynchronous chunk
// per step, so that long file work is spread over main-loop passes. Jobs wait in one list
// ordered by priority; stepBackgroundJobs is the body of the per-frame task that drives them.
class OMBackgroundJob {
 public:
  enum State {
    failedState = 0,
    opening = 1,
    starting = 2,
    nextChunk = 3,
    reading = 4,
    writing = 6,
    finishedState = 7,
  };
  static constexpr std::int32_t defaultChunkSize = 8192;

  // Starts a read (destination null) or a copy job; length -1 = to the end. The done link is
  // called with the job when it ends, just before the job is deleted. Null for an empty name.
  static OMBackgroundJob* start(const char* sourceName, const char* destinationPath,
                                std::int32_t offset, std::int32_t length, int priority,
                                const OMLink* doneLink);
  // Removes a job without calling its link.
  static void cancel(OMBackgroundJob* job);
  ~OMBackgroundJob();

  bool isCopy() const { return !destinationPath_.empty(); }
  bool isFinished() const { return finished_; }
  bool isFailed() const { return failed_; }
  int priority() const { return priority_; }
  int state() const { return state_; }
  std::int32_t length() const { return length_; }
  const std::string& sourceName() const { return sourceName_; }
  // The bytes a finished read job has read; the taker owns them.
  std::unique_ptr<std::uint8_t[]> takeData() { return std::move(data_); }
  const std::uint8_t* data() const { return data_.get(); }

  void callDoneLink();
  // One step; false while the job waits for its files.
  bool step();
  bool isWaiting() const;

 private:
  friend void setPriority(OMBackgroundJob* job, int priority);
  friend void setChunkSize(OMBackgroundJob* job, std::int32_t bytes);
  friend bool finish(OMBackgroundJob* job);

  OMBackgroundJob() = default;
  void stepRead();
  void stepCopy();
  void openSource();
  bool takeOpenedLength();
  void recomputeChunk();
  void end(State state);

  int status_ = 0;
  std::unique_ptr<OMLink> doneLink_;
  int priority_ = 0;
  bool finished_ = false;
  bool failed_ = false;
  std::int32_t remaining_ = 0;
  std::string sourceName_;
  std::string sourcePath_;
  std::unique_ptr<OMAsyncFile> source_;
  std::int32_t length_ = -1;
  std::int32_t offset_ = 0;
  std::unique_ptr<std::uint8_t[]> data_;
  std::uint8_t* writePointer_ = nullptr;
  std::string destinationPath_;
  std::unique_ptr<OMAsyncFile> destination_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  int state_ = starting;
  std::int32_t chunk_ = 0;
  std::int32_t chunkSize_ = defaultChunkSize;
  bool chunkChanged_ = true;
};

void setPriority(OMBackgroundJob* job, int priority);
// Bytes per step; -1 = all that remains.
void setChunkSize(OMBackgroundJob* job, std::int32_t bytes);
// Runs the job to its end at once, calls its done link and deletes it; true when it finished.
bool finish(OMBackgroundJob* job);
void suspendBackgroundReads();
void resumeBackgroundReads();
// One pass of the jobs task: steps the first job that is not waiting and ends it when done.
void stepBackgroundJobs();
bool backgroundReadsSuspended();
int backgroundJobCount();
// Removes every job without calling its link.
void cancelAllBackgroundJobs();
