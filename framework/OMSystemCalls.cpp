#include "framework/OMSystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

// Windows paths reach the host with forward slashes.
std::string hostPath(const char* path)
{
  std::string host(path);
  for (char& c : host)
    if (c == '\\') c = '/';
  return host;
}

struct EventState {
  std::mutex mutex;
  std::condition_variable changed;
  bool set = false;
  bool manualReset = false;
};

}  // namespace

namespace omsys {

int openFile(const char* path, int flags, int permission)
{
  if (!path || !*path) return -1;
  int hostFlags = O_RDONLY;
  if ((flags & 3) == writeOnly) hostFlags = O_WRONLY;
  if ((flags & 3) == readWrite) hostFlags = O_RDWR;
  if (flags & create) hostFlags |= O_CREAT;
  return ::open(hostPath(path).c_str(), hostFlags | O_CLOEXEC, permission);
}

int readFileAt(int handle, std::int64_t offset, void* buffer, unsigned length)
{
  const ssize_t count = ::pread(handle, buffer, length, off_t(offset));
  return count < 0 ? -1 : int(count);
}

int writeFileAt(int handle, std::int64_t offset, const void* buffer, unsigned length)
{
  const ssize_t count = ::pwrite(handle, buffer, length, off_t(offset));
  return count < 0 ? -1 : int(count);
}

int closeFile(int handle)
{
  return ::close(handle);
}

std::int64_t fileSize(int handle)
{
  struct stat status;
  if (::fstat(handle, &status) != 0) return -1;
  return status.st_size;
}

bool statPath(const char* path, PathStatus& status)
{
  status = PathStatus();
  if (!path || !*path) return false;
  struct stat host;
  if (::stat(hostPath(path).c_str(), &host) != 0) return false;
  status.size = host.st_size;
  status.directory = S_ISDIR(host.st_mode);
  status.modified = host.st_mtime;
  return true;
}

bool removeFile(const char* path)
{
  return path && *path && std::remove(hostPath(path).c_str()) == 0;
}

bool listDirectory(const char* pattern, std::vector<DirectoryEntry>& entries)
{
  entries.clear();
  if (!pattern) return false;
  // Only the patterns the engine uses: a folder followed by "*" or "*.*".
  std::filesystem::path folder = std::filesystem::path(hostPath(pattern)).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  if (error) return false;
  for (const auto& entry : it) {
    DirectoryEntry found;
    found.name = entry.path().filename().string();
    const bool directory = entry.is_directory(error);
    found.attributes = directory ? 0x10 : 0x20;
    found.size = directory ? 0 : std::uint32_t(entry.file_size(error));
    entries.push_back(std::move(found));
  }
  return true;
}

std::FILE* openStdioFile(const char* path, const char* mode)
{
  if (!path || !*path) return nullptr;
  std::string hostMode;
  for (const char* c = mode; *c; ++c)
    if (*c != 't') hostMode.push_back(*c);
  return std::fopen(hostPath(path).c_str(), hostMode.c_str());
}

int compareNoCase(const char* a, const char* b)
{
  for (;; ++a, ++b) {
    const int ca = std::tolower(static_cast<unsigned char>(*a));
    const int cb = std::tolower(static_cast<unsigned char>(*b));
    if (ca != cb || !ca) return ca - cb;
  }
}

Event createEvent(bool manualReset, bool initiallySet)
{
  auto* state = new EventState;
  state->manualReset = manualReset;
  state->set = initiallySet;
  return state;
}

void setEvent(Event event)
{
  auto* state = static_cast<EventState*>(event);
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->set = true;
  }
  state->changed.notify_all();
}

void resetEvent(Event event)
{
  auto* state = static_cast<EventState*>(event);
  std::lock_guard<std::mutex> lock(state->mutex);
  state->set = false;
}

bool waitEvent(Event event, bool poll)
{
  auto* state = static_cast<EventState*>(event);
  std::unique_lock<std::mutex> lock(state->mutex);
  if (!poll) state->changed.wait(lock, [state] { return state->set; });
  if (!state->set) return false;
  if (!state->manualReset) state->set = false;
  return true;
}

void closeEvent(Event event)
{
  delete static_cast<EventState*>(event);
}

Thread startThread(void (*function)(void*), void* argument)
{
  try {
    return new std::thread(function, argument);
  } catch (...) {
    return nullptr;
  }
}

void joinThread(Thread thread)
{
  auto* host = static_cast<std::thread*>(thread);
  if (!host) return;
  if (host->joinable()) host->join();
  delete host;
}

}  // namespace omsys
