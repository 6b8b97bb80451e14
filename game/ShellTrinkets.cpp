#include "game/ShellTrinkets.h"

#include <utility>

#include "game/EverythingPause.h"
#include "trinkets/lib/OMTrinketDialog.h"
#include "trinkets/lib/RCharacter.h"
#include "trinkets/lib/RSmackerMovie.h"

namespace {

// The shell's hold on a movie trinket: the exit movie, which it owns, or the open movie,
// which scripts own and may delete while the shell holds it frozen. A deleted movie is left
// alone.
class MovieHandle final : public ShellMovie {
 public:
  MovieHandle() = default;
  explicit MovieHandle(std::unique_ptr<RSmackerMovie> owned) : owned_(std::move(owned))
  {
    refer(owned_.get());
  }

  void refer(RSmackerMovie* movie)
  {
    if (movie && movie == live()) return;
    movie_ = movie;
    lifetime_ = movie ? movie->lifetime() : std::weak_ptr<int>();
    resumable_ = false;
  }

  void start() override
  {
    if (RSmackerMovie* movie = live()) movie->start();
  }
  bool isRunning() const override
  {
    const RSmackerMovie* movie = live();
    return movie && movie->isRunning();
  }
  void setFinishedLink(const OMLink* link) override
  {
    if (RSmackerMovie* movie = live()) movie->setFinishedCallback(link);
  }
  void setPressHook(const OMLink* link) override
  {
    if (RSmackerMovie* movie = live()) movie->setMouseDownHook(link);
  }
  void setPaletteRestore(bool restore) override
  {
    if (RSmackerMovie* movie = live()) movie->setRestorePalette(restore ? 1 : 0);
  }
  // Only a movie that was playing plays on: one that had ended before the freeze would end,
  // and say so, a second time.
  void pauseRunning() override
  {
    RSmackerMovie* movie = live();
    if (!movie) return;
    if (movie->isRunning()) resumable_ = true;
    movie->pauseRunning();
  }
  void resumeRunning() override
  {
    RSmackerMovie* movie = live();
    if (movie && resumable_) movie->resumeRunning();
    resumable_ = false;
  }
  // Parked, the movie is a still among the other trinkets and the stage runs on.
  void stopPlayback() override
  {
    if (RSmackerMovie* movie = live()) movie->park();
  }
  void restartPlayback() override
  {
    if (RSmackerMovie* movie = live()) movie->unpark();
  }
  void show() override
  {
    if (RSmackerMovie* movie = live()) movie->show();
  }
  void hide() override
  {
    if (RSmackerMovie* movie = live()) movie->hide();
  }
  void setZ(int z) override
  {
    if (RSmackerMovie* movie = live()) movie->setZ(z);
  }

 private:
  RSmackerMovie* live() const { return lifetime_.expired() ? nullptr : movie_; }

  std::unique_ptr<RSmackerMovie> owned_;
  RSmackerMovie* movie_ = nullptr;
  std::weak_ptr<int> lifetime_;
  bool resumable_ = false;
};

// The shell's view of the open movie; it follows the movie that is open at each request.
MovieHandle& openMovieHandle()
{
  static MovieHandle handle;
  return handle;
}

}  // namespace

ShellMovie* currentMovie()
{
  RSmackerMovie* movie = RSmackerMovie::currentMovie();
  if (!movie) return nullptr;
  MovieHandle& handle = openMovieHandle();
  handle.refer(movie);
  return &handle;
}

bool isDialogOpen()
{
  return OMTrinketDialog::currentDialog() != nullptr;
}

std::unique_ptr<ShellMovie> createExitMovie(const char* fileName, int x, int y,
                                            const OMLink* finished)
{
  // The library's extra buffer of 0x4000 bytes, the movie's own palette, read as it plays.
  return std::make_unique<MovieHandle>(
      std::make_unique<RSmackerMovie>(fileName, x, y, finished, 0x4000, 1, 0));
}

void setMovieOpenFlags(std::uint32_t flags)
{
  RSmackerMovie::setOpenFlags(flags);
}

void installCharacterPauseHooks()
{
  setClassPauseHooks(
      "RCharacter", [](OMTrinket* t) { static_cast<RCharacter*>(t)->pause(); },
      [](OMTrinket* t) { static_cast<RCharacter*>(t)->resume(); });
}

void releaseSharedCharacters()
{
  setClassPauseHooks("RCharacter", nullptr, nullptr);
  RCharacter::releaseShared();
}
