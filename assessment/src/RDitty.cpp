#include "assessment/src/RDitty.h"

#include <io.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "assessment/src/ProgramFiles.h"
#include "framework/OMIStreamFile.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMWaveSound.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RDitty", &RDitty::create, TrinketRecord::assessmentEditionOnly);

// The player's fixed text fields: what they keep, without their ends.
constexpr std::size_t fileTextLimit = 15;
constexpr std::size_t typeLimit = 4;
constexpr std::size_t requestLimit = 255;
constexpr std::size_t listLimit = 255;

std::string kept(const char* text, std::size_t limit)
{
  return std::string(text ? text : "").substr(0, limit);
}

int number(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

bool fileExists(const std::string& path)
{
  struct _stat status;
  return _stat(path.c_str(), &status) == 0;
}

// The loop count the mixer takes for a channel's repeat value: -1 loops for ever, a value
// below 1 plays once.
int loopCountOf(int repeat)
{
  return repeat == -1 || repeat >= 1 ? repeat : 1;
}

// Sounds released while a sound reports its end wait here until no report is running: a
// sound is never deleted inside its own report, even when the report drops the player.
struct Retired {
  std::vector<std::unique_ptr<OMWaveSound>> sounds;
  std::vector<std::unique_ptr<OMIStream>> sources;
  int reporting = 0;

  void freeWhenIdle()
  {
    if (reporting) return;
    sounds.clear();
    sources.clear();
  }
};

// Never destroyed: a sound left here at exit must not outlive the mixer it belongs to.
Retired& retired()
{
  static Retired* list = new Retired;
  return *list;
}

}  // namespace

RDitty::RDitty(const char* resourceFile) : resourceFile_(kept(resourceFile, fileTextLimit)) {}

RDitty::~RDitty()
{
  release();
}

std::unique_ptr<OMScriptableObject> RDitty::create()
{
  return std::make_unique<RDitty>(popScriptArg());
}

std::unique_ptr<OMScriptableObject> RDitty::clone() const
{
  return nullptr;
}

void RDitty::registerMembers()
{
  using Link = OMLinkToObj<RDitty>;
  addEvent("start");
  addEvent("finished");
  addMethod("waveSingle", Link(this, &RDitty::waveSingleMember));
  addMethod("waveAlbum", Link(this, &RDitty::waveAlbumMember));
  addMethod("wavePreMix", Link(this, &RDitty::wavePreMixMember));
  addMethod("resPreMex", Link(this, &RDitty::resPreMixMember));
  addMethod("startPreMix", Link(this, &RDitty::startPreMixMember));
  addMethod("resSingle", Link(this, &RDitty::resSingleMember));
  addMethod("resAlbum", Link(this, &RDitty::resAlbumMember));
  addMethod("stop", Link(this, &RDitty::stopMember));
  addMethod("pause", Link(this, &RDitty::pauseMember));
  addMethod("resume", Link(this, &RDitty::resumeMember));
  addMethod("randomWave", Link(this, &RDitty::randomWaveMember));
  addMethod("randomRes", Link(this, &RDitty::randomResMember));
  addProperty("volume", Link(this, &RDitty::setVolumeMember, 0),
              Link(this, &RDitty::getVolumeMember, 0));
  addProperty("resFile", Link(this, &RDitty::setResFile, 0), Link(this, &RDitty::getResFile, 0));
  addProperty("repeat", Link(this, &RDitty::setRepeatMember, 0),
              Link(this, &RDitty::getRepeatMember, 0));
  addProperty("status", Link(this, &RDitty::ignore, 0), Link(this, &RDitty::getStatus, 0));
  const Link cache(this, &RDitty::setCacheMember, 0);
  addProperty("cache", &cache, nullptr);
}

// ---- channels -------------------------------------------------------------------------

void RDitty::releaseChannel(Channel& released)
{
  if (released.sound) {
    released.sound->setStartedLink(nullptr);
    released.sound->setFinishedLink(nullptr);
    released.sound->detach();
    retired().sounds.push_back(std::move(released.sound));
  }
  if (released.source) retired().sources.push_back(std::move(released.source));
  retired().freeWhenIdle();
  released.repeat = 1;
  remaining_ = 0;
}

void RDitty::switchChannel()
{
  current_ ^= 1;
  releaseChannel(channel());
}

void RDitty::attachLinks(OMWaveSound& sound, const Channel& from)
{
  const OMLinkToObj<RDitty> started(this, &RDitty::onStarted);
  const OMLinkToObj<RDitty> finished(this, &RDitty::onFinished);
  sound.setStartedLink(&started);
  sound.setFinishedLink(&finished);
  sound.setVolume(from.volume);
  sound.setLoopCount(loopCountOf(from.repeat));
}

void RDitty::release()
{
  for (Channel& each : channels_)
    releaseChannel(each);
  lastName_.clear();
  current_ = 0;
  status_ = stopped;
  sourceKind_ = waveFiles;
  cache_ = -1;
  hold_ = false;
}

// ---- playing --------------------------------------------------------------------------

bool RDitty::loadName(const std::string& name)
{
  Channel& into = channel();
  if (sourceKind_ == waveFiles) {
    if (!fileExists(name)) return false;
    into.source = std::make_unique<OMIStreamFile>(name.c_str(), cache_, nullptr);
  } else {
    into.source =
        resourceById(static_cast<std::uint16_t>(std::atoi(name.c_str())), resourceType_.c_str());
    if (!into.source) return false;
  }
  into.sound = std::make_unique<OMWaveSound>(into.source.get(), 0);
  if (!into.sound->load()) {
    retired().sounds.push_back(std::move(into.sound));
    retired().sources.push_back(std::move(into.source));
    retired().freeWhenIdle();
    return false;
  }
  lastName_ = name;
  return true;
}

bool RDitty::startName(const std::string& name)
{
  if (!openWaveOut(0)) return false;
  Channel& on = channel();
  // Whole names: two long names that begin alike are two sounds.
  const bool loaded = name == lastName_ && on.sound;
  if (!loaded) {
    if (!loadName(name)) {
      // A resource that is not there ends the request at once; a missing file is quiet.
      if (sourceKind_ != waveFiles) {
        status_ = stopped;
        raise("finished");
      }
      return false;
    }
    if (hold_) {
      hold_ = false;
      attachLinks(*on.sound, on);
      return false;
    }
  }
  // A play that is still going begins again; its end is no report of the new one.
  on.sound->setStartedLink(nullptr);
  on.sound->setFinishedLink(nullptr);
  on.sound->detach();
  attachLinks(*on.sound, on);
  return on.sound->play(1) != 0;
}

void RDitty::playSingle(const std::string& name, const char* volume, const char* repeat,
                        const char* hold)
{
  if (status_ != stopped) return;
  if (name != lastName_ || !channel().sound) switchChannel();
  if (*volume) setVolume(std::atoi(volume));
  if (*repeat) {
    channel().repeat = std::atoi(repeat);
    remaining_ = channel().repeat;
  } else {
    channel().repeat = 1;
    remaining_ = 0;
  }
  if (std::atoi(hold)) hold_ = true;
  const std::weak_ptr<int> alive = alive_;
  const bool started = startName(name);
  if (!alive.expired()) status_ = started ? playingSingle : stopped;
}

void RDitty::readList()
{
  list_.clear();
  for (const char* name = popScriptArg(); *name; name = popScriptArg()) {
    const std::string next = list_.empty() ? std::string(name) : list_ + " " + name;
    if (next.size() > listLimit) continue;
    list_ = next;
  }
  entries_.clear();
  std::size_t at = 0;
  while (at < list_.size()) {
    const std::size_t blank = std::min(list_.find(' ', at), list_.size());
    if (blank > at) entries_.push_back(list_.substr(at, blank - at));
    at = blank + 1;
  }
}

std::string RDitty::listEntry(int index) const
{
  if (index < 0 || index >= static_cast<int>(entries_.size())) return {};
  return entries_[static_cast<std::size_t>(index)];
}

void RDitty::playAlbum()
{
  readList();
  if (status_ != stopped) return;
  releaseChannel(channel());
  nextEntry_ = 1;
  const std::weak_ptr<int> alive = alive_;
  const bool started = startName(listEntry(0));
  if (!alive.expired()) status_ = started ? playingAlbum : stopped;
}

void RDitty::playRandom()
{
  readList();
  if (status_ != stopped || entries_.empty()) return;
  const int count = static_cast<int>(entries_.size());
  // A list that holds nothing but the last name plays it again.
  const bool anyOther = std::any_of(entries_.begin(), entries_.end(),
                                    [&](const std::string& e) { return e != lastName_; });
  std::string pick;
  do {
    pick = listEntry(std::rand() % count);
  } while (anyOther && pick == lastName_);
  lastName_ = pick;
  releaseChannel(channel());
  const std::weak_ptr<int> alive = alive_;
  const bool started = startName(pick);
  if (!alive.expired()) status_ = started ? playingSingle : stopped;
}

void RDitty::playResource(const char* type, int id, const char* repeat)
{
  sourceKind_ = resources;
  resourceType_ = kept(type, typeLimit);
  const std::string name = std::to_string(id);
  const std::weak_ptr<int> alive = alive_;
  playSingle(name, "", repeat ? repeat : "", "");
  if (!alive.expired()) sourceKind_ = waveFiles;
}

void RDitty::stop()
{
  Channel& on = channel();
  if (status_ == stopped || !on.sound) return;
  on.sound->setFinishedLink(nullptr);
  on.sound->detach();
  on.repeat = 1;
  status_ = stopped;
}

void RDitty::setVolume(int volume)
{
  if (volume == -1) return;
  volume = std::clamp(volume, 0, 100);
  for (Channel& each : channels_)
    each.volume = volume;
  if (channel().sound) channel().sound->setVolume(volume);
}

void RDitty::setRepeat(int repeat)
{
  // The plays are one more than the repeats; the most repeats there are play as often.
  const int plays = repeat == std::numeric_limits<int>::max() ? repeat : repeat + 1;
  channel().repeat = plays;
  remaining_ = plays;
  if (channel().sound) channel().sound->setLoopCount(loopCountOf(channel().repeat));
}

void RDitty::setCache(bool on)
{
  cache_ = on ? -1 : 0;
}

// ---- reports --------------------------------------------------------------------------

OMWord RDitty::onStarted()
{
  raise("start");
  return 0;
}

OMWord RDitty::onFinished()
{
  ++retired().reporting;
  const std::weak_ptr<int> alive = alive_;
  if (status_ == playingSingle) {
    // The mixer has played every loop when it reports the end, so a counted repeat is done.
    const int repeat = channel().repeat;
    if (repeat != -1) {
      remaining_ = 0;
      channel().repeat = 1;
      status_ = stopped;
    }
  } else if (status_ == playingAlbum) {
    switchChannel();
    const std::string next = listEntry(nextEntry_++);
    const bool started = !next.empty() && startName(next);
    // An entry that is not there reports the end at once, and its handler may drop the player.
    if (alive.expired()) {
      --retired().reporting;
      return 0;
    }
    status_ = started ? playingAlbum : stopped;
  }
  const bool ended = status_ == stopped;
  --retired().reporting;
  if (ended) raise("finished");
  return 0;
}

// ---- members --------------------------------------------------------------------------

OMWord RDitty::waveSingleMember()
{
  sourceKind_ = waveFiles;
  const std::string name = kept(popScriptArg(), requestLimit);
  const std::string volume = popScriptArg();
  const std::string repeat = popScriptArg();
  const std::string hold = popScriptArg();
  playSingle(name, volume.c_str(), repeat.c_str(), hold.c_str());
  return 1;
}

OMWord RDitty::waveAlbumMember()
{
  sourceKind_ = waveFiles;
  playAlbum();
  return 1;
}

OMWord RDitty::wavePreMixMember()
{
  sourceKind_ = waveFiles;
  readList();
  sourceKind_ = premix;
  return 1;
}

OMWord RDitty::resPreMixMember()
{
  sourceKind_ = resources;
  readList();
  sourceKind_ = premix;
  return 1;
}

OMWord RDitty::startPreMixMember()
{
  // Nothing is mixed ahead: the premix kinds play as resources when asked.
  return 1;
}

OMWord RDitty::resSingleMember()
{
  sourceKind_ = resources;
  resourceType_ = kept(popScriptArg(), typeLimit);
  const std::string name = kept(popScriptArg(), requestLimit);
  const std::string volume = popScriptArg();
  const std::string repeat = popScriptArg();
  const std::string hold = popScriptArg();
  const std::weak_ptr<int> alive = alive_;
  playSingle(name, volume.c_str(), repeat.c_str(), hold.c_str());
  if (!alive.expired()) sourceKind_ = waveFiles;
  return 1;
}

OMWord RDitty::resAlbumMember()
{
  sourceKind_ = resources;
  resourceType_ = kept(popScriptArg(), typeLimit);
  playAlbum();
  return 1;
}

OMWord RDitty::stopMember()
{
  stop();
  return 1;
}

OMWord RDitty::pauseMember()
{
  if (status_ != stopped && channel().sound && !channel().sound->isPaused())
    channel().sound->pause();
  return 1;
}

OMWord RDitty::resumeMember()
{
  if (status_ != stopped && channel().sound && channel().sound->isPaused())
    channel().sound->resume();
  return 1;
}

OMWord RDitty::randomWaveMember()
{
  sourceKind_ = waveFiles;
  playRandom();
  return 1;
}

OMWord RDitty::randomResMember()
{
  sourceKind_ = resources;
  resourceType_ = kept(popScriptArg(), typeLimit);
  playRandom();
  return 1;
}

OMWord RDitty::setVolumeMember(OMWord text)
{
  setVolume(number(text));
  return 1;
}

OMWord RDitty::getVolumeMember(OMWord buffer)
{
  return writeNumber(buffer, channels_[current_].volume);
}

OMWord RDitty::setResFile(OMWord text)
{
  resourceFile_ = kept(reinterpret_cast<const char*>(text), fileTextLimit);
  return 1;
}

OMWord RDitty::getResFile(OMWord buffer)
{
  return writeText(buffer, resourceFile_.c_str());
}

OMWord RDitty::setRepeatMember(OMWord text)
{
  setRepeat(number(text));
  return 1;
}

OMWord RDitty::getRepeatMember(OMWord buffer)
{
  return writeNumber(buffer, remaining_);
}

OMWord RDitty::getStatus(OMWord buffer)
{
  return writeNumber(buffer, status_);
}

OMWord RDitty::setCacheMember(OMWord text)
{
  setCache(number(text) != 0);
  return 1;
}

OMWord RDitty::ignore(OMWord)
{
  return 1;
}
