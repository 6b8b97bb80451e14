#include "game/PlayedSound.h"

#include "framework/OMIStream.h"
#include "framework/OMLink.h"
#include "framework/OMWaveSound.h"

PlayedSound::PlayedSound(std::int32_t handle, std::unique_ptr<OMIStream> stream,
                         std::unique_ptr<OMWaveSound> sound)
    : handle_(handle), stream_(std::move(stream)), sound_(std::move(sound))
{
}

PlayedSound::~PlayedSound()
{
  // Going is no end: nothing may call back into a record that is being deleted.
  sound_->setFinishedLink(nullptr);
  sound_.reset();
  stream_.reset();
}

void PlayedSound::setFinishedLink(const OMLink* link)
{
  finishedLink_ = cloneLink(link);
}

void PlayedSound::callFinishedLink()
{
  if (!finishedLink_) return;
  const std::unique_ptr<OMLink> copy = finishedLink_->clone();
  copy->call();
}
