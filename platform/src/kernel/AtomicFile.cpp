#include "platform/src/kernel/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace omwin {
namespace {

bool writeAll(int fd, const std::string& contents)
{
  std::size_t done = 0;
  while (done < contents.size()) {
    const ssize_t written = ::write(fd, contents.data() + done, contents.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

void syncFolderOf(const std::string& path)
{
  const auto cut = path.rfind('/');
  const std::string folder = cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool writeFileAtomically(const std::string& hostPath, const std::string& contents)
{
  const std::string temporary = hostPath + ".tmp-" + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool written = writeAll(fd, contents) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), hostPath.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  syncFolderOf(hostPath);
  return true;
}

// Only a regular file is read: a folder (or a device) in its place is a missing file.
std::optional<std::string> readWholeHostFile(const std::string& hostPath)
{
  const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat status;
  std::optional<std::string> contents;
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) contents.emplace();
  char block[65536];
  while (contents) {
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) contents.reset();
    if (got <= 0) break;
    contents->append(block, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return contents;
}

}  // namespace omwin
