#pragma once

#include <cstdint>
#include <memory>

class OMLink;

// What the shell needs of the movie, dialog and character trinkets. The character trinkets
// come later.

// A movie as the shell handles it around a close request and at the end of the game.
class ShellMovie {
 public:
  virtual ~ShellMovie() = default;
  virtual void start() = 0;
  virtual bool isRunning() const = 0;
  // Null clears the link.
  virtual void setFinishedLink(const OMLink* link) = 0;
  virtual void setPressHook(const OMLink* link) = 0;
  // Whether the movie puts the stage palette back at its end (at 8 bits per pixel).
  virtual void setPaletteRestore(bool restore) = 0;
  virtual void pauseRunning() = 0;
  virtual void resumeRunning() = 0;
  virtual void stopPlayback() = 0;
  virtual void restartPlayback() = 0;
  virtual void show() = 0;
  virtual void hide() = 0;
  virtual void setZ(int z) = 0;
};

// The movie open now, or null. The shell may keep the answer: it does nothing once scripts
// delete that movie.
ShellMovie* currentMovie();
// Whether a dialog trinket is open now.
bool isDialogOpen();
// The movie on a file at (x, y) that calls finished at its end, not started yet. A file that
// does not open gives a movie that never runs (it calls finished at once).
std::unique_ptr<ShellMovie> createExitMovie(const char* fileName, int x, int y,
                                            const OMLink* finished);
// The open flags every movie starts with.
void setMovieOpenFlags(std::uint32_t flags);
// "PauseEverything" and "ResumeEverything" reach the characters.
void installCharacterPauseHooks();
// Frees what the character trinkets share and takes their pause hooks back (at the end of the
// game).
void releaseSharedCharacters();
