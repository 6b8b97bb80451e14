#include "trinkets/lib/RCharacter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "framework/OMBackgroundJob.h"
#include "framework/OMEdition.h"
#include "framework/OMIStream.h"
#include "framework/OMIStreamDLL16.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMSystem.h"
#include "framework/OMWaveSound.h"
#include "trinkets/lib/CharacterChoreography.h"
#include "trinkets/lib/LipSyncTable.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/OMStreamBytes.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RCharacter", &RCharacter::create);

OMCursor* defaultTracking = nullptr;
OMCursor* defaultHover = nullptr;
RCharacter::CursorLookup cursorLookup = nullptr;
RCharacter::ResourceLookup resourceLookup = nullptr;
RCharacter::ChoreographyLookup choreographyLookup = nullptr;
int keepSpeechPieces = 1;

std::unique_ptr<OMLink>& releaser()
{
  static std::unique_ptr<OMLink> link;
  return link;
}

std::unique_ptr<OMLink>& keeper()
{
  static std::unique_ptr<OMLink> link;
  return link;
}

std::vector<RCharacter::SpeechRecord>& sharedRecords()
{
  static std::vector<RCharacter::SpeechRecord> records;
  return records;
}

// Speech sounds that finished, with their streams: freed once the mixer's callback is over.
// The sound reads its stream: it goes first.
struct SpentSound {
  std::unique_ptr<OMIStream> stream;
  std::unique_ptr<OMWaveSound> sound;
};
std::vector<SpentSound>& spentSounds()
{
  static std::vector<SpentSound> spent;
  return spent;
}
int soundCallbacks = 0;

void freeSpentSounds()
{
  if (soundCallbacks == 0) spentSounds().clear();
}

constexpr int ticksPerSecond = 60;
constexpr std::size_t cacheLineLimit = 80;

int argNumber(const char* text, int fallback)
{
  return *text ? std::atoi(text) : fallback;
}

bool isResourceFileStream(const OMIStream& stream)
{
  return &stream.descriptor() == &OMIStreamDLL16::classDescriptor;
}

}  // namespace

RCharacter::LoadRequest::~LoadRequest()
{
  // A read still in flight must not call back into a request that is gone.
  if (stream && isResourceFileStream(*stream))
    static_cast<OMIStreamDLL16*>(stream.get())->setLoadedLink(nullptr);
}

RCharacter::RCharacter(int settlePoseId, int x, int y, int z, OMTrinketWindow* host)
    : OMMultiTrinket(host, 2), settlePoseId_(settlePoseId)
{
  setZ(z);
  setConfined(0);
  OMMultiTrinket::setTrackingCursor(defaultTracking);
  OMMultiTrinket::setHoverCursor(defaultHover);
  if (std::unique_ptr<OMAnimation> pose = makeAnimation(settlePoseId, 0)) {
    if (x != noPosition && y != noPosition) pose->setPosition(x, y);
    pose->setRepeat(-1);
    addPiece(std::move(pose), 0, settlePiece);
  }
  pauseListener_ =
      std::make_unique<OMLinkToObj<RCharacter>>(this, &RCharacter::soundOutputStalled, 0);
  addToSoundList(pauseListener_.get());
}

RCharacter::RCharacter(const RCharacter& other)
    : OMMultiTrinket(other),
      animateSettled_(other.animateSettled_),
      paused_(other.paused_),
      registerAnimsToSettle_(other.registerAnimsToSettle_),
      registerFidgetsToSettle_(other.registerFidgetsToSettle_),
      registerSpeechToSettle_(other.registerSpeechToSettle_),
      stayVisible_(other.stayVisible_),
      choreographyFrame_(other.choreographyFrame_),
      animationPieceId_(other.animationPieceId_),
      firstSpeechPieceId_(other.firstSpeechPieceId_),
      nextFidgetSerial_(other.nextFidgetSerial_),
      choreographyFrameTime_(other.choreographyFrameTime_),
      nextChoreographyTime_(other.nextChoreographyTime_),
      pauseTime_(other.pauseTime_),
      nextSpeechSerial_(other.nextSpeechSerial_),
      choreography_(other.choreography_),
      speechRecords_(other.speechRecords_),
      settlePoseId_(other.settlePoseId_)
{
  // No done link and no loads in flight: the source finishes its action and owns its reads.
  const OMLinkToObj<RCharacter> fidgetEnded(this, &RCharacter::fidgetDone);
  for (const auto& group : other.fidgetGroups_) {
    auto copy = std::make_unique<FidgetGroup>();
    copy->playOnce = group->playOnce;
    copy->minSeconds = group->minSeconds;
    copy->maxSeconds = group->maxSeconds;
    copy->nextTime = group->nextTime;
    copy->id = group->id;
    for (const auto& fidget : group->all) {
      auto record = std::make_unique<FidgetRecord>(*fidget);
      record->group = copy.get();
      if (std::find(group->toPlay.begin(), group->toPlay.end(), fidget.get()) !=
          group->toPlay.end())
        copy->toPlay.push_back(record.get());
      if (OMAnimation* piece = pieceAnimation(record->pieceId))
        piece->setDoneCallback(&fidgetEnded, 0);
      copy->all.push_back(std::move(record));
    }
    fidgetGroups_.push_back(std::move(copy));
  }
  const OMLinkToObj<RCharacter> ended(this, &RCharacter::animationDone);
  if (OMAnimation* piece = pieceAnimation(animationPieceId_)) piece->setDoneCallback(&ended, 0);
  if (OMAnimation* piece = pieceAnimation(firstSpeechPieceId_)) piece->setDoneCallback(&ended, 0);
  if (other.speechStream_ && other.speechSound_) {
    speechStream_ = other.speechStream_->clone();
    if (speechStream_) {
      speechSound_ = startSpeechSound(*speechStream_, choreographyFrame_ != 0);
      if (speechSound_ && other.paused_) speechSound_->pause();
    }
  }
  pauseListener_ =
      std::make_unique<OMLinkToObj<RCharacter>>(this, &RCharacter::soundOutputStalled, 0);
  addToSoundList(pauseListener_.get());
}

RCharacter::~RCharacter()
{
  const std::unique_ptr<OMLink> done = std::move(doneLink_);
  pendingLoads_.clear();
  currentFidget_ = nullptr;
  fidgetGroups_.clear();
  speechRecords_.clear();
  choreography_.clear();
  if (speechSound_) speechSound_->setFinishedLink(nullptr);
  speechSound_.reset();
  speechStream_.reset();
  resumeReads();
  removeFromSoundList(pauseListener_.get());
  pauseListener_.reset();
  freeSpentSounds();
  removeAllPieces();
  // A waiting action hears of the end once, so that its queue goes on.
  if (done) done->call();
}

std::unique_ptr<OMScriptableObject> RCharacter::create()
{
  const std::string id = popScriptArg();
  const std::string second = popScriptArg();
  const std::string third = popScriptArg();
  const std::string fourth = popScriptArg();
  if (id.empty()) return nullptr;
  if (third.empty()) {
    return std::make_unique<RCharacter>(std::atoi(id.c_str()), noPosition, noPosition,
                                        std::atoi(second.c_str()), OMTrinketWindow::mainHost());
  }
  return std::make_unique<RCharacter>(std::atoi(id.c_str()), std::atoi(second.c_str()),
                                      std::atoi(third.c_str()), std::atoi(fourth.c_str()),
                                      OMTrinketWindow::mainHost());
}

std::unique_ptr<OMScriptableObject> RCharacter::clone() const
{
  auto copy = std::make_unique<RCharacter>(*this);
  copyMembers(copy.get());
  return copy;
}

// Class-wide hooks.

void RCharacter::setDefaultTrackingCursor(OMCursor* cursor)
{
  defaultTracking = cursor;
}

void RCharacter::setDefaultHoverCursor(OMCursor* cursor)
{
  defaultHover = cursor;
}

void RCharacter::setCursorLookup(CursorLookup lookup)
{
  cursorLookup = lookup;
}

void RCharacter::setResourceLookup(ResourceLookup lookup)
{
  resourceLookup = lookup;
}

void RCharacter::setChoreographyLookup(ChoreographyLookup lookup)
{
  choreographyLookup = lookup;
}

void RCharacter::setResourceReleaser(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(releaser(), link);
}

void RCharacter::setResourceKeeper(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(keeper(), link);
}

void RCharacter::setKeepSpeechPieces(int keep)
{
  keepSpeechPieces = keep;
}

const std::vector<RCharacter::SpeechRecord>& RCharacter::sharedSpeechRecords()
{
  return sharedRecords();
}

void RCharacter::releaseShared()
{
  sharedRecords().clear();
  sharedRecords().shrink_to_fit();
  freeSpentSounds();
}

int RCharacter::loadSpeechRecords(const char* text, std::size_t size)
{
  int read = 0;
  std::size_t at = 0;
  while (text && at < size) {
    const char* end = static_cast<const char*>(std::memchr(text + at, '\n', size - at));
    const std::size_t length = end ? static_cast<std::size_t>(end - (text + at)) : size - at;
    std::string line(text + at, std::min(length, cacheLineLimit));
    at += length + 1;
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) continue;
    int ao = 0, sequence = 0, sound = 0;
    if (std::sscanf(line.c_str() + first, "AO: %d\tSequence: %d\tSound: %d", &ao, &sequence,
                    &sound) != 3)
      continue;
    sharedRecords().push_back({sound, ao, sequence});
    ++read;
  }
  return read;
}

int RCharacter::loadSpeechRecordFile(const char* path)
{
  std::FILE* file = path ? om_fopen(path, "rb") : nullptr;
  if (!file) return -1;
  std::string all;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
    all.append(chunk, n);
  std::fclose(file);
  return loadSpeechRecords(all.data(), all.size());
}

// Pieces.

std::unique_ptr<OMAnimation> RCharacter::makeAnimation(int id, int registerToSettle)
{
  if (id == 0 || !OMAnimation::animationResolver) return nullptr;
  std::unique_ptr<OMIStream> stream = OMAnimation::animationResolver(id);
  if (!stream) return nullptr;
  std::unique_ptr<OMAnimation> made = makeAnimation(std::move(stream), registerToSettle);
  if (made) made->setResourceId(id);
  return made;
}

std::unique_ptr<OMAnimation> RCharacter::makeAnimation(std::unique_ptr<OMIStream> stream,
                                                       int registerToSettle)
{
  int x = noPosition, y = noPosition;
  if (OMTrinket* pose = registerToSettle ? pieceWithId(settlePiece) : nullptr) {
    x = pose->x();
    y = pose->y();
  }
  auto made = std::make_unique<OMAnimation>(std::move(stream), x, y, window());
  if (made->sequenceCount() == 0) return nullptr;
  made->setTrackingCursor(defaultTracking);
  made->setHoverCursor(defaultHover);
  return made;
}

OMAnimation* RCharacter::pieceAnimation(int id) const
{
  return id < 0 ? nullptr : dynamic_cast<OMAnimation*>(pieceWithId(id));
}

void RCharacter::showSettlePose(int visible)
{
  if (OMTrinket* pose = pieceWithId(settlePiece)) pose->setVisible(visible);
}

void RCharacter::callDone()
{
  if (!doneLink_) return;
  const std::unique_ptr<OMLink> done = std::move(doneLink_);
  done->call();
}

void RCharacter::callGivenLink(const OMLink* done)
{
  if (!done) return;
  const std::unique_ptr<OMLink> copy = done->clone();
  copy->call();
}

void RCharacter::suspendReads()
{
  if (readsSuspended_) return;
  readsSuspended_ = true;
  suspendBackgroundReads();
}

void RCharacter::resumeReads()
{
  if (!readsSuspended_) return;
  readsSuspended_ = false;
  resumeBackgroundReads();
}

// Animations.

void RCharacter::playAnim(int id, const OMLink* done, int repeat, int stayVisible)
{
  if (isBusy()) {
    callGivenLink(done);
    return;
  }
  endFidget();
  std::unique_ptr<OMAnimation> animation = makeAnimation(id, registerAnimsToSettle_);
  if (!animation) {
    callGivenLink(done);
    return;
  }
  showSettlePose(0);
  animation->setRepeat(repeat);
  animation->preloadSounds(-1);
  animation->resume();
  const OMLinkToObj<RCharacter> ended(this, &RCharacter::animationDone);
  animation->setDoneCallback(&ended, 0);
  stayVisible_ = stayVisible;
  doneLink_ = cloneLink(done);
  animationPieceId_ = animationPiece;
  addPiece(std::move(animation), 0, animationPiece);
}

OMWord RCharacter::animationDone()
{
  const std::weak_ptr<int> alive = lifetime();
  if (animationPieceId_ != -1) {
    removePiecesWithId(animationPiece);
    animationPieceId_ = -1;
  } else if (firstSpeechPieceId_ != -1) {
    resetSpeechPieces(firstSpeechPieceId_, true);
    firstSpeechPieceId_ = -1;
    resumeReads();
  }
  showSettlePose(1);
  if (!stayVisible_) setVisible(0);
  raise("finished");
  // A handler that destroyed the character called the link from the destructor.
  if (!alive.expired()) callDone();
  return 1;
}

// The speech pieces from `from` up: removed when they are not kept, else hidden.
void RCharacter::resetSpeechPieces(int from, bool releaseSounds)
{
  // A speech-record animation played as piece 2 is that piece alone, not the fidgets after it.
  if (from == animationPiece) {
    removePiecesWithId(animationPiece);
    return;
  }
  if (!keepSpeechPieces) {
    for (int id = from; pieceWithId(id); ++id)
      removePiecesWithId(id);
    if (from >= firstSpeechAnimPiece) nextSpeechSerial_ = std::min(nextSpeechSerial_, from);
    return;
  }
  for (int id = from; OMTrinket* piece = pieceWithId(id); ++id) {
    piece->setVisible(0);
    if (auto* animation = dynamic_cast<OMAnimation*>(piece)) {
      if (releaseSounds) {
        animation->releaseSounds(-1);
      } else {
        animation->pause();
        animation->goToFrame(1, 0);
      }
    }
  }
}

// Speech.

void RCharacter::playSpeech(int soundId, const OMLink* done, int stayVisible, int keep)
{
  if (isBusy() || choreographyFrame_) {
    callGivenLink(done);
    return;
  }
  freeSpentSounds();
  doneLink_ = cloneLink(done);
  stayVisible_ = stayVisible;
  if (keep == 0) {
    if (releaser()) releaser()->call(static_cast<OMWord>(soundId));
  } else {
    if (keeper()) keeper()->call(static_cast<OMWord>(soundId));
    suspendReads();
  }
  endFidget();
  bool started = false;
  const auto found = std::find_if(speechRecords_.begin(), speechRecords_.end(),
                                  [soundId](const SpeechRecord& r) { return r.sound == soundId; });
  if (found != speechRecords_.end()) {
    started = playSpeechRecord(*found);
  } else {
    // A document that is refused leaves the speech to the other roads.
    std::unique_ptr<OMIStream> document =
        choreographyLookup ? choreographyLookup(soundId) : nullptr;
    started = document && playChoreography(std::move(document), soundId);
    if (!started) {
      started = nextSpeechSerial_ < firstSpeechAnimPiece + 1 ? playPlainSound(soundId)
                                                             : playLipSync(soundId);
    }
  }
  if (started) return;
  resumeReads();
  callDone();
}

bool RCharacter::playSpeechRecord(const SpeechRecord& record)
{
  OMAnimation* animation = nullptr;
  if (!keepSpeechPieces) {
    std::unique_ptr<OMAnimation> made = makeAnimation(record.animation, registerSpeechToSettle_);
    if (!made) return false;
    made->setDriftFree(1);
    animation = made.get();
    firstSpeechPieceId_ = animationPiece;
    addPiece(std::move(made), 0, animationPiece);
  } else {
    int id = firstSpeechAnimPiece;
    for (; OMTrinket* piece = pieceWithId(id); ++id) {
      if (piece->tag() == record.animation) {
        animation = dynamic_cast<OMAnimation*>(piece);
        break;
      }
    }
    if (animation) {
      animation->setVisible(1);
    } else {
      std::unique_ptr<OMAnimation> made = makeAnimation(record.animation, registerSpeechToSettle_);
      if (!made) return false;
      made->setTag(record.animation);
      made->setDriftFree(1);
      animation = made.get();
      addPiece(std::move(made), 0, id);
    }
    firstSpeechPieceId_ = id;
  }
  showSettlePose(0);
  animation->setSequence(record.sequence, 1);
  animation->preloadSounds(-1);
  animation->goToFrame(1, 0);
  animation->resume();
  const OMLinkToObj<RCharacter> ended(this, &RCharacter::animationDone);
  animation->setDoneCallback(&ended, 1);
  return true;
}

std::unique_ptr<OMWaveSound> RCharacter::startSpeechSound(OMIStream& stream, bool choreography)
{
  auto sound = std::make_unique<OMWaveSound>(&stream, 1);
  const OMLinkToObj<RCharacter> finished(this, &RCharacter::speechSoundFinished);
  sound->setFinishedLink(&finished);
  if (choreography) {
    const OMLinkToObj<RCharacter> paused(this, &RCharacter::speechSoundPaused);
    const OMLinkToObj<RCharacter> resumed(this, &RCharacter::speechSoundResumed);
    sound->setPausedLink(&paused);
    sound->setResumedLink(&resumed);
  }
  if (!sound->play(1)) return nullptr;
  return sound;
}

bool RCharacter::playPlainSound(int soundId)
{
  if (!OMAnimation::soundResolver) return false;
  std::unique_ptr<OMIStream> stream = OMAnimation::soundResolver(soundId);
  if (!stream) return false;
  std::unique_ptr<OMWaveSound> sound = startSpeechSound(*stream, false);
  if (!sound) return false;
  speechStream_ = std::move(stream);
  speechSound_ = std::move(sound);
  return true;
}

void RCharacter::spendSpeechSound()
{
  if (!speechSound_ && !speechStream_) return;
  if (speechSound_) {
    speechSound_->setFinishedLink(nullptr);
    speechSound_->detach();
  }
  spentSounds().push_back({std::move(speechStream_), std::move(speechSound_)});
}

OMWord RCharacter::speechSoundFinished()
{
  const std::weak_ptr<int> alive = lifetime();
  ++soundCallbacks;
  spendSpeechSound();
  if (choreographyFrame_) {
    resetSpeechPieces(firstSpeechAnimPiece, false);
    choreography_.clear();
    choreographyFrame_ = 0;
    showSettlePose(1);
  }
  resumeReads();
  raise("finished");
  if (!alive.expired()) callDone();
  --soundCallbacks;
  return 1;
}

OMWord RCharacter::speechSoundPaused()
{
  pauseTime_ = timeGetTime();
  return 1;
}

OMWord RCharacter::speechSoundResumed()
{
  nextChoreographyTime_ += timeGetTime() - pauseTime_;
  return 1;
}

OMWord RCharacter::soundOutputStalled(OMWord milliseconds)
{
  nextChoreographyTime_ += static_cast<std::uint32_t>(milliseconds);
  return 1;
}

void RCharacter::waitForSpeechLoads()
{
  // Each wait runs the load's completion, which takes it off the list.
  while (!pendingLoads_.empty()) {
    LoadRequest* first = pendingLoads_.front().get();
    auto* stream = static_cast<OMIStreamDLL16*>(first->stream.get());
    stream->waitLoaded();
    if (!pendingLoads_.empty() && pendingLoads_.front().get() == first) {
      spentStreams_.push_back(std::move(first->stream));
      pendingLoads_.erase(pendingLoads_.begin());
    }
  }
}

bool RCharacter::playChoreography(std::unique_ptr<OMIStream> document, int soundId)
{
  std::vector<std::uint8_t> bytes;
  readStreamBytes(*document, bytes);
  document.reset();
  CharacterChoreography choreography;
  const char* problem = nullptr;
  if (!choreography.read(reinterpret_cast<const char*>(bytes.data()), bytes.size(), &problem)) {
    reportDamagedResource("RCharacter", "CHOR", soundId, problem);
    return false;
  }
  waitForSpeechLoads();
  choreographyFrameTime_ = static_cast<std::uint32_t>(choreography.frameTime());
  for (const CharacterChoreography::Track& track : choreography.tracks()) {
    int id = firstSpeechAnimPiece;
    OMAnimation* animation = nullptr;
    for (; OMTrinket* piece = pieceWithId(id); ++id) {
      auto* candidate = dynamic_cast<OMAnimation*>(piece);
      if (candidate && candidate->resourceId() == track.animationId) {
        animation = candidate;
        break;
      }
    }
    if (!animation) {
      std::unique_ptr<OMAnimation> made = makeAnimation(track.animationId, 0);
      if (!made) continue;
      made->setDriftFree(1);
      animation = made.get();
      addPiece(std::move(made), 0, id);
      nextSpeechSerial_ = std::max(nextSpeechSerial_, id + 1);
    }
    animation->setVisible(1);
    choreography_.push_back({id, track.frames});
    if (!track.frames.empty() && track.frames.front() <= animation->frameCount())
      animation->goToFrame(track.frames.front(), 0);
  }
  if (choreography.soundId() >= 0 && OMAnimation::soundResolver) {
    if (std::unique_ptr<OMIStream> stream = OMAnimation::soundResolver(choreography.soundId())) {
      if (std::unique_ptr<OMWaveSound> sound = startSpeechSound(*stream, true)) {
        speechStream_ = std::move(stream);
        speechSound_ = std::move(sound);
      }
    }
  }
  showSettlePose(0);
  nextChoreographyTime_ = timeGetTime() + choreographyFrameTime_;
  choreographyFrame_ = 2;
  return true;
}

void RCharacter::choreographyStep()
{
  if (paused_) return;
  const std::uint32_t now = timeGetTime();
  if (static_cast<std::int32_t>(now - nextChoreographyTime_) < 0) return;
  const auto position = static_cast<std::size_t>(choreographyFrame_ - 1);
  for (const ChoreographyRecord& track : choreography_) {
    if (track.frames.size() < static_cast<std::size_t>(choreographyFrame_)) continue;
    OMAnimation* animation = pieceAnimation(track.pieceId);
    if (!animation) continue;
    const int value = track.frames[position];
    if (value == -1) {
      animation->setVisible(0);
      continue;
    }
    // A frame the animation does not have leaves it where it is.
    if (value + 1 <= animation->frameCount()) animation->goToFrame(value + 1, 0);
    animation->setVisible(1);
  }
  ++choreographyFrame_;
  nextChoreographyTime_ += choreographyFrameTime_;
}

bool RCharacter::playLipSync(int soundId)
{
  waitForSpeechLoads();
  OMAnimation* first = pieceAnimation(firstSpeechAnimPiece);
  if (!first) return false;
  // A sequence built by an earlier speech of this sound carries it in entry 2.
  int reuse = -1;
  for (int s = 1; s < first->sequenceCount() && reuse < 0; ++s) {
    const OMFrameEntry* entry = first->sequenceEntry(s, 2);
    if (entry && entry->image == OMFrameEntry::sound && entry->param == soundId) reuse = s;
  }
  const OMLinkToObj<RCharacter> ended(this, &RCharacter::animationDone);
  firstSpeechPieceId_ = firstSpeechAnimPiece;
  for (int id = firstSpeechAnimPiece; OMTrinket* piece = pieceWithId(id); ++id) {
    auto* animation = dynamic_cast<OMAnimation*>(piece);
    if (!animation) continue;
    if (reuse < 0) {
      std::unique_ptr<LipSyncTable> table;
      if (animation->subclassWord() && resourceLookup) {
        char type[16];
        if (id == firstSpeechAnimPiece) {
          std::snprintf(type, sizeof type, "LIPS");
        } else {
          std::snprintf(type, sizeof type, "LIP%d", id - 1000);
        }
        if (std::unique_ptr<OMIStream> stream =
                resourceLookup(static_cast<std::uint16_t>(soundId), type)) {
          std::vector<std::uint8_t> bytes;
          readStreamBytes(*stream, bytes);
          table = std::make_unique<LipSyncTable>();
          if (!table->read(bytes.data(), bytes.size())) table.reset();
        }
      }
      std::vector<OMFrameEntry> rest;
      for (int i = 0; const OMFrameEntry* entry = animation->sequenceEntry(0, i); ++i)
        rest.push_back(*entry);
      const std::vector<OMFrameEntry> built = LipSyncTable::buildSequence(
          table.get(), rest, animation->imageCount(), id == firstSpeechAnimPiece ? soundId : -1);
      animation->addSequence(built.data());
      animation->setSequence(animation->sequenceCount() - 1, 1);
      animation->setFrameIndex(1, 0);
    } else {
      animation->setSequence(reuse, 1);
      animation->goToFrame(1, 0);
    }
    if (id == firstSpeechAnimPiece) {
      animation->preloadSounds(-1);
      // The hold brings the mouth back to rest until the sound has finished.
      animation->setDoneCallback(&ended, 1);
    }
    animation->resume();
    animation->setVisible(1);
  }
  showSettlePose(0);
  return true;
}

// Stopping, pausing, visibility.

void RCharacter::stop()
{
  if (isBusy() || choreographyFrame_) {
    if (animationPieceId_ != -1) {
      removePiecesWithId(animationPiece);
      animationPieceId_ = -1;
    } else if (firstSpeechPieceId_ != -1 || choreographyFrame_) {
      const int from = choreographyFrame_ ? firstSpeechAnimPiece : firstSpeechPieceId_;
      resetSpeechPieces(from, false);
      if (keepSpeechPieces) resetSpeechPieces(from, true);
      firstSpeechPieceId_ = -1;
      if (choreographyFrame_) {
        spendSpeechSound();
        choreography_.clear();
        choreographyFrame_ = 0;
      }
      resumeReads();
    } else {
      spendSpeechSound();
      resumeReads();
    }
  }
  doneLink_.reset();
  showSettlePose(1);
  if (!stayVisible_) setVisible(0);
}

void RCharacter::pause()
{
  if (paused_) return;
  holdActivity(true);
  paused_ = 1;
}

void RCharacter::resume()
{
  if (!paused_) return;
  holdActivity(false);
  paused_ = 0;
}

// Pauses or resumes the first of: the animation, the speech pieces, the speech sound, the
// fidget, the settle pose when it animates.
void RCharacter::holdActivity(bool hold)
{
  const auto apply = [hold](OMAnimation* animation) {
    if (hold) {
      animation->pauseWithSounds();
    } else {
      animation->resumeWithSounds();
    }
  };
  if (OMAnimation* animation = pieceAnimation(animationPieceId_)) {
    apply(animation);
  } else if (firstSpeechPieceId_ != -1) {
    for (int id = firstSpeechPieceId_; OMAnimation* piece = pieceAnimation(id); ++id)
      apply(piece);
  } else if (speechSound_) {
    if (hold) {
      speechSound_->pause();
    } else {
      speechSound_->resume();
    }
  } else if (OMAnimation* fidget = pieceAnimation(currentFidgetPiece())) {
    apply(fidget);
  } else if (OMAnimation* pose = animateSettled_ ? pieceAnimation(settlePiece) : nullptr) {
    apply(pose);
  }
}

void RCharacter::setVisible(int visible)
{
  if (visible == isVisible()) return;
  // The container alone: hidden fidgets and speech pieces stay hidden.
  OMTrinket::setAttribute(4, visible, 0);
  endFidget();
  if (OMTrinket* animation = pieceWithId(animationPieceId_)) {
    animation->setVisible(visible);
  } else if (firstSpeechPieceId_ != -1) {
    for (int id = firstSpeechPieceId_; OMTrinket* piece = pieceWithId(id); ++id)
      piece->setVisible(visible);
  } else {
    showSettlePose(visible);
  }
}

void RCharacter::setAnimateSettled(int animate)
{
  animateSettled_ = animate;
  OMAnimation* pose = pieceAnimation(settlePiece);
  if (!pose) return;
  if (!animate) {
    pose->pause();
    pose->goToFrame(1, 0);
  } else {
    pose->resume();
  }
}

void RCharacter::setSettlePose(int id)
{
  OMTrinket* old = pieceWithId(settlePiece);
  const int visible = old ? old->isVisible() : isVisible();
  std::unique_ptr<OMAnimation> pose = makeAnimation(id, 0);
  if (!pose) return;
  removePiecesWithId(settlePiece);
  OMAnimation* made = pose.get();
  addPiece(std::move(pose), 0, settlePiece);
  made->setVisible(visible);
  if (animateSettled_) made->setRepeat(-1);
  made->resume();
}

void RCharacter::setAOCursor(int a, int b)
{
  if (!cursorLookup || a == 0) return;
  OMMultiTrinket::setTrackingCursor(cursorLookup(static_cast<std::uint16_t>(b ? b : a)));
  OMMultiTrinket::setHoverCursor(cursorLookup(static_cast<std::uint16_t>(a)));
  if (window()) window()->refreshCursor(1);
}

// The frame.

void RCharacter::tick()
{
  freeSpentSounds();
  spentStreams_.clear();
  if (choreographyFrame_) {
    choreographyStep();
  } else {
    fidgetStep();
  }
  OMMultiTrinket::tick();
}

// Fidgets.

std::uint32_t RCharacter::nextFidgetTime(const FidgetGroup& group) const
{
  const int low = std::max(group.minSeconds, 0);
  const int high = std::max(group.maxSeconds, 0);
  const int seconds = high > low ? low + std::rand() % (high - low) : low;
  // Times are told apart by their signed distance: a longer wait than that allows is the
  // longest it allows.
  const std::int64_t ticks = std::min<std::int64_t>(std::int64_t(seconds) * ticksPerSecond,
                                                    std::numeric_limits<std::int32_t>::max());
  return getTicks() + static_cast<std::uint32_t>(ticks);
}

RCharacter::FidgetGroup* RCharacter::fidgetGroup(int id) const
{
  for (const auto& group : fidgetGroups_) {
    if (group->id == id) return group.get();
  }
  return nullptr;
}

int RCharacter::currentFidgetPiece() const
{
  return currentFidget_ ? currentFidget_->pieceId : -1;
}

int RCharacter::pendingLoadCount() const
{
  std::size_t count = pendingLoads_.size();
  for (const auto& group : fidgetGroups_)
    count += group->loads.size();
  return static_cast<int>(count);
}

void RCharacter::addFidgetGroup(int id, int minSeconds, int maxSeconds, int playOnce)
{
  auto group = std::make_unique<FidgetGroup>();
  group->id = id;
  group->minSeconds = minSeconds;
  group->maxSeconds = maxSeconds;
  group->playOnce = playOnce;
  group->nextTime = nextFidgetTime(*group);
  fidgetGroups_.push_back(std::move(group));
}

bool RCharacter::startLoad(LoadRequest& request, OMWord (RCharacter::*completion)(OMWord))
{
  auto* stream = static_cast<OMIStreamDLL16*>(request.stream.get());
  const OMLinkToObj<RCharacter> done(this, completion, 0);
  stream->loadAsync(&done);
  return true;
}

void RCharacter::addFidget(int groupId, int animationId, int replacesPose)
{
  FidgetGroup* group = fidgetGroup(groupId);
  if (!group || !OMAnimation::animationResolver) return;
  std::unique_ptr<OMIStream> stream = OMAnimation::animationResolver(animationId);
  if (!stream || !isResourceFileStream(*stream) || !stream->isWhole()) return;
  auto request = std::make_unique<LoadRequest>();
  request->registerToSettle = registerFidgetsToSettle_;
  request->number = replacesPose;
  request->pieceId = nextFidgetSerial_++;
  request->group = group;
  request->animationId = animationId;
  request->stream = std::move(stream);
  LoadRequest& started = *request;
  group->loads.push_back(std::move(request));
  startLoad(started, &RCharacter::fidgetLoaded);
}

std::unique_ptr<RCharacter::LoadRequest> RCharacter::takeLoad(
    std::vector<std::unique_ptr<LoadRequest>>& loads, OMWord stream)
{
  for (auto it = loads.begin(); it != loads.end(); ++it) {
    if (reinterpret_cast<OMWord>((*it)->stream.get()) != stream) continue;
    std::unique_ptr<LoadRequest> request = std::move(*it);
    loads.erase(it);
    return request;
  }
  return nullptr;
}

OMWord RCharacter::fidgetLoaded(OMWord stream)
{
  std::unique_ptr<LoadRequest> request;
  for (const auto& group : fidgetGroups_) {
    if ((request = takeLoad(group->loads, stream))) break;
  }
  if (!request) return 0;
  auto* loaded = static_cast<OMIStreamDLL16*>(request->stream.get());
  // The stream is freed after its completion, from the next tick.
  std::unique_ptr<OMAnimation> animation =
      loaded->loadStatus() == 0 ? makeAnimation(loaded->clone(), request->registerToSettle)
                                : nullptr;
  spentStreams_.push_back(std::move(request->stream));
  if (!animation) return 0;
  animation->setResourceId(request->animationId);
  const OMLinkToObj<RCharacter> ended(this, &RCharacter::fidgetDone);
  animation->setDoneCallback(&ended, 0);
  OMAnimation* made = animation.get();
  addPiece(std::move(animation), 1, request->pieceId);
  made->setVisible(0);
  auto fidget = std::make_unique<FidgetRecord>();
  fidget->replacesPose = request->number;
  fidget->group = request->group;
  fidget->pieceId = request->pieceId;
  request->group->toPlay.push_back(fidget.get());
  request->group->all.push_back(std::move(fidget));
  return 1;
}

void RCharacter::fidgetStep()
{
  const std::uint32_t now = getTicks();
  FidgetGroup* due = nullptr;
  for (const auto& group : fidgetGroups_) {
    if (static_cast<std::int32_t>(now - group->nextTime) >= 0) {
      due = group.get();
      break;
    }
  }
  if (!due) return;
  // A group with nothing loaded yet waits its turn again rather than block the others.
  if (!isVisible() || isBusy() || currentFidget_ || paused_ || due->toPlay.empty()) {
    due->nextTime = nextFidgetTime(*due);
    return;
  }
  const std::size_t pick = static_cast<std::size_t>(std::rand()) % due->toPlay.size();
  FidgetRecord* fidget = due->toPlay[pick];
  currentFidget_ = fidget;
  if (fidget->replacesPose) showSettlePose(0);
  if (OMAnimation* piece = pieceAnimation(fidget->pieceId)) {
    piece->setVisible(1);
    piece->goToFrame(1, 0);
    piece->resume();
  }
  if (!due->playOnce) return;
  fidget->played = 1;
  due->toPlay.erase(due->toPlay.begin() + static_cast<std::ptrdiff_t>(pick));
  if (due->toPlay.empty()) {
    for (const auto& each : due->all)
      due->toPlay.push_back(each.get());
  }
}

OMWord RCharacter::fidgetDone()
{
  endFidget();
  return 1;
}

void RCharacter::endFidget()
{
  FidgetRecord* fidget = currentFidget_;
  if (!fidget) return;
  currentFidget_ = nullptr;
  if (OMAnimation* piece = pieceAnimation(fidget->pieceId)) {
    piece->setVisible(0);
    piece->pause();
  }
  if (fidget->replacesPose) showSettlePose(1);
  fidget->group->nextTime = nextFidgetTime(*fidget->group);
}

void RCharacter::removeFidgetGroup(int id)
{
  const auto found = std::find_if(fidgetGroups_.begin(), fidgetGroups_.end(),
                                  [id](const auto& group) { return group->id == id; });
  if (found == fidgetGroups_.end()) return;
  FidgetGroup& group = **found;
  if (currentFidget_ && currentFidget_->group == &group) endFidget();
  for (const auto& fidget : group.all)
    removePiecesWithId(fidget->pieceId);
  fidgetGroups_.erase(found);
}

// Speech animations.

void RCharacter::setSpeechAnims(const std::vector<int>& triples)
{
  for (int id = firstSpeechAnimPiece; id < nextSpeechSerial_; ++id)
    removePiecesWithId(id);
  nextSpeechSerial_ = firstSpeechAnimPiece;
  pendingLoads_.clear();
  for (std::size_t i = 0; i < triples.size(); i += 3) {
    const int id = triples[i];
    const int layer = i + 1 < triples.size() ? triples[i + 1] : 0;
    const int word = i + 2 < triples.size() ? triples[i + 2] : 0;
    if (!OMAnimation::animationResolver) continue;
    std::unique_ptr<OMIStream> stream = OMAnimation::animationResolver(id);
    if (!stream || !isResourceFileStream(*stream) || !stream->isWhole()) continue;
    auto request = std::make_unique<LoadRequest>();
    request->registerToSettle = registerSpeechToSettle_;
    request->number = layer;
    request->pieceId = nextSpeechSerial_++;
    request->speechWord = word;
    request->animationId = id;
    request->stream = std::move(stream);
    LoadRequest& started = *request;
    pendingLoads_.push_back(std::move(request));
    startLoad(started, &RCharacter::speechAnimLoaded);
  }
}

OMWord RCharacter::speechAnimLoaded(OMWord stream)
{
  std::unique_ptr<LoadRequest> request = takeLoad(pendingLoads_, stream);
  if (!request) return 0;
  auto* loaded = static_cast<OMIStreamDLL16*>(request->stream.get());
  std::unique_ptr<OMAnimation> animation =
      loaded->loadStatus() == 0 ? makeAnimation(loaded->clone(), request->registerToSettle)
                                : nullptr;
  spentStreams_.push_back(std::move(request->stream));
  if (!animation) return 0;
  OMAnimation* made = animation.get();
  addPiece(std::move(animation), request->number, request->pieceId);
  made->setVisible(0);
  made->setSubclassWord(request->speechWord);
  made->setDriftFree(1);
  made->setResourceId(request->animationId);
  return 1;
}

void RCharacter::addSpeechAnim(int animationId)
{
  bool found = false;
  for (const SpeechRecord& shared : sharedRecords()) {
    if (shared.animation != animationId) continue;
    speechRecords_.push_back(shared);
    found = true;
  }
  if (found || !OMAnimation::animationResolver) return;
  std::unique_ptr<OMIStream> stream = OMAnimation::animationResolver(animationId);
  if (!stream) return;
  // Only the entries are read: the frame sounds stay unmade.
  const int soundOn = OMAnimation::defaultAnimationSoundOn;
  OMAnimation::defaultAnimationSoundOn = 0;
  OMAnimation scan(std::move(stream), noPosition, noPosition, nullptr);
  OMAnimation::defaultAnimationSoundOn = soundOn;
  for (int s = 0; s < scan.sequenceCount(); ++s) {
    for (int i = 0; const OMFrameEntry* entry = scan.sequenceEntry(s, i); ++i) {
      if (entry->image == OMFrameEntry::sound)
        speechRecords_.push_back({entry->param, animationId, s});
    }
  }
}

// Script members.

void RCharacter::registerMembers()
{
  OMMultiTrinket::registerMembers();
  using Link = OMLinkToObj<RCharacter>;
  const bool game = !OMEdition::isAssessment();
  if (game) removeMember("visible");
  addProperty("animateSettled", Link(this, &RCharacter::setNumber<0>, 0),
              Link(this, &RCharacter::getNumber<0>, 0));
  addProperty("enabled", Link(this, &RCharacter::setNumber<1>, 0),
              Link(this, &RCharacter::getNumber<1>, 0));
  if (game) {
    addProperty("registerAnimsToSettle", Link(this, &RCharacter::setNumber<2>, 0),
                Link(this, &RCharacter::getNumber<2>, 0));
    addProperty("registerFidgetsToSettle", Link(this, &RCharacter::setNumber<3>, 0),
                Link(this, &RCharacter::getNumber<3>, 0));
    addProperty("registerSpeechToSettle", Link(this, &RCharacter::setNumber<4>, 0),
                Link(this, &RCharacter::getNumber<4>, 0));
  }
  addProperty("settlePoseID", Link(this, &RCharacter::setNumber<5>, 0),
              Link(this, &RCharacter::getNumber<5>, 0));
  if (game) {
    addProperty("visible", Link(this, &RCharacter::setNumber<6>, 0),
                Link(this, &RCharacter::getNumber<6>, 0));
    addMethod("settlePoseXY", Link(this, &RCharacter::settlePoseXYMember));
  }
  addMethod("addFidget", Link(this, &RCharacter::addFidgetMember));
  addMethod("addFidgetGroup", Link(this, &RCharacter::addFidgetGroupMember));
  addMethod("addSpeechAnim", Link(this, &RCharacter::addSpeechAnimMember));
  addMethod("pause", Link(this, &RCharacter::pauseMember));
  addMethod("playAnim", Link(this, &RCharacter::playAnimMember));
  addMethod("playSpeech", Link(this, &RCharacter::playSpeechMember));
  addMethod("removeFidgetGroup", Link(this, &RCharacter::removeFidgetGroupMember));
  addMethod("resume", Link(this, &RCharacter::resumeMember));
  addMethod("setAOCursor", Link(this, &RCharacter::setAOCursorMember));
  if (game) addMethod("setSpeechAnims", Link(this, &RCharacter::setSpeechAnimsMember));
  addMethod("stop", Link(this, &RCharacter::stopMember));
  addEvent("finished");
}

template <int Which>
OMWord RCharacter::getNumber(OMWord buffer)
{
  int value = 0;
  switch (Which) {
    case 0:
      value = animateSettled_;
      break;
    case 1:
      value = isTouchy();
      break;
    case 2:
      value = registerAnimsToSettle_;
      break;
    case 3:
      value = registerFidgetsToSettle_;
      break;
    case 4:
      value = registerSpeechToSettle_;
      break;
    case 5:
      value = settlePoseId_;
      break;
    default:
      value = isVisible();
      break;
  }
  return writeNumber(buffer, value);
}

template <int Which>
OMWord RCharacter::setNumber(OMWord text)
{
  const int value = std::atoi(reinterpret_cast<const char*>(text));
  switch (Which) {
    case 0:
      setAnimateSettled(value);
      break;
    case 1:
      setTouchy(value);
      break;
    case 2:
      registerAnimsToSettle_ = value;
      break;
    case 3:
      registerFidgetsToSettle_ = value;
      break;
    case 4:
      registerSpeechToSettle_ = value;
      break;
    case 5:
      setSettlePose(value);
      break;
    default:
      setVisible(value);
      break;
  }
  return 1;
}

OMWord RCharacter::settlePoseXYMember()
{
  const int px = std::atoi(popScriptArg());
  const int py = std::atoi(popScriptArg());
  if (OMTrinket* pose = pieceWithId(settlePiece)) pose->setPosition(px, py);
  return 1;
}

OMWord RCharacter::addFidgetMember()
{
  const int group = std::atoi(popScriptArg());
  const int id = std::atoi(popScriptArg());
  const int replaces = argNumber(popScriptArg(), 1);
  addFidget(group, id, replaces);
  return 1;
}

OMWord RCharacter::addFidgetGroupMember()
{
  const int id = std::atoi(popScriptArg());
  const int low = std::atoi(popScriptArg());
  const int high = std::atoi(popScriptArg());
  const int once = argNumber(popScriptArg(), 1);
  addFidgetGroup(id, low, high, once);
  return 1;
}

OMWord RCharacter::addSpeechAnimMember()
{
  addSpeechAnim(std::atoi(popScriptArg()));
  return 1;
}

OMWord RCharacter::pauseMember()
{
  pause();
  return 1;
}

OMWord RCharacter::resumeMember()
{
  resume();
  return 1;
}

OMWord RCharacter::stopMember()
{
  stop();
  return 1;
}

OMWord RCharacter::playAnimMember()
{
  const int id = std::atoi(popScriptArg());
  const int repeat = argNumber(popScriptArg(), 1);
  const int stay = argNumber(popScriptArg(), 1);
  playAnim(id, nullptr, repeat, stay);
  return 1;
}

OMWord RCharacter::playSpeechMember()
{
  const int id = std::atoi(popScriptArg());
  const int stay = argNumber(popScriptArg(), 1);
  const int keep = argNumber(popScriptArg(), 1);
  playSpeech(id, nullptr, stay, keep);
  return 1;
}

OMWord RCharacter::removeFidgetGroupMember()
{
  removeFidgetGroup(std::atoi(popScriptArg()));
  return 1;
}

OMWord RCharacter::setAOCursorMember()
{
  const int a = std::atoi(popScriptArg());
  const int b = std::atoi(popScriptArg());
  setAOCursor(a, b);
  return 1;
}

OMWord RCharacter::setSpeechAnimsMember()
{
  std::vector<int> triples;
  for (;;) {
    const std::string id = popScriptArg();
    if (id.empty()) break;
    const std::string layer = popScriptArg();
    const std::string word = popScriptArg();
    triples.push_back(std::atoi(id.c_str()));
    triples.push_back(std::atoi(layer.c_str()));
    triples.push_back(std::atoi(word.c_str()));
  }
  setSpeechAnims(triples);
  return 1;
}
