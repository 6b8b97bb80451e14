#include "trinkets/src/MovieAction.h"

#include <cstdlib>

#include "framework/OMLinkToObj.h"
#include "trinkets/lib/RSmackerMovie.h"
#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"

namespace {
ActionRegistrar registrar("MovieAction", &MovieAction::create, true);
}

MovieAction::MovieAction(const char* fileName, int extraBuffer, int usePalette, int preload,
                         int interruptible)
    : Action(interruptible),
      preload_(preload),
      usePalette_(usePalette),
      fileName_(fileName ? fileName : ""),
      extraBuffer_(extraBuffer)
{
}

MovieAction::MovieAction(const MovieAction& other)
    : MovieAction(other.fileName_.c_str(), other.extraBuffer_, other.usePalette_, other.preload_,
                  other.interruptibleFlag())
{
}

MovieAction::~MovieAction()
{
  if (isActive()) halt();
  movie_.reset();
}

std::unique_ptr<Action> MovieAction::create(int interruptible)
{
  const std::string name = popScriptArg();
  const char* extra = popScriptArg();
  const char* palette = popScriptArg();
  const char* preload = popScriptArg();
  const char* flag = popScriptArg();
  if (name.empty()) return nullptr;
  return std::make_unique<MovieAction>(
      name.c_str(), *extra ? std::atoi(extra) : -1, *palette ? std::atoi(palette) : 1,
      *preload ? std::atoi(preload) : 0, *flag ? std::atoi(flag) : interruptible);
}

void MovieAction::start()
{
  Action::start();
  movie_.reset();
  // The link is given after construction: a movie that cannot open would call it from its
  // constructor, and the check below finishes the action once.
  movie_ = std::make_unique<RSmackerMovie>(fileName_.c_str(), 0, 0, nullptr, extraBuffer_,
                                           usePalette_, preload_);
  const OMLinkToObj<MovieAction> handler(this, &MovieAction::done);
  movie_->setFinishedCallback(&handler);
  if (OMTrinketWindow* host = OMTrinketWindow::mainHost())
    movie_->setPosition(host->offsetX(), host->offsetY());
  movie_->start();
  if (!movie_->isRunning()) {
    halt();
    finish();
  }
}

OMWord MovieAction::done()
{
  halt();
  finish();
  return 1;
}

void MovieAction::halt()
{
  Action::halt();
  if (!movie_) return;
  movie_->setFinishedCallback(nullptr);
  movie_.reset();
}

void MovieAction::pause()
{
  if (movie_) movie_->pauseRunning();
}

void MovieAction::resume()
{
  if (movie_) movie_->resumeRunning();
}
