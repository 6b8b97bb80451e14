#include "trinkets/src/OMAnimation.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/OMCanvas.h"
#include "framework/OMEdition.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMResHandle.h"
#include "framework/OMWaveSound.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMColorTable.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMFrameDecoder.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/OMStreamBytes.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

int OMAnimation::useEmbeddedAnimationCoordinates = 1;
int OMAnimation::defaultAnimationSoundOn = 1;
int OMAnimation::defaultAnimationWaitForSound = 1;
int OMAnimation::defaultAnimationDriftFree = 1;
int OMAnimation::defaultAnimationPartialRedraw = 1;
int OMAnimation::animationTickGate = 1;
int OMAnimation::animationFrameCaching = 0;
OMStreamResolver OMAnimation::animationResolver = nullptr;
OMStreamResolver OMAnimation::soundResolver = nullptr;
OMStreamResolver OMAnimation::paletteResolver = nullptr;
OMAnimation::StepGuard* OMAnimation::guards_ = nullptr;

namespace {

TrinketRecord record("OMAnimation", &OMAnimation::create);

// The only entry of a sequence that has nothing else.
constexpr OMFrameEntry endEntry{0, 0, OMFrameEntry::end, 0};

}  // namespace

OMList<OMAnimation>& OMAnimation::allAnimations()
{
  static OMList<OMAnimation> all;
  return all;
}

OMAnimation* OMAnimation::currentAnimation()
{
  return guards_ && !guards_->destroyed ? guards_->animation : nullptr;
}

OMAnimation::StepGuard::StepGuard(OMAnimation* animation) : animation(animation), outer(guards_)
{
  guards_ = this;
}

OMAnimation::StepGuard::~StepGuard()
{
  guards_ = outer;
}

OMAnimation::Data::Data() = default;
OMAnimation::Data::~Data() = default;

OMAnimation::OMAnimation(std::unique_ptr<OMIStream> stream, int x, int y, OMTrinketWindow* host)
    : OMTrinket(host, 1),
      data_(std::make_shared<Data>()),
      useEmbedded_(useEmbeddedAnimationCoordinates),
      soundOn_(defaultAnimationSoundOn)
{
  int paletteId = 0;
  if (stream) {
    paletteId = streamResourceId(*stream);
    if (readStreamBytes(*stream, data_->bytes)) parseResource(paletteId);
  }
  if (paletteId > 0) loadPalette(paletteId);
  commonSetUp(x, y);
}

OMAnimation::OMAnimation(std::unique_ptr<OMResHandle> handle, int x, int y, OMTrinketWindow* host)
    : OMTrinket(host, 1),
      data_(std::make_shared<Data>()),
      useEmbedded_(useEmbeddedAnimationCoordinates),
      soundOn_(defaultAnimationSoundOn)
{
  if (handle) {
    // Recolouring writes into the images, so they are a copy of the read-only resource; the
    // resource stays locked for this animation all the same.
    if (readResourceBytes(*handle, data_->bytes)) parseResource(-1);
    handle->lock(nullptr);
    data_->handle = std::move(handle);
  }
  commonSetUp(x, y);
}

OMAnimation::OMAnimation(const OMAnimation& other)
    : OMTrinket(other),
      data_(other.data_),
      frameDuration_(other.frameDuration_),
      useEmbedded_(other.useEmbedded_),
      soundOn_(other.soundOn_),
      waitForSound_(other.waitForSound_),
      frameNotificationFlag_(other.frameNotificationFlag_),
      colorTable_(other.colorTable_),
      repeat_(other.repeat_),
      table_(other.table_),
      due_(other.due_),
      driftFree_(other.driftFree_),
      state_(other.state_),
      currentImage_(other.currentImage_),
      index_(other.index_),
      sequence_(other.sequence_),
      shownIndex_(other.shownIndex_),
      rectangleHit_(other.rectangleHit_),
      partialRedraw_(other.partialRedraw_),
      suppressEnded_(other.suppressEnded_),
      suppressLoop_(other.suppressLoop_),
      waitForSounds_(other.waitForSounds_),
      loopLink_(cloneLink(other.loopLink_.get())),
      endedLink_(cloneLink(other.endedLink_.get())),
      soundFinishedLink_(cloneLink(other.soundFinishedLink_.get())),
      frameNotifyLink_(cloneLink(other.frameNotifyLink_.get())),
      specialLink_(cloneLink(other.specialLink_.get())),
      direction_(other.direction_),
      stopEntry_(other.stopEntry_),
      resourceId_(other.resourceId_),
      sounds_(other.sounds_)
{
  if (data_->handle) data_->handle->lock(nullptr);
  // The frame-notification link raises the event on its own object.
  if (frameNotifyLink_ && frameNotifyLink_->target() == &other) frameNotifyLink_->setTarget(this);
  allAnimations().add(this);
}

OMAnimation::~OMAnimation()
{
  for (StepGuard* guard = guards_; guard; guard = guard->outer) {
    if (guard->animation == this) guard->destroyed = true;
  }
  unstamp();
  allAnimations().remove(this);
  releaseSoundRecords();
  if (data_->handle) data_->handle->unlock();
}

OMAnimation::SoundRecord::SoundRecord() = default;
OMAnimation::SoundRecord::~SoundRecord()
{
  sound.reset();
}

std::unique_ptr<OMScriptableObject> OMAnimation::create()
{
  const int x = coordinateOf(popScriptArg());
  const int y = coordinateOf(popScriptArg());
  const int id = std::atoi(popScriptArg());
  if (!animationResolver) return nullptr;
  std::unique_ptr<OMIStream> stream = animationResolver(id);
  if (!stream) return nullptr;
  const bool embedded = useEmbeddedAnimationCoordinates != 0;
  auto made = std::make_unique<OMAnimation>(std::move(stream), embedded ? noPosition : x,
                                            embedded ? noPosition : y, OMTrinketWindow::mainHost());
  made->preloadSounds(-1);
  made->setResourceId(id);
  return made;
}

std::unique_ptr<OMScriptableObject> OMAnimation::clone() const
{
  auto copy = std::make_unique<OMAnimation>(*this);
  copyMembers(copy.get());
  return copy;
}

void OMAnimation::parseResource(int id)
{
  const char* problem = nullptr;
  if (!parseAnimationHeader(data_->bytes.data(), data_->bytes.size(), data_->header, &problem)) {
    reportDamagedResource("OMAnimation", "ASEQ", id, problem);
    data_->header = OMAnimationHeader();
  }
}

void OMAnimation::commonSetUp(int x, int y)
{
  allAnimations().add(this);
  for (int s = 0; s < data_->header.sequenceCount; ++s) {
    Sequence sequence;
    sequence.shared = data_->header.sequenceTable[s];
    sequence.length = data_->header.sequenceLengths[s];
    table_.push_back(std::move(sequence));
  }
  setSequence(0, 1);
  place(x, y);
}

void OMAnimation::place(int x, int y)
{
  if (x == noPosition) x = useEmbedded_ ? data_->header.embeddedX : 0;
  if (y == noPosition) y = useEmbedded_ ? data_->header.embeddedY : 0;
  if (useEmbedded_) setZ(data_->header.embeddedZ);
  const int first = firstDisplayableFrom(index_);
  if (first >= 0) {
    const OMFrameEntry& entry = entries()[first];
    currentImage_ = entry.image;
    shownIndex_ = first;
    int w = imageWidth(entry.image), h = imageHeight(entry.image);
    if (direction_ & drawTransposed) std::swap(w, h);
    setRectLTRB(x + entry.x, y + entry.y, x + entry.x + w, y + entry.y + h);
  } else {
    setRectLTRB(x, y, x, y);
  }
  markWholeDirty();
  const OMFrameEntry* all = entries();
  if (all && all[0].image == OMFrameEntry::hold) goToFrame(1, 0);
}

void OMAnimation::loadPalette(int id)
{
  OMMemCanvas* canvas = windowCanvas();
  if (!canvas || canvas->depth() <= 8 || !paletteResolver || !id) return;
  std::unique_ptr<OMIStream> stream = paletteResolver(id);
  if (!stream) return;
  OMRGBColor colors[colorTableEntries];
  if (loadColorTable(stream.release(), colors)) makePixelTable(colors, *canvas, colorTable_.data());
}

void OMAnimation::stateText(char* buffer, std::size_t size) const
{
  std::snprintf(buffer, size, "%d %d %d", x(), y(), resourceId_);
}

// Sequences.

const OMFrameEntry* OMAnimation::entries() const
{
  if (sequence_ < 0 || sequence_ >= sequenceCount()) return nullptr;
  return table_[sequence_].entries();
}

int OMAnimation::lastIndex() const
{
  if (sequence_ < 0 || sequence_ >= sequenceCount()) return 0;
  return table_[sequence_].length - 1;
}

const OMFrameEntry* OMAnimation::frameEntry(int index) const
{
  const OMFrameEntry* all = entries();
  if (!all) return nullptr;
  if (index == -1) index = index_;
  if (index < 0 || index > lastIndex()) return nullptr;
  return all + index;
}

const OMFrameEntry* OMAnimation::sequenceEntry(int sequence, int index) const
{
  if (sequence < 0 || sequence >= sequenceCount()) return nullptr;
  const Sequence& chosen = table_[sequence];
  if (index < 0 || index >= chosen.length) return nullptr;
  return chosen.entries() + index;
}

OMAnimation::Sequence* OMAnimation::ownSequence()
{
  if (sequence_ < 0 || sequence_ >= sequenceCount()) return nullptr;
  Sequence& sequence = table_[sequence_];
  if (!sequence.isOwned) {
    sequence.owned.assign(sequence.shared, sequence.shared + sequence.length);
    sequence.isOwned = true;
  }
  modified_ = 1;
  return &sequence;
}

bool OMAnimation::sharesSequenceWith(const OMAnimation& other, int sequence) const
{
  if (sequence < 0 || sequence >= sequenceCount() || sequence >= other.sequenceCount())
    return false;
  return table_[sequence].entries() == other.table_[sequence].entries();
}

int OMAnimation::firstDisplayableFrom(int index) const
{
  const OMFrameEntry* all = entries();
  if (!all) return -1;
  for (int i = std::max(index, 0); i < lastIndex(); ++i) {
    if (all[i].isDisplayable()) return i;
  }
  return -1;
}

void OMAnimation::setSequence(int index, int force)
{
  if (table_.empty()) return;
  index = std::clamp(index, 0, sequenceCount() - 1);
  if (index == sequence_ && !force) return;
  // The new sequence is placed at the same origin as the entry now shown.
  const OMFrameEntry* old = frameEntry(shownIndex_);
  const int originX = x() - (old ? old->x : 0);
  const int originY = y() - (old ? old->y : 0);
  sequence_ = index;
  index_ = 0;
  const int first = firstDisplayableFrom(0);
  shownIndex_ = first >= 0 ? first : 0;
  if (first < 0) return;
  const OMFrameEntry& entry = entries()[first];
  if (entry.image >= imageCount()) return;
  invalidate();
  currentImage_ = entry.image;
  int w = imageWidth(entry.image), h = imageHeight(entry.image);
  if (direction_ & drawTransposed) std::swap(w, h);
  setRectLTRB(originX + entry.x, originY + entry.y, originX + entry.x + w, originY + entry.y + h);
}

void OMAnimation::setFrameIndex(int index, int force)
{
  if (!entries()) return;
  index = std::clamp(index, 0, lastIndex());
  if (index == index_ && !force) return;
  index_ = index;
  if (entries()[index].isDisplayable()) displayEntry(force);
}

int OMAnimation::frameNumber() const
{
  const OMFrameEntry* all = entries();
  if (!all) return 0;
  int count = 0;
  for (int i = 0; i <= shownIndex_ && i < lastIndex(); ++i)
    count += all[i].isDisplayable();
  return count;
}

int OMAnimation::frameCount() const
{
  const OMFrameEntry* all = entries();
  if (!all) return 0;
  int count = 0;
  for (int i = 0; i < lastIndex(); ++i)
    count += all[i].isDisplayable();
  return count;
}

OMAnimationImage OMAnimation::image(int index) const
{
  return data_->header.image(index);
}

int OMAnimation::imageWidth(int index) const
{
  return index >= 0 && index < imageCount() ? image(index).width() : 0;
}

int OMAnimation::imageHeight(int index) const
{
  return index >= 0 && index < imageCount() ? image(index).height() : 0;
}

// Timing and the step.

int OMAnimation::frameDuration()
{
  if (data_->header.frameRate) {
    if (frameDuration_ < 0) frameDuration_ = 1000 / data_->header.frameRate;
    return frameDuration_;
  }
  const OMFrameEntry* entry = frameEntry(-1);
  return entry && entry->isDisplayable() ? entry->param : 0;
}

void OMAnimation::tick()
{
  if (!entries()) return;
  const std::uint32_t now = windowClock();
  if (animationTickGate != -1) due_ = animationTickGate == 1 ? 0 : now + 1;
  if (state_ == resuming) {
    soundWait_ = now - soundWait_;
    due_ = now;
    state_ = playing;
  } else if (state_ != playing || static_cast<std::int32_t>(now - due_) < 0) {
    return;
  }
  const std::uint32_t base = driftFree_ && due_ ? due_ : now;
  due_ = base + static_cast<std::uint32_t>(frameDuration());

  StepGuard guard(this);
  bool displayable = false;
  // A sequence of codes only would go round for ever: two rewinds without a picture end it.
  // So do more codes than two walks through the sequence, as when a procedure that its end
  // calls starts it again; the walk goes on at the next tick.
  int rewinds = 0;
  const int codeLimit = 2 * std::max(lastIndex(), 8);
  for (int codes = 0;; ++codes) {
    const OMFrameEntry* entry = frameEntry(-1);
    if (!entry) break;
    if (entry->isDisplayable()) {
      displayable = true;
      break;
    }
    if (codes >= codeLimit) break;
    const bool rewinding =
        entry->image == OMFrameEntry::loop || (entry->image == OMFrameEntry::end && repeat_ != 0);
    const bool goOn = handleCode(*entry, guard);
    if (guard.destroyed) return;
    if (!goOn) break;
    if (rewinding && index_ == 0 && ++rewinds > 1) break;
  }
  if (displayable) {
    displayEntry(0);
    if (guard.destroyed) return;
    if (state_ != paused && !passEntry(1, guard)) return;
  }
  if (stopEntry_ != -1 && index_ == stopEntry_) {
    pause();
    stopEntry_ = -1;
    return;
  }
  // The time the next sound takes to start is taken off the wait before it.
  if (soundOn_ && waitForSound_ && soundResolver) {
    const OMFrameEntry* entry = frameEntry(-1);
    const OMFrameEntry* first = frameEntry(0);
    if (entry && (entry->image == OMFrameEntry::sound ||
                  (entry->image == OMFrameEntry::loop && first->image == OMFrameEntry::sound)))
      due_ -= soundWait_;
  }
}

bool OMAnimation::passEntry(int move, StepGuard& guard)
{
  if (index_ >= lastIndex()) return true;
  if (frameNotifyLink_) {
    std::unique_ptr<OMLink> link = frameNotifyLink_->clone();
    link->call();
    if (guard.destroyed) return false;
  }
  if (move) ++index_;
  return true;
}

bool OMAnimation::lastRepeat(StepGuard& guard)
{
  state_ = paused;
  sequenceEnded();
  if (guard.destroyed) return false;
  if (!passEntry(0, guard)) return false;
  const OMFrameEntry* all = entries();
  int i = index_ - 1;
  while (i > 0 && !all[i].isDisplayable())
    --i;
  index_ = std::max(i, 0);
  return false;
}

bool OMAnimation::handleCode(const OMFrameEntry& entry, StepGuard& guard)
{
  const int code = entry.image;
  if (code == OMFrameEntry::end && repeat_ == 0) {
    state_ = stopped;
    setVisible(0);
    setDrawState(clean);
    if (!passEntry(0, guard)) return false;
    index_ = 0;
    return false;
  }
  if (code == OMFrameEntry::end || code == OMFrameEntry::loop) {
    if (repeat_ == 1) {
      repeat_ = 0;
      return lastRepeat(guard);
    }
    if (!passEntry(0, guard)) return false;
    index_ = 0;
    if (repeat_ > 0) --repeat_;
    if (loopLink_ && !suppressLoop_) {
      std::unique_ptr<OMLink> link = loopLink_->clone();
      link->call();
      if (guard.destroyed) return false;
    }
    return true;
  }
  if (code == OMFrameEntry::hold) {
    if (repeat_ == 0) {
      state_ = paused;
      sequenceEnded();
      if (guard.destroyed) return false;
    }
    return passEntry(1, guard);
  }
  if (code <= OMFrameEntry::special) {
    if (specialLink_) {
      std::unique_ptr<OMLink> link = specialLink_->clone();
      link->call(static_cast<OMWord>(code));
      if (guard.destroyed) return false;
    }
    raise("special");
    if (guard.destroyed) return false;
  }
  if (code == OMFrameEntry::sound) {
    const bool goOn = playFrameSound(entry);
    if (!passEntry(1, guard)) return false;
    return goOn && state_ == playing;
  }
  if (!passEntry(1, guard)) return false;
  return state_ == playing;
}

void OMAnimation::sequenceEnded()
{
  if (waitForSounds_ && !endPending_ && soundsInProgress_ > 0) {
    endPending_ = 1;
    return;
  }
  endPending_ = 0;
  StepGuard guard(this);
  if (endedLink_ && !suppressEnded_) {
    std::unique_ptr<OMLink> link = endedLink_->clone();
    link->call();
    if (guard.destroyed) return;
  }
  raise("paused");
  if (guard.destroyed) return;
  fireCompletion();
}

void OMAnimation::displayEntry(int force)
{
  const OMFrameEntry* entry = frameEntry(-1);
  const OMFrameEntry* shown = frameEntry(shownIndex_);
  if (!entry || !entry->isDisplayable()) return;
  const int dx = shown ? entry->x - shown->x : 0;
  const int dy = shown ? entry->y - shown->y : 0;
  if (entry->image >= imageCount()) return;
  // An entry that looks like the one on the screen needs no drawing, but it is the one shown
  // now: "frame" counts it (the way back of a back-and-forth list repeats its pictures).
  if (!(force || dx || dy || entry->image != currentImage_)) {
    shownIndex_ = index_;
    return;
  }
  shownIndex_ = index_;
  invalidate();
  currentImage_ = entry->image;
  const OMRect old = rect();
  int left = old.left() + dx;
  int top = old.top() + dy;
  int w = imageWidth(currentImage_), h = imageHeight(currentImage_);
  if (direction_ & drawTransposed) std::swap(w, h);
  if (direction_ & drawMirrorHorizontal) left = old.right() - dx - w;
  if (direction_ & drawMirrorVertical) top = old.bottom() - dy - h;
  setRectLTRB(left, top, left + w, top + h);
}

void OMAnimation::restartTiming()
{
  due_ = 0;
  state_ = playing;
  markWholeDirty();
}

void OMAnimation::rewind()
{
  pause();
  const int first = firstDisplayableFrom(0);
  if (first >= 0) setFrameIndex(first, 1);
}

void OMAnimation::resume()
{
  if (state_ != paused) return;
  state_ = playing;
  due_ = 0;
}

void OMAnimation::pause()
{
  if (state_ == stopped) return;
  state_ = paused;
  endPending_ = 0;
  stopFrameSounds();
}

void OMAnimation::pauseWithSounds()
{
  if (state_ == stopped) return;
  state_ = paused;
  for (auto& record : sounds_) {
    if (record->plays > 0) record->sound->pause();
  }
}

void OMAnimation::resumeWithSounds()
{
  if (state_ != paused || endPending_) return;
  state_ = playing;
  due_ = 0;
  for (auto& record : sounds_) {
    if (record->plays > 0) record->sound->resume();
  }
}

// Frame sounds.

OMAnimation::SoundRecord* OMAnimation::soundRecord(int id, bool make)
{
  for (auto& record : sounds_) {
    if (record->id == id) return record.get();
  }
  if (!make || !soundResolver) return nullptr;
  std::unique_ptr<OMIStream> stream = soundResolver(id);
  if (!stream) return nullptr;
  auto record = std::make_shared<SoundRecord>();
  record->sound = std::make_unique<OMWaveSound>(stream.get(), 1);
  record->stream = std::move(stream);
  record->id = id;
  sounds_.push_back(record);
  return record.get();
}

bool OMAnimation::playFrameSound(const OMFrameEntry& entry)
{
  if (!soundOn_ || !soundResolver) return true;
  SoundRecord* record = soundRecord(entry.param, true);
  if (!record) return true;
  const OMWord word = reinterpret_cast<OMWord>(record);
  bool goOn = true;
  record->player = this;
  if (waitForSound_) {
    state_ = paused;
    goOn = false;
    const OMLinkToObj<OMAnimation> started(this, &OMAnimation::soundStartedAfterWait, word);
    record->sound->setStartedLink(&started);
    soundWait_ = windowClock();
  } else {
    const OMLinkToObj<OMAnimation> started(this, &OMAnimation::soundStarted, word);
    record->sound->setStartedLink(&started);
  }
  record->sound->play(1);
  const OMLinkToObj<OMAnimation> finished(this, &OMAnimation::soundFinished, word);
  record->sound->setFinishedLink(&finished);
  return goOn;
}

OMWord OMAnimation::soundStartedAfterWait(OMWord word)
{
  state_ = resuming;
  return soundStarted(word);
}

OMWord OMAnimation::soundStarted(OMWord word)
{
  auto* record = reinterpret_cast<SoundRecord*>(word);
  record->sound->setStartedLink(nullptr);
  ++record->plays;
  ++soundsInProgress_;
  return 0;
}

OMWord OMAnimation::soundFinished(OMWord word)
{
  auto* record = reinterpret_cast<SoundRecord*>(word);
  if (record->plays > 0) --record->plays;
  if (soundsInProgress_ <= 0) return 0;
  if (--soundsInProgress_ > 0) return 0;
  StepGuard guard(this);
  if (endPending_ && state_ != playing && state_ != resuming) sequenceEnded();
  if (guard.destroyed) return 0;
  if (soundFinishedLink_) {
    std::unique_ptr<OMLink> link = soundFinishedLink_->clone();
    link->call();
  }
  return 0;
}

void OMAnimation::stopFrameSounds()
{
  for (auto& record : sounds_) {
    if (record->player != this) continue;
    record->sound->setStartedLink(nullptr);
    record->sound->detach();
    record->plays = 0;
  }
  soundsInProgress_ = 0;
}

void OMAnimation::preloadSounds(int sequence)
{
  const int current = sequence_;
  if (sequence >= 0 && sequence < sequenceCount()) sequence_ = sequence;
  const OMFrameEntry* all = entries();
  for (int i = 0; all && i < lastIndex(); ++i) {
    if (all[i].image == OMFrameEntry::sound) soundRecord(all[i].param, true);
  }
  sequence_ = current;
}

void OMAnimation::preloadAllSounds()
{
  for (int s = 0; s < sequenceCount(); ++s)
    preloadSounds(s);
}

void OMAnimation::releaseSounds(int sequence)
{
  const int current = sequence_;
  if (sequence >= 0 && sequence < sequenceCount()) sequence_ = sequence;
  std::vector<int> ids;
  const OMFrameEntry* all = entries();
  for (int i = 0; all && i < lastIndex(); ++i) {
    if (all[i].image == OMFrameEntry::sound) ids.push_back(all[i].param);
  }
  sequence_ = current;
  std::erase_if(sounds_, [&](const std::shared_ptr<SoundRecord>& record) {
    if (std::find(ids.begin(), ids.end(), record->id) == ids.end()) return false;
    if (record->player == this) {
      record->sound->setStartedLink(nullptr);
      record->sound->setFinishedLink(nullptr);
      record->player = nullptr;
    }
    return true;
  });
}

void OMAnimation::releaseSoundRecords()
{
  for (auto& record : sounds_) {
    // A record that clones still use must not call this animation any more.
    if (record->player == this) {
      record->sound->setStartedLink(nullptr);
      record->sound->setFinishedLink(nullptr);
      record->player = nullptr;
    }
  }
  sounds_.clear();
}

void OMAnimation::addFrameSound(int soundId, int number)
{
  const OMFrameEntry* all = entries();
  if (!all) return;
  if (number == -1) number = frameNumber();
  int i = 0;
  for (int seen = 0; i < lastIndex(); ++i) {
    if (all[i].isDisplayable() && ++seen == number) break;
  }
  insertEntry(OMFrameEntry::sound, 0, 0, soundId, i);
  soundRecord(soundId, true);
}

void OMAnimation::goToFrame(int number, int force)
{
  const OMFrameEntry* all = entries();
  if (!all || number < 1) return;
  int i = 0;
  for (int seen = 0; i < lastIndex(); ++i) {
    if (all[i].isDisplayable() && ++seen == number) break;
  }
  while (i > 0 && !all[i].isDisplayable())
    --i;
  setFrameIndex(i, force);
  pause();
}

void OMAnimation::setDrawDirection(int direction)
{
  direction &= 7;
  if (direction == direction_) return;
  invalidate();
  if ((direction ^ direction_) & drawTransposed) {
    const OMRect r = rect();
    setRectLTRB(r.left(), r.top(), r.left() + r.height(), r.top() + r.width());
  }
  direction_ = direction;
}

// Editing.

void OMAnimation::keepIndices(int changed, int delta)
{
  if (index_ >= changed) index_ = std::max(index_ + delta, 0);
  if (shownIndex_ >= changed) shownIndex_ = std::max(shownIndex_ + delta, 0);
}

void OMAnimation::insertEntry(const OMFrameEntry& entry, int index)
{
  if (!entries() || index < 0 || index > lastIndex()) return;
  Sequence* sequence = ownSequence();
  sequence->owned.insert(sequence->owned.begin() + index, entry);
  ++sequence->length;
  keepIndices(index, 1);
}

void OMAnimation::insertEntry(int image, int x, int y, int param, int index)
{
  insertEntry(OMFrameEntry{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                           static_cast<std::int16_t>(image), static_cast<std::int16_t>(param)},
              index);
}

void OMAnimation::removeEntry(int index)
{
  if (!entries()) return;
  if (index == -1) index = index_;
  if (index < 0 || index >= lastIndex()) return;
  if (index == index_ && index_ < lastIndex()) ++index_;
  Sequence* sequence = ownSequence();
  sequence->owned.erase(sequence->owned.begin() + index);
  --sequence->length;
  keepIndices(index + 1, -1);
}

void OMAnimation::setEntry(const OMFrameEntry& entry, int index)
{
  if (!entries() || index < 0 || index >= lastIndex()) return;
  ownSequence()->owned[index] = entry;
}

void OMAnimation::setEntry(int image, int x, int y, int param, int index)
{
  setEntry(OMFrameEntry{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                        static_cast<std::int16_t>(image), static_cast<std::int16_t>(param)},
           index);
}

void OMAnimation::addSequence(const OMFrameEntry* given)
{
  Sequence sequence;
  sequence.isOwned = true;
  if (given) {
    int i = 0;
    while (given[i].image != OMFrameEntry::end)
      sequence.owned.push_back(given[i++]);
  }
  sequence.owned.push_back(endEntry);
  sequence.length = static_cast<int>(sequence.owned.size());
  table_.push_back(std::move(sequence));
  modified_ = 1;
}

void OMAnimation::removeSequence(int index)
{
  if (index < 0 || index >= sequenceCount()) return;
  table_.erase(table_.begin() + index);
  modified_ = 1;
  if (table_.empty()) {
    index_ = shownIndex_ = 0;
    return;
  }
  setSequence(std::min(sequence_, sequenceCount() - 1), 1);
}

// Drawing and hit testing.

void OMAnimation::invalidateRegion(const OMRegion& region)
{
  if (partialRedraw_) {
    OMTrinket::invalidateRegion(region);
  } else {
    markWholeDirty();
  }
}

void OMAnimation::invalidate()
{
  if (partialRedraw_) {
    OMTrinket::invalidate();
  } else {
    markWholeDirty();
  }
}

void OMAnimation::drawImage(int index, int x, int y, OMCanvas* canvas, const OMRect* clip)
{
  const OMAnimationImage picture = image(index);
  if (!canvas || !picture.isValid()) return;
  OMRect bounds(0, 0, canvas->width(), canvas->height());
  if (clip) bounds.intersectWith(*clip);
  if (drawCached(index, x, y, canvas, bounds)) return;
  setDecoderColorTable(colorTable_.data());
  int w = picture.width(), h = picture.height();
  if (direction_ & drawTransposed) std::swap(w, h);
  const OMRect area(x, y, x + w, y + h);
  OMRect limit(0, 0, canvas->width(), canvas->height());
  if (clip) limit.intersectWith(*clip);
  if (area.isWithin(limit)) {
    drawUnclipped(x, y, picture, canvas, direction_);
  } else {
    drawClipped(x, y, picture, canvas, limit, direction_);
  }
}

void OMAnimation::drawImageUnclipped(int index, int x, int y, OMCanvas* canvas)
{
  const OMAnimationImage picture = image(index);
  if (!canvas || !picture.isValid()) return;
  int w = picture.width(), h = picture.height();
  if (direction_ & drawTransposed) std::swap(w, h);
  const OMRect inside(0, 0, canvas->width(), canvas->height());
  if (!OMRect(x, y, x + w, y + h).isWithin(inside)) {
    drawImage(index, x, y, canvas, nullptr);
    return;
  }
  if (drawCached(index, x, y, canvas, inside)) return;
  setDecoderColorTable(colorTable_.data());
  drawUnclipped(x, y, picture, canvas, direction_);
}

// The cache of decoded images.

OMAnimation::CachedImage* OMAnimation::cachedImage(int index, const OMCanvas& target)
{
  if (!animationFrameCaching || direction_ != 0 || target.depth() <= 8) return nullptr;
  const OMAnimationImage picture = image(index);
  if (!picture.isValid() || picture.width() <= 0 || picture.height() <= 0) return nullptr;
  auto& cache = data_->cache;
  if (cache.size() < static_cast<std::size_t>(imageCount())) cache.resize(imageCount());
  std::unique_ptr<CachedImage>& cached = cache[static_cast<std::size_t>(index)];
  if (cached && cached->canvas->depth() == target.depth()) return cached.get();
  const int w = picture.width(), h = picture.height();
  auto made = std::make_unique<CachedImage>();
  made->canvas = std::make_unique<OMMemCanvas>(w, h, target.depth(), 1);
  void* bits = nullptr;
  int pitch = 0;
  const int bytes = target.depth() / 8;
  // Drawn once with every colour as 0xFF bytes over zeros: what changed is opaque.
  const std::array<std::uint32_t, 256> marks = [] {
    std::array<std::uint32_t, 256> all;
    all.fill(0xFFFFFFFFu);
    return all;
  }();
  for (int pass = 0; pass < 2; ++pass) {
    if (!made->canvas->lockBits(&bits, &pitch)) return nullptr;
    for (int row = 0; row < h; ++row)
      std::memset(static_cast<std::uint8_t*>(bits) + row * pitch, 0,
                  static_cast<std::size_t>(w * bytes));
    made->canvas->unlockBits();
    setDecoderColorTable(pass == 0 ? marks.data() : colorTable_.data());
    drawUnclipped(0, 0, picture, made->canvas.get(), 0);
    if (pass == 1 || !made->canvas->lockBits(&bits, &pitch)) break;
    made->opaque.assign(static_cast<std::size_t>(w) * h, 0);
    for (int row = 0; row < h; ++row) {
      const auto* line = static_cast<const std::uint8_t*>(bits) + row * pitch;
      for (int x = 0; x < w; ++x)
        made->opaque[static_cast<std::size_t>(row) * w + x] = line[x * bytes] != 0;
    }
    made->canvas->unlockBits();
  }
  if (made->opaque.empty()) return nullptr;
  cached = std::move(made);
  return cached.get();
}

bool OMAnimation::drawCached(int index, int x, int y, OMCanvas* canvas, const OMRect& limit)
{
  auto* target = dynamic_cast<OMMemCanvas*>(canvas);
  CachedImage* cached = target ? cachedImage(index, *target) : nullptr;
  if (!cached) return false;
  const int w = cached->canvas->width(), h = cached->canvas->height();
  OMRect area(x, y, x + w, y + h);
  area.intersectWith(limit);
  if (!area.hasArea()) return true;
  void* to = nullptr;
  void* from = nullptr;
  int toPitch = 0, fromPitch = 0;
  if (!target->lockBits(&to, &toPitch)) return false;
  if (!cached->canvas->lockBits(&from, &fromPitch)) {
    target->unlockBits();
    return false;
  }
  const int bytes = target->depth() / 8;
  for (int row = area.top(); row < area.bottom(); ++row) {
    const int r = row - y;
    auto* out = static_cast<std::uint8_t*>(to) + row * toPitch;
    const auto* in = static_cast<const std::uint8_t*>(from) + r * fromPitch;
    for (int col = area.left(); col < area.right(); ++col) {
      const int c = col - x;
      if (!cached->opaque[static_cast<std::size_t>(r) * w + c]) continue;
      std::memcpy(out + col * bytes, in + c * bytes, static_cast<std::size_t>(bytes));
    }
  }
  cached->canvas->unlockBits();
  target->unlockBits();
  return true;
}

void OMAnimation::dropCachedImages(int image)
{
  auto& cache = data_->cache;
  if (image == -2) {
    cache.clear();
  } else if (image >= 0 && static_cast<std::size_t>(image) < cache.size()) {
    cache[static_cast<std::size_t>(image)].reset();
  }
}

int OMAnimation::cachedImageCount() const
{
  int count = 0;
  for (const auto& cached : data_->cache)
    count += cached != nullptr;
  return count;
}

// Play state and frame sounds as other parts read them.

bool OMAnimation::isIdle(int* paused, int* soundPlaying) const
{
  const int isPaused = state_ == OMAnimation::paused ? 1 : 0;
  const int sounding = soundsInProgress_ > 0 ? 1 : 0;
  if (paused) *paused = isPaused;
  if (soundPlaying) *soundPlaying = sounding;
  return isPaused && !sounding;
}

bool OMAnimation::getPlayState(int* playing, int* soundPlaying) const
{
  const int isPlaying = state_ == OMAnimation::playing || state_ == resuming ? 1 : 0;
  const int sounding = soundsInProgress_ > 0 ? 1 : 0;
  if (playing) *playing = isPlaying;
  if (soundPlaying) *soundPlaying = sounding;
  return isPlaying || sounding;
}

const OMFrameEntry* OMAnimation::nextSoundEntry(int* id, int* frame)
{
  const OMFrameEntry* all = entries();
  int frames = 0;
  for (int i = 0; all && i < lastIndex(); ++i) {
    if (all[i].isDisplayable()) ++frames;
    if (i < soundWalk_ || all[i].image != OMFrameEntry::sound) continue;
    soundWalk_ = i + 1;
    if (id) *id = all[i].param;
    if (frame) *frame = frames + 1;
    return all + i;
  }
  soundWalk_ = lastIndex();
  if (id) *id = -1;
  if (frame) *frame = -1;
  return nullptr;
}

OMWaveSound* OMAnimation::firstFrameSound(int* id, int* frame)
{
  soundWalk_ = 0;
  return nextFrameSound(id, frame);
}

OMWaveSound* OMAnimation::nextFrameSound(int* id, int* frame)
{
  const OMFrameEntry* entry = nextSoundEntry(id, frame);
  if (!entry) return nullptr;
  SoundRecord* record = soundRecord(entry->param, false);
  return record ? record->sound.get() : nullptr;
}

void OMAnimation::drawCurrentAt(int x, int y, OMCanvas* canvas)
{
  drawImage(currentImage_, x, y, canvas, nullptr);
}

void OMAnimation::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  if (!canvas) return;
  // A clip set by the host narrows the draw to what needs repainting.
  OMRect clip(0, 0, canvas->width(), canvas->height());
  if (HRGN region = canvas->clipRegion()) {
    RECT box;
    if (GetRgnBox(region, &box) != NULLREGION)
      clip = OMRect(box.left, box.top, box.right, box.bottom);
  }
  drawImage(currentImage_, x(), y(), canvas, &clip);
}

int OMAnimation::imageColorAtPoint(int px, int py) const
{
  const OMAnimationImage picture = image(currentImage_);
  if (!picture.isValid()) return -1;
  const OMPoint origin = imageOrigin();
  return imageColorAt(picture, direction_, px - origin.x, py - origin.y);
}

bool OMAnimation::isOpaqueAt(int px, int py) const
{
  return imageColorAtPoint(px, py) >= 0;
}

int OMAnimation::colorAt(int px, int py) const
{
  return imageColorAtPoint(px, py);
}

bool OMAnimation::containsPoint(const OMPoint& point) const
{
  if (!rect().containsPoint(point)) return false;
  return rectangleHit_ || isOpaqueAt(point.x, point.y);
}

void OMAnimation::stamp(const char* keep)
{
  if (!isRunning()) {
    OMDrawLayer* layer = window() ? window()->background() : nullptr;
    if (layer) {
      if (!keep || !*keep) {
        layer->saveUnder(rect());
        setRunning(1);
      }
      invalidate();
      drawCurrentAt(x(), y(), layer->canvas());
    }
  }
  state_ = stopped;
  setVisible(0);
  setDrawState(clean);
}

void OMAnimation::unstamp()
{
  if (!isRunning()) return;
  if (OMDrawLayer* layer = window() ? window()->background() : nullptr) layer->restoreUnder();
  setRunning(0);
  state_ = paused;
  setVisible(1);
  invalidate();
}

// Recolouring changes the shared resource, for every animation that uses it.

void OMAnimation::replaceColors(int count, const std::uint8_t* from, const std::uint8_t* to,
                                int image)
{
  if (image == -1) image = currentImage_;
  ::replaceColors(data_->header, count, from, to, image);
  dropCachedImages(image);
  markWholeDirty();
}

void OMAnimation::replaceColor(std::uint8_t from, std::uint8_t to, int image)
{
  replaceColors(1, &from, &to, image);
}

void OMAnimation::swapColors(std::uint8_t a, std::uint8_t b, int image)
{
  if (image == -1) image = currentImage_;
  ::swapColors(data_->header, a, b, image);
  dropCachedImages(image);
  markWholeDirty();
}

// Links.

void OMAnimation::setFrameRate(int rate)
{
  data_->header.frameRate = std::clamp(rate, 0, 255);
  frameDuration_ = -1;
}

void OMAnimation::setLoopLink(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(loopLink_, link);
}

void OMAnimation::setDoneCallback(const OMLink* link, int waitForSounds)
{
  waitForSounds_ = waitForSounds;
  OMScriptableObjectProperty::replaceLink(endedLink_, link);
}

void OMAnimation::setFrameNotification(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(frameNotifyLink_, link);
}

void OMAnimation::setSpecialLink(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(specialLink_, link);
}

// Script members.

void OMAnimation::registerMembers()
{
  OMTrinket::registerMembers();
  removeMember("dblClick");
  addEvent("paused");
  addEvent("special");
  const bool game = !OMEdition::isAssessment();
  if (game) addEvent("frameNotify");
  addProperty("frame", OMLinkToObj<OMAnimation>(this, &OMAnimation::setNumber<0>, 0),
              OMLinkToObj<OMAnimation>(this, &OMAnimation::getNumber<0>, 0));
  addProperty("sequence", OMLinkToObj<OMAnimation>(this, &OMAnimation::setNumber<1>, 0),
              OMLinkToObj<OMAnimation>(this, &OMAnimation::getNumber<1>, 0));
  if (game) {
    addProperty("drawDirection", OMLinkToObj<OMAnimation>(this, &OMAnimation::setNumber<2>, 0),
                OMLinkToObj<OMAnimation>(this, &OMAnimation::getNumber<2>, 0));
  }
  addProperty("param", OMLinkToObj<OMAnimation>(this, &OMAnimation::setNumber<3>, 0),
              OMLinkToObj<OMAnimation>(this, &OMAnimation::getNumber<3>, 0));
  addProperty("soundOn", OMLinkToObj<OMAnimation>(this, &OMAnimation::setNumber<4>, 0),
              OMLinkToObj<OMAnimation>(this, &OMAnimation::getNumber<4>, 0));
  if (game) {
    addProperty("frameNotification", OMLinkToObj<OMAnimation>(this, &OMAnimation::setNumber<5>, 0),
                OMLinkToObj<OMAnimation>(this, &OMAnimation::getNumber<5>, 0));
  }
  addMethod("forever", OMLinkToObj<OMAnimation>(this, &OMAnimation::foreverMember));
  addMethod("stamp", OMLinkToObj<OMAnimation>(this, &OMAnimation::stampMember));
  addMethod("unstamp", OMLinkToObj<OMAnimation>(this, &OMAnimation::unstampMember));
  const OMLinkToObj<OMAnimation> byDefault(this, &OMAnimation::defaultMember);
  addDefaultMethod(&byDefault);
}

template <int Which>
OMWord OMAnimation::getNumber(OMWord buffer)
{
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%d", numberField(Which));
  return 1;
}

template <int Which>
OMWord OMAnimation::setNumber(OMWord text)
{
  setNumberField(Which, std::atoi(reinterpret_cast<const char*>(text)));
  return 1;
}

namespace {

// The field of an entry that the "param" selector names; null outside 0 to 4.
std::int16_t* selectedField(OMFrameEntry& entry, int selector)
{
  switch (selector) {
    case 0:
    case 1:
      return &entry.image;
    case 2:
      return &entry.x;
    case 3:
      return &entry.y;
    case 4:
      return &entry.param;
    default:
      return nullptr;
  }
}

}  // namespace

int OMAnimation::numberField(int which)
{
  switch (which) {
    case 0:
      return frameNumber();
    case 1:
      return sequence_ + 1;
    case 2:
      return direction_;
    case 3: {
      const int selector = std::atoi(popScriptArg());
      const OMFrameEntry* entry = frameEntry(-1);
      if (!entry) return 0;
      OMFrameEntry copy = *entry;
      const std::int16_t* field = selectedField(copy, selector);
      return field ? *field : 0;
    }
    case 4:
      return soundOn_;
    default:
      return frameNotificationFlag_;
  }
}

void OMAnimation::setNumberField(int which, int value)
{
  switch (which) {
    case 0:
      goToFrame(value, 0);
      break;
    case 1:
      // Sequences count from 1 in scripts; every number below reads as the first.
      setSequence(value > 0 ? value - 1 : 0, 0);
      restartTiming();
      break;
    case 2:
      setDrawDirection(value);
      break;
    case 3: {
      const int selector = std::atoi(popScriptArg());
      if (!frameEntry(-1) || selector < 0 || selector > 4 || index_ >= lastIndex()) break;
      OMFrameEntry changed = *frameEntry(-1);
      *selectedField(changed, selector) = static_cast<std::int16_t>(value);
      setEntry(changed, index_);
      break;
    }
    case 4:
      if (soundOn_ && !value) {
        endPending_ = 0;
        stopFrameSounds();
      }
      soundOn_ = value;
      break;
    default: {
      frameNotificationFlag_ = value;
      if (value) {
        const OMLinkToObj<OMAnimation> notify(this, &OMAnimation::raiseFrameNotify);
        setFrameNotification(&notify);
      } else {
        setFrameNotification(nullptr);
      }
      break;
    }
  }
}

OMWord OMAnimation::raiseFrameNotify()
{
  raise("frameNotify");
  return 1;
}

OMWord OMAnimation::foreverMember()
{
  setRepeat(-1);
  resume();
  return 1;
}

OMWord OMAnimation::stampMember()
{
  stamp(popScriptArg());
  return 1;
}

OMWord OMAnimation::unstampMember()
{
  unstamp();
  return 1;
}

OMWord OMAnimation::defaultMember()
{
  resume();
  return 1;
}
