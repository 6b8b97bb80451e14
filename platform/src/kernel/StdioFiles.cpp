// stdio on Windows paths. Reading in text mode turns CR LF into LF, as the Windows C library
// does; om_fopen writes in text mode LF alone, om_fopen_text writes CR LF as that library does.
#include <omcrt.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "platform/src/kernel/AtomicFile.h"
#include "platform/src/kernel/LastError.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace {

// A text file read whole, its line ends already translated.
struct TextImage {
  std::string bytes;
  std::size_t position = 0;
};

ssize_t readText(void* cookie, char* buffer, size_t size)
{
  auto* image = static_cast<TextImage*>(cookie);
  const std::size_t count = std::min(size, image->bytes.size() - image->position);
  std::memcpy(buffer, image->bytes.data() + image->position, count);
  image->position += count;
  return static_cast<ssize_t>(count);
}

int seekText(void* cookie, off64_t* offset, int whence)
{
  auto* image = static_cast<TextImage*>(cookie);
  off64_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<off64_t>(image->position);
  if (whence == SEEK_END) base = static_cast<off64_t>(image->bytes.size());
  const off64_t target = base + *offset;
  if (target < 0) return -1;
  image->position = std::min(static_cast<std::size_t>(target), image->bytes.size());
  *offset = static_cast<off64_t>(image->position);
  return 0;
}

int closeText(void* cookie)
{
  delete static_cast<TextImage*>(cookie);
  return 0;
}

std::string withoutCarriageReturnsBeforeLineFeeds(const std::string& raw)
{
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += raw[i];
  }
  return text;
}

FILE* openTextForReading(const std::string& host)
{
  const std::optional<std::string> raw = omwin::readWholeHostFile(host);
  if (!raw) {
    errno = ENOENT;
    omwin::setLastErrorFromErrno(errno);
    return nullptr;
  }
  auto image = std::make_unique<TextImage>();
  image->bytes = withoutCarriageReturnsBeforeLineFeeds(*raw);
  cookie_io_functions_t functions{readText, nullptr, seekText, closeText};
  FILE* file = ::fopencookie(image.get(), "r", functions);
  if (file) image.release();  // closeText frees it
  return file;
}

// Writes the bytes to the host file with each LF as CR LF.
ssize_t writeText(void* cookie, const char* buffer, size_t size)
{
  FILE* host = static_cast<FILE*>(cookie);
  std::size_t start = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i < size && buffer[i] != '\n') continue;
    const std::size_t length = i - start;
    if (length && std::fwrite(buffer + start, 1, length, host) != length) return 0;
    if (i < size && std::fwrite("\r\n", 1, 2, host) != 2) return 0;
    start = i + 1;
  }
  return static_cast<ssize_t>(size);
}

// Positions are the host file's, as ftell on a Windows text file gives them.
int seekHost(void* cookie, off64_t* offset, int whence)
{
  FILE* host = static_cast<FILE*>(cookie);
  if (std::fflush(host) != 0 || ::fseeko(host, *offset, whence) != 0) return -1;
  const off64_t position = ::ftello(host);
  if (position < 0) return -1;
  *offset = position;
  return 0;
}

int closeHost(void* cookie)
{
  return std::fclose(static_cast<FILE*>(cookie)) == 0 ? 0 : EOF;
}

FILE* openTextForWriting(const std::string& host, bool append)
{
  FILE* file = std::fopen(host.c_str(), append ? "ab" : "wb");
  if (!file) {
    omwin::setLastErrorFromErrno(errno);
    return nullptr;
  }
  cookie_io_functions_t functions{nullptr, writeText, seekHost, closeHost};
  FILE* text = ::fopencookie(file, "w", functions);
  if (!text) {
    std::fclose(file);
    return nullptr;
  }
  // The host file buffers; with nothing held back here, ftell answers the file's position.
  std::setvbuf(text, nullptr, _IONBF, 0);
  return text;
}

// "w", "wt", "a", "at": text written without reading.
bool isTextWriteMode(const std::string& mode)
{
  return !mode.empty() && (mode[0] == 'w' || mode[0] == 'a') &&
         mode.find('b') == std::string::npos && mode.find('+') == std::string::npos;
}

// "rt", "r": read-only text. Binary ("b") and update ("+") modes are left to the host.
bool isTextReadMode(const std::string& mode)
{
  return !mode.empty() && mode[0] == 'r' && mode.find('b') == std::string::npos &&
         mode.find('+') == std::string::npos;
}

std::string hostMode(const std::string& mode)
{
  std::string result;
  for (char c : mode) {
    if (c != 't') result += c;
  }
  return result;
}

bool mapPath(const char* path, std::string& host)
{
  if (!path) {
    errno = EINVAL;
    return false;
  }
  const auto mapped = omwin::hostPathFor(path);
  if (!mapped) {
    errno = omwin::errnoFromLastError(GetLastError());
    return false;
  }
  host = *mapped;
  return true;
}

// The host path of a Windows path that names no folder.
bool mapFilePath(const char* path, std::string& host)
{
  if (!mapPath(path, host)) return false;
  struct stat status;
  if (::stat(host.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {  // folders are no files
    errno = EACCES;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

}  // namespace

FILE* om_fopen_text(const char* path, const char* mode)
{
  if (!mode || !isTextWriteMode(mode)) return om_fopen(path, mode);
  std::string host;
  if (!mapFilePath(path, host)) return nullptr;
  return openTextForWriting(host, mode[0] == 'a');
}

FILE* om_fopen(const char* path, const char* mode)
{
  std::string host;
  if (!mode || !mapFilePath(path, host)) return nullptr;
  if (isTextReadMode(mode)) return openTextForReading(host);
  FILE* file = std::fopen(host.c_str(), hostMode(mode).c_str());
  if (!file) omwin::setLastErrorFromErrno(errno);
  return file;
}

int om_remove(const char* path)
{
  std::string host;
  if (!mapPath(path, host)) return -1;
  return std::remove(host.c_str());
}

int om_rename(const char* oldPath, const char* newPath)
{
  std::string oldHost;
  std::string newHost;
  if (!mapPath(oldPath, oldHost) || !mapPath(newPath, newHost)) return -1;
  // Windows refuses to replace an existing file by renaming.
  if (::access(newHost.c_str(), F_OK) == 0 && oldHost != newHost) {
    errno = EEXIST;
    return -1;
  }
  return std::rename(oldHost.c_str(), newHost.c_str());
}

int _fileno(FILE* stream)
{
  return stream ? ::fileno(stream) : -1;
}
