#pragma once

#include <memory>
#include <string>

#include "trinkets/src/Action.h"

class RSmackerMovie;

// Plays a movie file at the host's origin and ends with it.
class MovieAction : public Action {
 public:
  MovieAction(const char* fileName, int extraBuffer, int usePalette, int preload,
              int interruptible);
  // A copy of the action as made, idle.
  MovieAction(const MovieAction& other);
  ~MovieAction() override;

  // Arguments: file name, extra buffer, palette flag, preload flag, interruptible. Only the
  // game edition has it.
  static std::unique_ptr<Action> create(int interruptible);

  void halt() override;
  void pause() override;
  void resume() override;
  void start() override;

  RSmackerMovie* movie() const { return movie_.get(); }
  const std::string& fileName() const { return fileName_; }
  int extraBuffer() const { return extraBuffer_; }
  int usePalette() const { return usePalette_; }
  int preload() const { return preload_; }

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<MovieAction>(*this); }

 private:
  OMWord done();

  int preload_;
  int usePalette_;
  std::string fileName_;
  int extraBuffer_;
  std::unique_ptr<RSmackerMovie> movie_;
};
