#include "platform/src/user/InstanceRegistry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/src/user/MessageQueue.h"

namespace omuser {
namespace {

constexpr std::uintptr_t kForeignBase = 0x7F000000;

bool fillAddress(const std::string& path, sockaddr_un& address)
{
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

struct InstanceRegistry::Entry {
  HWND window = nullptr;
  std::string className;
  std::string socketPath;
  int lockFd = -1;
  int listenFd = -1;
  std::atomic<bool> iconic{false};
  std::thread server;
};

InstanceRegistry& InstanceRegistry::instance()
{
  static InstanceRegistry registry;
  return registry;
}

InstanceRegistry::~InstanceRegistry()
{
  clear();
}

std::string InstanceRegistry::folder()
{
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != 0)
    return runtime;
  const std::string fallback = "/tmp/om-" + std::to_string(::getuid());
  ::mkdir(fallback.c_str(), 0700);
  return fallback;
}

std::string InstanceRegistry::baseName(const std::string& className)
{
  // FNV-1a over the class text: the names stay short enough for a socket address.
  std::uint64_t hash = 1469598103934665603ull;
  for (const unsigned char c : className) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char text[40];
  std::snprintf(text, sizeof text, "om-instance-%016llx", static_cast<unsigned long long>(hash));
  return folder() + "/" + text;
}

void InstanceRegistry::publish(HWND window, const std::string& className)
{
  if (!enabled_) return;
  for (const auto& entry : entries_)
    if (entry->className == className) return;
  const std::string base = baseName(className);
  auto entry = std::make_unique<Entry>();
  entry->window = window;
  entry->className = className;
  entry->socketPath = base + ".sock";
  entry->lockFd = ::open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (entry->lockFd < 0) return;
  if (::flock(entry->lockFd, LOCK_EX | LOCK_NB) != 0) {
    ::close(entry->lockFd);  // another process has the class
    return;
  }
  sockaddr_un address;
  entry->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (entry->listenFd < 0 || !fillAddress(entry->socketPath, address)) {
    if (entry->listenFd >= 0) ::close(entry->listenFd);
    ::close(entry->lockFd);
    return;
  }
  ::unlink(entry->socketPath.c_str());  // left by a copy that ended without cleaning up
  if (::bind(entry->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(entry->listenFd, 4) != 0) {
    ::close(entry->listenFd);
    ::close(entry->lockFd);
    return;
  }
  Entry* raw = entry.get();
  entry->server = std::thread([this, raw] { serve(raw); });
  entries_.push_back(std::move(entry));
}

void InstanceRegistry::serve(Entry* entry)
{
  for (;;) {
    const int connection = ::accept(entry->listenFd, nullptr, nullptr);
    if (connection < 0) return;  // the listening socket was shut down
    char request[16] = {};
    const ssize_t got = ::read(connection, request, sizeof request - 1);
    std::string reply = "?";
    if (got > 0) {
      const std::string text(request, static_cast<std::size_t>(got));
      if (text == "ICONIC") {
        reply = entry->iconic.load() ? "1" : "0";
      } else if (text == "RESTORE") {
        MessageQueue::instance().post(entry->window, WM_SYSCOMMAND, SC_RESTORE, 0);
        reply = "OK";
      } else if (text == "RAISE") {
        MessageQueue::instance().post(entry->window, kRaiseMessage, 0, 0);
        reply = "OK";
      }
    }
    [[maybe_unused]] const ssize_t sent = ::write(connection, reply.data(), reply.size());
    ::close(connection);
  }
}

void InstanceRegistry::windowGone(HWND window)
{
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    Entry& entry = **it;
    if (entry.window != window) continue;
    ::shutdown(entry.listenFd, SHUT_RDWR);
    if (entry.server.joinable()) entry.server.join();
    ::close(entry.listenFd);
    ::unlink(entry.socketPath.c_str());
    ::close(entry.lockFd);
    entries_.erase(it);
    return;
  }
}

void InstanceRegistry::setIconic(HWND window, bool iconic)
{
  for (const auto& entry : entries_)
    if (entry->window == window) entry->iconic = iconic;
}

void InstanceRegistry::clear()
{
  while (!entries_.empty())
    windowGone(entries_.front()->window);
  foreign_.clear();
}

HWND InstanceRegistry::findForeign(const std::string& className)
{
  const std::string path = baseName(className) + ".sock";
  sockaddr_un address;
  if (!fillAddress(path, address)) return nullptr;
  for (const auto& entry : entries_)
    if (entry->socketPath == path) return nullptr;  // our own
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  const bool running = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (running) {
    // An empty request: the other side answers "?" and goes on.
    ::shutdown(fd, SHUT_WR);
    char ignored[4];
    [[maybe_unused]] const ssize_t got = ::read(fd, ignored, sizeof ignored);
  }
  ::close(fd);
  if (!running) return nullptr;
  foreign_.push_back(path);
  return reinterpret_cast<HWND>(kForeignBase + 2 * (foreign_.size() - 1));
}

bool InstanceRegistry::isForeign(HWND window) const
{
  const auto key = reinterpret_cast<std::uintptr_t>(window);
  return key >= kForeignBase && (key - kForeignBase) % 2 == 0 &&
         (key - kForeignBase) / 2 < foreign_.size();
}

std::string InstanceRegistry::ask(HWND foreign, const char* request)
{
  if (!isForeign(foreign)) return "";
  const std::string& path =
      foreign_[(reinterpret_cast<std::uintptr_t>(foreign) - kForeignBase) / 2];
  sockaddr_un address;
  if (!fillAddress(path, address)) return "";
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return "";
  std::string reply;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::write(fd, request, std::strlen(request)) == static_cast<ssize_t>(std::strlen(request))) {
    ::shutdown(fd, SHUT_WR);
    char buffer[16];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) reply.assign(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return reply;
}

}  // namespace omuser
