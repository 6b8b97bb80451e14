#include "trinkets/lib/RSound.h"

#include <cstdio>
#include <cstdlib>

#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMWaveSound.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RSound", &RSound::create);

int number(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

OMWord write(OMWord buffer, int value)
{
  std::snprintf(reinterpret_cast<char*>(buffer), OMScriptableObject::resultBufferSize, "%d", value);
  return 1;
}

}  // namespace

RSound::RSound(std::uint16_t id)
{
  if (id != 0) load(id);
}

RSound::RSound(const RSound& other) : OMScriptableObject(other)
{
  if (other.id_ != 0) load(other.id_);
}

RSound::~RSound()
{
  // No notification may reach a half-destroyed object.
  dropSound();
}

std::unique_ptr<OMScriptableObject> RSound::create()
{
  return std::make_unique<RSound>(static_cast<std::uint16_t>(std::atoi(popScriptArg())));
}

std::unique_ptr<OMScriptableObject> RSound::clone() const
{
  auto copy = std::make_unique<RSound>(*this);
  copyMembers(copy.get());
  return copy;
}

void RSound::stateText(char* buffer, std::size_t size) const
{
  std::snprintf(buffer, size, "%d", id_);
}

void RSound::registerMembers()
{
  addEvent("started");
  addEvent("finished");
  addProperty("soundID", OMLinkToObj<RSound>(this, &RSound::setSoundId, 0),
              OMLinkToObj<RSound>(this, &RSound::getSoundId, 0));
  addProperty("repeatCount", OMLinkToObj<RSound>(this, &RSound::setRepeatCount, 0),
              OMLinkToObj<RSound>(this, &RSound::getRepeatCount, 0));
  addProperty("volume", OMLinkToObj<RSound>(this, &RSound::setVolume, 0),
              OMLinkToObj<RSound>(this, &RSound::getVolume, 0));
  addMethod("start", OMLinkToObj<RSound>(this, &RSound::startMember));
  addMethod("stop", OMLinkToObj<RSound>(this, &RSound::stopMember));
  addMethod("pause", OMLinkToObj<RSound>(this, &RSound::pauseMember));
  addMethod("resume", OMLinkToObj<RSound>(this, &RSound::resumeMember));
}

void RSound::dropSound()
{
  if (sound_) {
    sound_->setStartedLink(nullptr);
    sound_->setFinishedLink(nullptr);
  }
  sound_.reset();
  stream_.reset();
  playing_ = 0;
}

void RSound::load(std::uint16_t id)
{
  // The old sound goes silently: its end is no "finished" of the new one.
  dropSound();
  id_ = id;
  // Read each time, so that a resolver installed after the object was made is used.
  const OMStreamResolver resolver = OMAnimation::soundResolver;
  if (!resolver) return;
  stream_ = resolver(id);
  if (!stream_) {
    // Id 0 names no sound.
    if (id != 0) reportMissingResource("RSound", "WAVE", id);
    return;
  }
  sound_ = std::make_unique<OMWaveSound>(stream_.get(), 0);
  if (!sound_->load()) {
    reportDamagedResource("RSound", "WAVE", id, nullptr);
    sound_.reset();
    stream_.reset();
    return;
  }
  const OMLinkToObj<RSound> started(this, &RSound::onStarted);
  const OMLinkToObj<RSound> finished(this, &RSound::onFinished);
  sound_->setStartedLink(&started);
  sound_->setFinishedLink(&finished);
}

OMWord RSound::onStarted()
{
  playing_ = 1;
  finished_ = 0;
  raise("started");
  return 0;
}

OMWord RSound::onFinished()
{
  playing_ = 0;
  finished_ = 1;
  raise("finished");
  return 0;
}

OMWord RSound::setSoundId(OMWord text)
{
  load(static_cast<std::uint16_t>(number(text)));
  return 1;
}

OMWord RSound::getSoundId(OMWord buffer)
{
  return write(buffer, id_);
}

OMWord RSound::setRepeatCount(OMWord text)
{
  if (sound_) sound_->setLoopCount(number(text));
  return 1;
}

OMWord RSound::getRepeatCount(OMWord buffer)
{
  return write(buffer, sound_ ? sound_->loopCount() : 1);
}

OMWord RSound::setVolume(OMWord text)
{
  if (sound_) sound_->setVolume(number(text));
  return 1;
}

OMWord RSound::getVolume(OMWord buffer)
{
  return write(buffer, sound_ ? sound_->volume() : 100);
}

OMWord RSound::startMember()
{
  if (!sound_) return 1;
  const OMLinkToObj<RSound> started(this, &RSound::onStarted);
  const OMLinkToObj<RSound> finished(this, &RSound::onFinished);
  // A start while playing begins again; the interrupted play reports no end.
  sound_->setStartedLink(nullptr);
  sound_->setFinishedLink(nullptr);
  sound_->detach();
  sound_->setFinishedLink(&finished);
  sound_->play(1);
  sound_->setStartedLink(&started);
  playing_ = 1;
  return 1;
}

OMWord RSound::stopMember()
{
  if (!playing_ || !sound_) return 1;
  const OMLinkToObj<RSound> finished(this, &RSound::onFinished);
  sound_->setFinishedLink(nullptr);
  sound_->detach();
  finished_ = 1;
  sound_->setFinishedLink(&finished);
  return 1;
}

OMWord RSound::pauseMember()
{
  if (!sound_ || !playing_) return 1;
  sound_->pause();
  playing_ = 0;
  return 1;
}

OMWord RSound::resumeMember()
{
  if (!sound_ || !sound_->isPaused()) return 1;
  sound_->resume();
  playing_ = 1;
  return 1;
}
