#include "platform/src/kernel/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

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

std::optional<std::string> readWholeHostFile(const std::string& hostPath)
{
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace omwin
