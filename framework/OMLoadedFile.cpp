#include "framework/OMLoadedFile.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <optional>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMTask.h"

namespace {

constexpr std::uint32_t immediatePiece = 65536;
constexpr std::uint32_t pageSize = 4096;
constexpr int waitingChunkSize = 65536;

struct Loader {
  std::vector<std::unique_ptr<OMLoadedFile>> entries;
  // Entries with background work, lowest priority value first.
  std::vector<OMLoadedFile*> work;
  std::unique_ptr<OMTask> task;
  bool servicePaused = false;
};

Loader& loader()
{
  static Loader state;
  return state;
}

// Workers open their files one at a time.
std::mutex& openLock()
{
  static std::mutex lock;
  return lock;
}

std::uint32_t roundUp(std::uint32_t value, std::uint32_t unit)
{
  return (value + unit - 1) / unit * unit;
}

bool hasName(const char* name)
{
  return name && *name;
}

void closeHandle(HANDLE& handle)
{
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = INVALID_HANDLE_VALUE;
}

std::optional<std::uint32_t> fileSizeOf(const std::string& path)
{
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  const DWORD size = GetFileSize(file, nullptr);
  CloseHandle(file);
  return size;
}

}  // namespace

// What the module's free functions do to the entries.
struct OMLoaderAccess {
  static void forget(OMLoadedFile* entry)
  {
    auto& entries = loader().entries;
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [entry](const auto& kept) { return kept.get() == entry; });
    if (found == entries.end()) return;
    // Out of the registry first: its destructor may not find itself there again.
    std::unique_ptr<OMLoadedFile> owned = std::move(*found);
    entries.erase(found);
  }

  static OMLoadedFile* add(std::unique_ptr<OMLoadedFile> entry)
  {
    loader().entries.push_back(std::move(entry));
    return loader().entries.back().get();
  }

  static void enterWork(OMLoadedFile* entry)
  {
    Loader& l = loader();
    const auto after = std::find_if(l.work.begin(), l.work.end(), [entry](OMLoadedFile* kept) {
      return kept->priority_ > entry->priority_;
    });
    l.work.insert(after, entry);
    if (!l.task) {
      const OMLinkToFct link(&service);
      l.task = std::make_unique<OMTask>(&link, 0);
      if (OMApp* app = OMApp::instance()) app->addTask(l.task.get());
    }
  }

  static void leaveWork(OMLoadedFile* entry)
  {
    Loader& l = loader();
    std::erase(l.work, entry);
    if (l.work.empty() && l.task) {
      if (OMApp* app = OMApp::instance()) app->removeTask(l.task.get());
      l.task.reset();
    }
  }

  static OMWord service(OMWord)
  {
    Loader& l = loader();
    if (l.servicePaused) return 0;
    const auto ready = std::find_if(l.work.begin(), l.work.end(),
                                    [](OMLoadedFile* entry) { return entry->suspendCount_ <= 0; });
    if (ready == l.work.end()) return 0;
    OMLoadedFile* entry = *ready;
    entry->step();
    if (entry->failed_) {
      forget(entry);
    } else if (entry->loaded_) {
      entry->callCompletion();
    }
    return 0;
  }

  static OMLoadedFile* startNow(const char* name, const char* destination)
  {
    auto made = std::make_unique<OMLoadedFile>(name, destination, nullptr, 0);
    OMLoadedFile* entry = add(std::move(made));
    if (entry->isCopy())
      entry->copyAtOnce();
    else
      entry->loadAtOnce();
    if (entry->failed_) {
      forget(entry);
      return nullptr;
    }
    entry->useCount_ = 1;
    return entry;
  }

  static OMLoadedFile* existingNow(OMLoadedFile* entry)
  {
    ++entry->useCount_;
    return OMLoadedFile::waitLoaded(entry) ? entry : nullptr;
  }

  static OMLoadedFile* startInBackground(const char* name, const char* destination,
                                         const OMLink* done, int priority, int start)
  {
    OMLoadedFile* entry = add(std::make_unique<OMLoadedFile>(name, destination, done, priority));
    if (!entry->startWorker()) {
      forget(entry);
      return nullptr;
    }
    enterWork(entry);
    if (start) {
      entry->step();
      omsys::waitEvent(entry->done_, false);
      omsys::setEvent(entry->done_);
      if (entry->state_ == OMLoadedFile::failed) {
        entry->step();
        forget(entry);
        return nullptr;
      }
    }
    return entry;
  }

  static void changeSuspension(int delta)
  {
    for (const auto& entry : loader().entries)
      if (delta > 0 || entry->suspendCount_ > 0) entry->suspendCount_ += delta;
  }

  static void unload(OMLoadedFile* entry)
  {
    if (entry->useCount_ > 0) --entry->useCount_;
    if (entry->useCount_ == 0 && entry->pendingCount_ == 0) forget(entry);
  }

  static void reprioritise(OMLoadedFile* entry, int priority)
  {
    entry->priority_ = priority;
    Loader& l = loader();
    if (std::find(l.work.begin(), l.work.end(), entry) == l.work.end()) return;
    std::erase(l.work, entry);
    enterWork(entry);
  }
};

OMLoadedFile::OMLoadedFile(const char* name, const char* destination, const OMLink* done,
                           int priority)
    : completion_(cloneLink(done)),
      priority_(priority),
      name_(name ? name : ""),
      destination_(destination ? destination : "")
{
}

OMLoadedFile::~OMLoadedFile()
{
  stopWorker();
  closeFiles();
  if (!destination_.empty() && fileSizeOf(destination_)) DeleteFileA(destination_.c_str());
}

std::uint32_t OMLoadedFile::workingChunk() const
{
  std::uint32_t chunk = sectorSize_;
  while (chunk < static_cast<std::uint32_t>(std::max(chunkSize_, 1)))
    chunk *= 2;
  return chunk;
}

bool OMLoadedFile::openFiles()
{
  const std::optional<std::string> path = findFileOnSearchPath(name_.c_str());
  // Only a full path with its drive letter is opened.
  if (!path || path->size() < 2 || !std::isalpha(static_cast<unsigned char>((*path)[0])) ||
      (*path)[1] != ':')
    return false;
  source_ = CreateFileA(path->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (source_ == INVALID_HANDLE_VALUE) return false;
  const std::string root = path->substr(0, 2) + "\\";
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                        &clusters) &&
      bytesPerSector > 0)
    sectorSize_ = bytesPerSector;
  std::vector<std::uint8_t> sector(sectorSize_);
  DWORD got = 0;
  ReadFile(source_, sector.data(), sectorSize_, &got, nullptr);
  SetFilePointer(source_, 0, nullptr, FILE_BEGIN);
  size_ = GetFileSize(source_, nullptr);
  remaining_ = size_;
  if (!isCopy()) return true;
  target_ = CreateFileA(destination_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_FLAG_WRITE_THROUGH | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  return target_ != INVALID_HANDLE_VALUE;
}

void OMLoadedFile::closeFiles()
{
  closeHandle(source_);
  closeHandle(target_);
}

void OMLoadedFile::allocateBuffers()
{
  if (isCopy()) {
    chunkHeld_ = workingChunk();
    chunk_ = std::make_unique<std::uint8_t[]>(chunkHeld_);
  } else {
    // Whole sectors: the last read may ask for one beyond the file's end.
    blockSize_ = roundUp(std::max<std::uint32_t>(size_, 1), sectorSize_);
    block_ = std::make_unique<std::uint8_t[]>(blockSize_);
  }
}

void OMLoadedFile::readChunk()
{
  const std::uint32_t chunk = workingChunk();
  std::uint8_t* into = isCopy() ? chunk_.get() : block_.get() + cursor_;
  const std::uint32_t ask = isCopy() || remaining_ >= chunk ? chunk : sectorSize_;
  const std::uint32_t wanted = std::min(ask, remaining_);
  DWORD got = 0;
  // A short read must reach the file's end, or the entry fails.
  if (!ReadFile(source_, into, ask, &got, nullptr) || got < wanted) {
    closeFiles();
    state_ = failed;
    return;
  }
  if (!isCopy()) {
    cursor_ += wanted;
    remaining_ -= wanted;
  }
  state_ = readDone;
}

void OMLoadedFile::writeChunk()
{
  const std::uint32_t count = std::min(remaining_, chunkHeld_);
  DWORD wrote = 0;
  if (!WriteFile(target_, chunk_.get(), count, &wrote, nullptr) || wrote != count) {
    closeFiles();
    state_ = failed;
    return;
  }
  remaining_ -= count;
  state_ = writeDone;
}

void OMLoadedFile::closeStep()
{
  if (!isCopy()) {
    closeHandle(source_);
    state_ = verified;
    return;
  }
  chunk_.reset();
  closeFiles();
  state_ = fileSizeOf(destination_) == size_ ? verified : failed;
}

void OMLoadedFile::work()
{
  switch (state_) {
    case openPending: {
      const std::lock_guard<std::mutex> hold(openLock());
      if (openFiles()) {
        allocateBuffers();
        state_ = opened;
      } else {
        closeFiles();
        state_ = failed;
      }
      break;
    }
    case readPending:
      readChunk();
      break;
    case writePending:
      writeChunk();
      break;
    case closePending:
      closeStep();
      break;
    default:
      break;
  }
}

void OMLoadedFile::workerMain(void* argument)
{
  auto* self = static_cast<OMLoadedFile*>(argument);
  for (;;) {
    omsys::waitEvent(self->go_, false);
    if (self->state_ == failed || self->state_ == finished) {
      omsys::setEvent(self->done_);
      return;
    }
    self->work();
    omsys::setEvent(self->done_);
  }
}

bool OMLoadedFile::startWorker()
{
  go_ = omsys::createEvent(false, false);
  done_ = omsys::createEvent(false, true);
  if (go_ && done_) worker_ = omsys::startThread(&OMLoadedFile::workerMain, this);
  if (worker_) return true;
  if (go_) omsys::closeEvent(go_);
  if (done_) omsys::closeEvent(done_);
  go_ = done_ = nullptr;
  failed_ = true;
  return false;
}

void OMLoadedFile::step()
{
  if (!worker_ || !omsys::waitEvent(done_, true)) return;
  const bool moreBytes = remaining_ > 0;
  switch (state_) {
    case opened:
      state_ = readPending;
      break;
    case readDone:
      state_ = isCopy() ? writePending : (moreBytes ? readPending : closePending);
      break;
    case writeDone:
      state_ = moreBytes ? readPending : closePending;
      break;
    case verified:
      state_ = finished;
      break;
    default:
      break;
  }
  // Decided before the worker is woken: from then on the state is the worker's.
  const bool ending = state_ == failed || state_ == finished;
  omsys::setEvent(go_);
  if (ending) finishStep();
}

void OMLoadedFile::finishStep()
{
  OMLoaderAccess::leaveWork(this);
  joinWorker();
  if (state_ == failed)
    failed_ = true;
  else
    loaded_ = true;
}

void OMLoadedFile::stopWorker()
{
  OMLoaderAccess::leaveWork(this);
  if (!worker_) return;
  omsys::waitEvent(done_, false);
  state_ = finished;
  omsys::setEvent(go_);
  joinWorker();
}

void OMLoadedFile::joinWorker()
{
  // The worker's last word: it has left its loop.
  omsys::waitEvent(done_, false);
  omsys::joinThread(worker_);
  worker_ = nullptr;
  omsys::closeEvent(go_);
  omsys::closeEvent(done_);
  go_ = done_ = nullptr;
}

void OMLoadedFile::loadAtOnce()
{
  {
    const std::lock_guard<std::mutex> hold(openLock());
    if (!openFiles()) {
      closeFiles();
      failed_ = true;
      callCompletion();
      return;
    }
  }
  blockSize_ = roundUp(std::max<std::uint32_t>(size_, 1), pageSize);
  block_ = std::make_unique<std::uint8_t[]>(blockSize_);
  DWORD got = 0;
  const bool read = ReadFile(source_, block_.get(), blockSize_, &got, nullptr) && got == size_;
  loaded_ = read;
  failed_ = !read;
  closeFiles();
  callCompletion();
}

void OMLoadedFile::copyAtOnce()
{
  bool copied = false;
  {
    const std::lock_guard<std::mutex> hold(openLock());
    copied = openFiles();
  }
  if (copied) {
    std::vector<std::uint8_t> piece(immediatePiece);
    for (;;) {
      DWORD got = 0, wrote = 0;
      if (!ReadFile(source_, piece.data(), immediatePiece, &got, nullptr)) {
        copied = false;
        break;
      }
      if (got == 0) break;
      if (!WriteFile(target_, piece.data(), got, &wrote, nullptr) || wrote != got) {
        copied = false;
        break;
      }
    }
  }
  closeFiles();
  copied = copied && fileSizeOf(destination_) == size_;
  loaded_ = copied;
  failed_ = !copied;
  callCompletion();
}

void OMLoadedFile::setChunkSize(int bytes)
{
  if (loaded_ || failed_ || !worker_) {
    chunkSize_ = bytes;
    return;
  }
  omsys::waitEvent(done_, false);
  if (state_ == openPending) {
    omsys::setEvent(go_);
    omsys::waitEvent(done_, false);
  }
  if (isCopy() && state_ == readDone) {
    state_ = writePending;
    omsys::setEvent(go_);
    omsys::waitEvent(done_, false);
  }
  chunkSize_ = bytes;
  if (isCopy() && chunk_) {
    chunkHeld_ = workingChunk();
    chunk_ = std::make_unique<std::uint8_t[]>(chunkHeld_);
  }
  omsys::setEvent(done_);
  step();
}

void OMLoadedFile::callCompletion()
{
  if (completion_) completion_->call(reinterpret_cast<OMWord>(this));
}

bool OMLoadedFile::waitLoaded(OMLoadedFile* entry)
{
  if (!entry) return false;
  const int kept = entry->chunkSize_;
  if (kept < waitingChunkSize) entry->setChunkSize(waitingChunkSize);
  while (!entry->loaded_ && !entry->failed_) {
    omsys::waitEvent(entry->done_, false);
    omsys::setEvent(entry->done_);
    entry->step();
  }
  entry->chunkSize_ = kept;
  if (entry->failed_) {
    OMLoaderAccess::forget(entry);
    return false;
  }
  entry->callCompletion();
  return true;
}

OMLoadedFile* findLoadedFile(const char* name)
{
  if (!hasName(name)) return nullptr;
  for (const auto& entry : loader().entries)
    if (omsys::compareNoCase(entry->name().c_str(), name) == 0) return entry.get();
  return nullptr;
}

OMLoadedFile* loadFileNow(const char* name)
{
  if (!hasName(name)) return nullptr;
  if (OMLoadedFile* entry = findLoadedFile(name)) return OMLoaderAccess::existingNow(entry);
  return OMLoaderAccess::startNow(name, nullptr);
}

OMLoadedFile* copyFileNow(const char* name, const char* destination)
{
  if (!hasName(name) || !hasName(destination)) return nullptr;
  if (OMLoadedFile* entry = findLoadedFile(name)) return OMLoaderAccess::existingNow(entry);
  return OMLoaderAccess::startNow(name, destination);
}

OMLoadedFile* loadFileInBackground(const char* name, const OMLink* done, int priority, int start)
{
  if (!hasName(name)) return nullptr;
  if (OMLoadedFile* entry = findLoadedFile(name)) return entry;
  return OMLoaderAccess::startInBackground(name, nullptr, done, priority, start);
}

OMLoadedFile* copyFileInBackground(const char* name, const char* destination, const OMLink* done,
                                   int priority, int start)
{
  if (!hasName(name) || !hasName(destination)) return nullptr;
  if (OMLoadedFile* entry = findLoadedFile(name)) return entry;
  return OMLoaderAccess::startInBackground(name, destination, done, priority, start);
}

bool isFileLoaded(const char* name)
{
  return findLoadedFile(name) != nullptr;
}

int loadedFileChunkSize(const char* name)
{
  const OMLoadedFile* entry = findLoadedFile(name);
  return entry ? entry->chunkSize() : 0;
}

void setLoadedFileChunkSize(const char* name, int bytes)
{
  if (OMLoadedFile* entry = findLoadedFile(name)) entry->setChunkSize(bytes);
}

void unloadFile(const char* name)
{
  if (OMLoadedFile* entry = findLoadedFile(name)) OMLoaderAccess::unload(entry);
}

void suspendLoadedFiles()
{
  OMLoaderAccess::changeSuspension(1);
}

void resumeLoadedFiles()
{
  OMLoaderAccess::changeSuspension(-1);
}

void pauseFileService()
{
  loader().servicePaused = true;
}

void resumeFileService()
{
  loader().servicePaused = false;
}

void setLoadedFilePriority(OMLoadedFile* entry, int priority)
{
  if (entry) OMLoaderAccess::reprioritise(entry, priority);
}

void unloadAllFiles()
{
  Loader& l = loader();
  while (!l.entries.empty())
    OMLoaderAccess::forget(l.entries.back().get());
  l.servicePaused = false;
}

int loadedFileCount()
{
  return static_cast<int>(loader().entries.size());
}

int backgroundFileCount()
{
  return static_cast<int>(loader().work.size());
}
