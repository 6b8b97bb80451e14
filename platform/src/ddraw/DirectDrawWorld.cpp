#include "platform/src/ddraw/DirectDrawWorld.h"

#include <algorithm>

#include "platform/host/Host.h"
#include "platform/src/ddraw/DirectDrawObject.h"
#include "platform/src/ddraw/DirectDrawSurface.h"
#include "platform/src/gdi/Screen.h"
#include "platform/src/user/Window.h"
#include "platform/src/user/WindowManager.h"

namespace omddraw {

DirectDrawWorld& DirectDrawWorld::instance()
{
  static DirectDrawWorld* const world = new DirectDrawWorld;  // surfaces may outlive statics
  return *world;
}

const std::vector<DisplayMode>& DirectDrawWorld::displayModes()
{
  static const std::vector<DisplayMode> modes = [] {
    std::vector<DisplayMode> list;
    for (const auto& [w, h] : {std::pair{640, 480}, std::pair{800, 600}, std::pair{1024, 768}})
      for (int bits : {8, 16, 32})
        list.push_back(DisplayMode{w, h, bits});
    return list;
  }();
  return modes;
}

bool DirectDrawWorld::offersMode(const DisplayMode& mode)
{
  const auto& modes = displayModes();
  return std::find(modes.begin(), modes.end(), mode) != modes.end();
}

DisplayMode DirectDrawWorld::currentMode() const
{
  const omhost::ScreenBuffer& screen = omhost::host().screen();
  return DisplayMode{screen.width, screen.height, screen.bitsPerPixel};
}

void DirectDrawWorld::applyMode(const DisplayMode& mode)
{
  if (mode == currentMode()) return;
  omgdi::Screen::instance().configure(mode.width, mode.height, mode.bitsPerPixel);
  loseSurfaces();
  const LPARAM size = MAKELPARAM(mode.width, mode.height);
  for (omuser::Window* top : omuser::WindowManager::instance().topLevelWindows())
    SendMessageA(top->handle, WM_DISPLAYCHANGE, static_cast<WPARAM>(mode.bitsPerPixel), size);
}

void DirectDrawWorld::addSurface(DirectDrawSurface* surface)
{
  surfaces_.push_back(surface);
}

void DirectDrawWorld::removeSurface(DirectDrawSurface* surface)
{
  std::erase(surfaces_, surface);
}

void DirectDrawWorld::loseSurfaces()
{
  for (DirectDrawSurface* surface : surfaces_)
    surface->markLost();
}

void DirectDrawWorld::setExclusiveOwner(DirectDrawObject* owner)
{
  exclusive_ = owner;
  deactivated_ = false;
}

// Losing the focus at the exclusive level gives the desktop its mode back and minimises the
// program; its surfaces stay lost until it is active again and restores them.
void DirectDrawWorld::hostActivation(bool gained)
{
  if (exclusive_ == nullptr) return;
  if (!gained) {
    if (deactivated_) return;
    deactivated_ = true;
    loseSurfaces();
    exclusive_->giveUpDisplay();
    return;
  }
  if (!deactivated_) return;
  deactivated_ = false;
  exclusive_->takeBackDisplay();
}

bool DirectDrawWorld::stillDrawing()
{
  if (stillDrawing_ <= 0) return false;
  --stillDrawing_;
  return true;
}

bool DirectDrawWorld::takeVideoMemory(std::size_t bytes)
{
  if (bytes > videoMemoryFree()) return false;
  videoUsed_ += bytes;
  return true;
}

void DirectDrawWorld::giveVideoMemory(std::size_t bytes)
{
  videoUsed_ -= std::min(bytes, videoUsed_);
}

void DirectDrawWorld::resetSwitches()
{
  stillDrawing_ = 0;
  paddedPitch_ = false;
  videoBudget_ = kDefaultVideoMemory;
}

}  // namespace omddraw
