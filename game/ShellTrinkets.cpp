#include "game/ShellTrinkets.h"

namespace {

// An exit movie whose file never opens: it does not run, whatever it is asked.
class UnopenedMovie final : public ShellMovie {
 public:
  void start() override {}
  bool isRunning() const override { return false; }
  void setFinishedLink(const OMLink*) override {}
  void setPressHook(const OMLink*) override {}
  void setPaletteRestore(bool) override {}
  void pauseRunning() override {}
  void resumeRunning() override {}
  void stopPlayback() override {}
  void restartPlayback() override {}
  void show() override {}
  void hide() override {}
  void setZ(int) override {}
};

}  // namespace

ShellMovie* currentMovie()
{
  return nullptr;
}

bool isDialogOpen()
{
  return false;
}

std::unique_ptr<ShellMovie> createExitMovie(const char*, int, int, const OMLink*)
{
  return std::make_unique<UnopenedMovie>();
}

void setMovieOpenFlags(std::uint32_t) {}

void releaseSharedCharacters() {}
