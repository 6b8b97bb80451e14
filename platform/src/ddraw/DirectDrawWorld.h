#pragma once

#include <ddraw.h>

#include <cstddef>
#include <optional>
#include <vector>

namespace omddraw {

class DirectDrawObject;
class DirectDrawSurface;

struct DisplayMode {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  bool operator==(const DisplayMode&) const = default;
};

// What the DirectDraw objects of the process share: the live surfaces, the one object at the
// exclusive level, the display mode, and the switches tests use to reach the paths that real
// drivers take only now and then (lost surfaces, busy blitters, padded rows, little video
// memory).
class DirectDrawWorld {
 public:
  static DirectDrawWorld& instance();

  // The modes the display offers, in enumeration order.
  static const std::vector<DisplayMode>& displayModes();
  static bool offersMode(const DisplayMode& mode);
  DisplayMode currentMode() const;
  // Resizes the virtual screen; on a change every surface is lost and the top-level windows
  // hear WM_DISPLAYCHANGE.
  void applyMode(const DisplayMode& mode);

  void addSurface(DirectDrawSurface* surface);
  void removeSurface(DirectDrawSurface* surface);
  const std::vector<DirectDrawSurface*>& surfaces() const { return surfaces_; }
  void loseSurfaces();

  DirectDrawObject* exclusiveOwner() const { return exclusive_; }
  void setExclusiveOwner(DirectDrawObject* owner);
  // The program lost the desktop's focus while exclusive, and has not had it back.
  bool deactivated() const { return deactivated_; }
  void hostActivation(bool gained);

  // Test switches.
  void failNextCalls(int calls) { stillDrawing_ = calls; }
  // Answers true (and counts down) while calls are to answer DDERR_WASSTILLDRAWING.
  bool stillDrawing();
  void setPaddedPitch(bool padded) { paddedPitch_ = padded; }
  bool paddedPitch() const { return paddedPitch_; }
  void setVideoMemoryBudget(std::size_t bytes) { videoBudget_ = bytes; }
  std::size_t videoMemoryTotal() const { return videoBudget_; }
  std::size_t videoMemoryFree() const
  {
    return videoUsed_ < videoBudget_ ? videoBudget_ - videoUsed_ : 0;
  }
  bool takeVideoMemory(std::size_t bytes);
  void giveVideoMemory(std::size_t bytes);
  // Back to the state of a fresh process (surfaces and objects still alive are not touched).
  void resetSwitches();

 private:
  DirectDrawWorld() = default;

  std::vector<DirectDrawSurface*> surfaces_;
  DirectDrawObject* exclusive_ = nullptr;
  bool deactivated_ = false;
  int stillDrawing_ = 0;
  bool paddedPitch_ = false;
  std::size_t videoBudget_ = kDefaultVideoMemory;
  std::size_t videoUsed_ = 0;

 public:
  static constexpr std::size_t kDefaultVideoMemory = std::size_t{256} << 20;
};

}  // namespace omddraw
