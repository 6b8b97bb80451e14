#include "platform/host/sdl/SdlDisplayWait.h"

#include <SDL_syswm.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cstdint>

namespace omhost {

SdlDisplayWait::~SdlDisplayWait()
{
  if (wakeFd_ >= 0) close(wakeFd_);
}

#if defined(SDL_VIDEO_DRIVER_X11)
bool SdlDisplayWait::attach(SDL_Window* window)
{
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 ||
      info.info.x11.display == nullptr)
    return false;
  display_ = info.info.x11.display;
  displayFd_ = ConnectionNumber(info.info.x11.display);
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  return wakeFd_ >= 0;
}

bool SdlDisplayWait::inputMayBeWaiting() const
{
  if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE) return true;
  if (QLength(static_cast<Display*>(display_)) > 0) return true;
  pollfd connection{displayFd_, POLLIN, 0};
  return poll(&connection, 1, 0) != 0;
}
#else
bool SdlDisplayWait::attach(SDL_Window*)
{
  return false;
}

bool SdlDisplayWait::inputMayBeWaiting() const
{
  return true;
}
#endif

bool SdlDisplayWait::wait(int milliseconds)
{
  if (inputMayBeWaiting()) return true;
  std::array<pollfd, 2> fds{pollfd{displayFd_, POLLIN, 0}, pollfd{wakeFd_, POLLIN, 0}};
  if (poll(fds.data(), fds.size(), milliseconds) <= 0) return false;
  if (fds[1].revents != 0) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(wakeFd_, &count, sizeof count);
  }
  return true;
}

void SdlDisplayWait::wake() const
{
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t put = write(wakeFd_, &one, sizeof one);
}

}  // namespace omhost
