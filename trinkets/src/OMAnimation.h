#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/OMList.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMFrameEntry.h"
#include "trinkets/src/OMTrinket.h"

class OMCanvas;
class OMIStream;
class OMResHandle;
class OMWaveSound;

// Resolvers the program installs: an id to a stream of that resource, or null.
using OMStreamResolver = std::unique_ptr<OMIStream> (*)(int id);

// The trinket that plays an animation sequence resource: sequences of entries that place
// run-length images or carry control codes (end, loop, hold, sound, special). Clones share the
// resource; a sequence is copied for one animation on its first change.
class OMAnimation : public OMTrinket {
 public:
  enum PlayState { stopped = 0, playing = 1, paused = 2, resuming = 3 };

  OMAnimation(std::unique_ptr<OMIStream> stream, int x, int y, OMTrinketWindow* host);
  // From a resource the animation keeps locked while it and its clones live; it loads no
  // palette.
  OMAnimation(std::unique_ptr<OMResHandle> handle, int x, int y, OMTrinketWindow* host);
  OMAnimation(const OMAnimation& other);
  ~OMAnimation() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void stateText(char* buffer, std::size_t size) const override;
  void registerMembers() override;
  int frameWeight() const override { return state_ == playing ? data_->header.frameRate : 1; }
  void invalidateRegion(const OMRegion& region) override;
  void invalidate() override;
  bool containsPoint(const OMPoint& point) const override;
  void start() override { stamp(nullptr); }
  void stop() override { unstamp(); }
  void tick() override;
  void paint() override;

  virtual void displayEntry(int force);
  virtual void sequenceEnded();
  virtual bool isOpaqueAt(int x, int y) const;
  virtual int colorAt(int x, int y) const;
  virtual void drawCurrentAt(int x, int y, OMCanvas* canvas);
  virtual void drawImage(int index, int x, int y, OMCanvas* canvas, const OMRect* clip);
  // For an image that lies inside the canvas; one that does not is clipped to it.
  virtual void drawImageUnclipped(int index, int x, int y, OMCanvas* canvas);
  virtual void restartTiming();
  virtual void rewind();
  virtual void resume();
  virtual void pause();
  virtual void setDrawDirection(int direction);
  virtual void addSequence(const OMFrameEntry* entries);
  virtual void removeSequence(int index);
  virtual void goToFrame(int number, int force);
  virtual void removeEntry(int index);
  virtual void setEntry(int image, int x, int y, int param, int index);
  virtual void setEntry(const OMFrameEntry& entry, int index);
  virtual void insertEntry(int image, int x, int y, int param, int index);
  virtual void insertEntry(const OMFrameEntry& entry, int index);
  virtual void setStopEntry(int index) { stopEntry_ = index; }
  virtual void setRepeat(int count) { repeat_ = count; }
  virtual int isModified() const { return modified_; }
  virtual void pauseWithSounds();
  virtual void resumeWithSounds();
  virtual void addFrameSound(int soundId, int number);
  // -1: the current sequence.
  virtual void preloadSounds(int sequence);
  virtual void preloadAllSounds();
  // Drops the sound records of the sequence's sound entries (-1: the current sequence).
  virtual void releaseSounds(int sequence);
  virtual void releaseSoundRecords();

  // Saves the area under the trinket (unless `keep` is given and not empty) and draws the
  // current image into the background layer; unstamp restores it.
  void stamp(const char* keep);
  void unstamp();

  int frameNumber() const;
  int frameCount() const;
  int imageCount() const { return data_->header.imageCount; }
  int imageWidth(int index) const;
  int imageHeight(int index) const;
  int currentImageId() const { return currentImage_; }
  int currentEntryIndex() const { return index_; }
  int sequenceIndex() const { return sequence_; }
  int sequenceCount() const { return static_cast<int>(table_.size()); }
  // -1: the current entry; null when there is none.
  const OMFrameEntry* frameEntry(int index) const;
  // An entry of any sequence, its end entry included; null outside.
  const OMFrameEntry* sequenceEntry(int sequence, int index) const;
  void setSequence(int index, int force);
  void setFrameIndex(int index, int force);
  int playState() const { return state_; }
  // Paused with no frame sound playing; each part also as an out-value (either may be null).
  bool isIdle(int* paused, int* soundPlaying) const;
  // Playing or resuming, or a frame sound playing; each part also as an out-value.
  bool getPlayState(int* playing, int* soundPlaying) const;
  // The sound entries of the current sequence in turn: the sound (null while not made), its id
  // and the frame before which it plays; null with the id -1 after the last.
  OMWaveSound* firstFrameSound(int* id, int* frame);
  OMWaveSound* nextFrameSound(int* id, int* frame);
  // Decoded images kept for this animation's resource (they serve draw direction 0).
  int cachedImageCount() const;
  static void setFrameCaching(int on) { animationFrameCaching = on; }
  void setDriftFree(int on) { driftFree_ = on; }
  int repeat() const { return repeat_; }
  int drawDirection() const { return direction_; }
  void setRectangleHit(int on) { rectangleHit_ = on; }
  int resourceId() const { return resourceId_; }
  void setResourceId(int id) { resourceId_ = id; }
  // Whether this animation and another share one copy of that sequence.
  bool sharesSequenceWith(const OMAnimation& other, int sequence) const;
  const std::uint32_t* colorTable() const { return colorTable_.data(); }

  void replaceColors(int count, const std::uint8_t* from, const std::uint8_t* to, int image);
  void replaceColor(std::uint8_t from, std::uint8_t to, int image);
  void swapColors(std::uint8_t a, std::uint8_t b, int image);

  void setLoopLink(const OMLink* link);
  void setDoneCallback(const OMLink* link, int waitForSounds);
  void setFrameNotification(const OMLink* link);
  void setSpecialLink(const OMLink* link);

  static OMList<OMAnimation>& allAnimations();
  static OMAnimation* currentAnimation();

  int soundsInProgress() const { return soundsInProgress_; }
  int frameSoundCount() const { return static_cast<int>(sounds_.size()); }
  void setWaitForSound(int on) { waitForSound_ = on; }
  int waitForSound() const { return waitForSound_; }
  int frameRate() const { return data_->header.frameRate; }
  // Clamped to 0-255; the new rate times the frames from the next one.
  void setFrameRate(int rate);

  static int useEmbeddedAnimationCoordinates;
  // What a new animation takes; a clone takes its source's.
  static int defaultAnimationSoundOn;
  static int defaultAnimationWaitForSound;
  static int defaultAnimationDriftFree;
  static int defaultAnimationPartialRedraw;
  static int animationTickGate;
  static int animationFrameCaching;
  static OMStreamResolver animationResolver;
  static OMStreamResolver soundResolver;
  static OMStreamResolver paletteResolver;

 private:
  // An image decoded once: its pixels at the host's depth and which of them are opaque.
  struct CachedImage {
    std::unique_ptr<OMMemCanvas> canvas;
    std::vector<std::uint8_t> opaque;
  };
  // The resource, shared by an animation and its clones; recolouring changes it for all.
  struct Data {
    Data();
    ~Data();
    std::vector<std::uint8_t> bytes;
    // The locked resource the bytes came from, or null; deleted with the last user.
    std::unique_ptr<OMResHandle> handle;
    OMAnimationHeader header;
    std::vector<std::unique_ptr<CachedImage>> cache;
  };
  // One sequence: the resource's entries, or this animation's own copy.
  struct Sequence {
    const OMFrameEntry* shared = nullptr;
    int length = 0;  // entries up to and including the end entry
    std::vector<OMFrameEntry> owned;
    bool isOwned = false;
    const OMFrameEntry* entries() const { return isOwned ? owned.data() : shared; }
  };
  // One frame sound, shared by an animation and its clones.
  struct SoundRecord {
    std::unique_ptr<OMIStream> stream;
    std::unique_ptr<OMWaveSound> sound;
    int id = 0;
    int plays = 0;
    // The animation whose links the sound calls.
    OMAnimation* player = nullptr;
    SoundRecord();
    ~SoundRecord();
  };
  // Marks a step in progress, so that a callback that destroys the animation ends it.
  struct StepGuard {
    explicit StepGuard(OMAnimation* animation);
    ~StepGuard();
    StepGuard(const StepGuard&) = delete;
    StepGuard& operator=(const StepGuard&) = delete;
    OMAnimation* animation;
    bool destroyed = false;
    StepGuard* outer;
  };

  // Reads the resource header of the bytes; a damaged one leaves an empty animation.
  void parseResource(int id);
  void commonSetUp(int x, int y);
  void place(int x, int y);
  void loadPalette(int id);
  int frameDuration();
  const OMFrameEntry* entries() const;
  int lastIndex() const;
  // The current sequence made this animation's own, for a change.
  Sequence* ownSequence();
  // Handles the code at the current entry; false ends the advance.
  bool handleCode(const OMFrameEntry& entry, StepGuard& guard);
  // Passes the current entry, moving on when `move` is set; false when the animation died.
  bool passEntry(int move, StepGuard& guard);
  bool lastRepeat(StepGuard& guard);
  int firstDisplayableFrom(int index) const;
  OMAnimationImage image(int index) const;
  // The image's top-left corner on the host, from the trinket's rectangle.
  OMPoint imageOrigin() const { return OMPoint(rect().left(), rect().top()); }
  int imageColorAtPoint(int x, int y) const;
  // The decoded image, made on first use; null when caching is off, the host canvas is 8-bit
  // or the direction is not 0.
  CachedImage* cachedImage(int index, const OMCanvas& target);
  bool drawCached(int index, int x, int y, OMCanvas* canvas, const OMRect& limit);
  void dropCachedImages(int image);
  const OMFrameEntry* nextSoundEntry(int* id, int* frame);
  void keepIndices(int changed, int delta);
  SoundRecord* soundRecord(int id, bool make);
  // Plays the sound entry's sound; false when the advance waits for it.
  bool playFrameSound(const OMFrameEntry& entry);
  void stopFrameSounds();
  OMWord soundStarted(OMWord record);
  OMWord soundStartedAfterWait(OMWord record);
  OMWord soundFinished(OMWord record);

  // Script members.
  template <int Which>
  OMWord getNumber(OMWord buffer);
  template <int Which>
  OMWord setNumber(OMWord text);
  int numberField(int which);
  void setNumberField(int which, int value);
  OMWord foreverMember();
  OMWord stampMember();
  OMWord unstampMember();
  OMWord defaultMember();
  OMWord raiseFrameNotify();

  std::shared_ptr<Data> data_;
  int frameDuration_ = -1;
  int useEmbedded_;
  int soundOn_;
  int waitForSound_ = defaultAnimationWaitForSound;
  int soundsInProgress_ = 0;
  int endPending_ = 0;
  int frameNotificationFlag_ = 0;
  std::array<std::uint32_t, 256> colorTable_{};
  int repeat_ = 0;
  std::uint32_t soundWait_ = 5;
  std::vector<Sequence> table_;
  std::uint32_t due_ = 0;
  int driftFree_ = defaultAnimationDriftFree;
  int state_ = playing;
  int currentImage_ = -1;
  int index_ = 0;
  int sequence_ = 0;
  int shownIndex_ = 0;
  int rectangleHit_ = 0;
  int partialRedraw_ = defaultAnimationPartialRedraw;
  int suppressEnded_ = 0;
  int suppressLoop_ = 0;
  int waitForSounds_ = 0;
  std::unique_ptr<OMLink> loopLink_, endedLink_, soundFinishedLink_, frameNotifyLink_, specialLink_;
  int direction_ = 0;
  int modified_ = 0;
  int stopEntry_ = -1;
  int resourceId_ = 0;
  int soundWalk_ = 0;
  std::vector<std::shared_ptr<SoundRecord>> sounds_;
  // The destroyed animations' guards are told through this chain.
  static StepGuard* guards_;
};
