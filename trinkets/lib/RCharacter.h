#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/OMLink.h"
#include "trinkets/lib/OMMultiTrinket.h"

class OMAnimation;
class OMCursor;
class OMIStream;
class OMIStreamDLL16;
class OMWaveSound;

// A talking, idling character made of animation pieces: the settle pose (1), one-off
// animations (2), fidgets (3 and up) and speech animations (1001 and up), whose mouths move
// with a speech sound by lip-sync tables, a choreography document or a sequence that holds
// the sound. Activities are exclusive: one animation or one speech; fidgets fill the pauses.
class RCharacter : public OMMultiTrinket {
 public:
  using CursorLookup = OMCursor* (*)(std::uint16_t id);
  using ResourceLookup = std::unique_ptr<OMIStream> (*)(std::uint16_t id, const char* type);
  using ChoreographyLookup = std::unique_ptr<OMIStream> (*)(std::uint16_t soundId);

  // A sequence of an animation that holds the sound entry of a speech.
  struct SpeechRecord {
    int sound;
    int animation;
    int sequence;
  };
  // One animation of a choreography: the frame to show at each choreography frame.
  struct ChoreographyRecord {
    int pieceId;
    std::vector<int> frames;
  };

  static constexpr int settlePiece = 1;
  static constexpr int animationPiece = 2;
  static constexpr int firstFidgetPiece = 3;
  static constexpr int firstSpeechAnimPiece = 1001;

  RCharacter(int settlePoseId, int x, int y, int z, OMTrinketWindow* host);
  RCharacter(const RCharacter& other);
  ~RCharacter() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;
  void setVisible(int visible) override;
  void tick() override;

  // The done link (cloned; may be null) is called when the animation or speech ends, and at
  // once when it cannot start.
  void playAnim(int id, const OMLink* done, int repeat, int stayVisible);
  void playSpeech(int soundId, const OMLink* done, int stayVisible, int keep);
  void pause();
  void resume();
  void stop() override;
  void setAnimateSettled(int animate);
  void setSettlePose(int id);
  int settlePoseId() const { return settlePoseId_; }

  void addFidgetGroup(int id, int minSeconds, int maxSeconds, int playOnce);
  void addFidget(int groupId, int animationId, int replacesPose);
  void removeFidgetGroup(int id);
  // Loads animation ids with their layers and speech words as speech pieces 1001 and up.
  void setSpeechAnims(const std::vector<int>& triples);
  void addSpeechAnim(int animationId);
  void setAOCursor(int a, int b);

  bool isPaused() const { return paused_ != 0; }
  bool isBusy() const
  {
    return animationPieceId_ != -1 || firstSpeechPieceId_ != -1 || speechSound_;
  }
  // The piece of the fidget playing now, or -1.
  int currentFidgetPiece() const;
  int pendingLoadCount() const;
  int choreographyFrame() const { return choreographyFrame_; }
  const std::vector<SpeechRecord>& speechRecords() const { return speechRecords_; }

  static void setDefaultTrackingCursor(OMCursor* cursor);
  static void setDefaultHoverCursor(OMCursor* cursor);
  static void setCursorLookup(CursorLookup lookup);
  static void setResourceLookup(ResourceLookup lookup);
  static void setChoreographyLookup(ChoreographyLookup lookup);
  // Called with a speech's sound id: the releaser for keep 0, the keeper for keep 1.
  static void setResourceReleaser(const OMLink* link);
  static void setResourceKeeper(const OMLink* link);
  static void setKeepSpeechPieces(int keep);
  // Reads "AO: %d\tSequence: %d\tSound: %d" lines into the shared speech records; the number
  // of records read.
  static int loadSpeechRecords(const char* text, std::size_t size);
  static int loadSpeechRecordFile(const char* path);
  static const std::vector<SpeechRecord>& sharedSpeechRecords();
  static void releaseShared();

 private:
  struct FidgetGroup;
  struct FidgetRecord {
    int replacesPose = 1;
    int played = 0;
    FidgetGroup* group = nullptr;
    int pieceId = 0;
  };
  // A speech animation or fidget read in the background.
  struct LoadRequest {
    int registerToSettle = 0;
    int number = 0;  // fidget: replaces pose; speech: layer
    int pieceId = 0;
    FidgetGroup* group = nullptr;
    int speechWord = 0;
    int animationId = 0;
    std::unique_ptr<OMIStream> stream;
    ~LoadRequest();
  };
  struct FidgetGroup {
    int playOnce = 1;
    int minSeconds = 0, maxSeconds = 0;
    std::uint32_t nextTime = 0;
    int id = 0;
    std::vector<FidgetRecord*> toPlay;
    std::vector<std::unique_ptr<FidgetRecord>> all;
    std::vector<std::unique_ptr<LoadRequest>> loads;
  };

  std::unique_ptr<OMAnimation> makeAnimation(int id, int registerToSettle);
  std::unique_ptr<OMAnimation> makeAnimation(std::unique_ptr<OMIStream> stream,
                                             int registerToSettle);
  OMAnimation* pieceAnimation(int id) const;
  void showSettlePose(int visible);
  void holdActivity(bool hold);
  void callDone();
  void callGivenLink(const OMLink* done);
  void suspendReads();
  void resumeReads();

  bool playSpeechRecord(const SpeechRecord& record);
  bool playPlainSound(int soundId);
  bool playChoreography(std::unique_ptr<OMIStream> document, int soundId);
  bool playLipSync(int soundId);
  void waitForSpeechLoads();
  // Null when the sound cannot play.
  std::unique_ptr<OMWaveSound> startSpeechSound(OMIStream& stream, bool choreography);
  void resetSpeechPieces(int from, bool releaseSounds);
  void spendSpeechSound();
  void choreographyStep();
  void fidgetStep();
  void endFidget();
  std::uint32_t nextFidgetTime(const FidgetGroup& group) const;
  FidgetGroup* fidgetGroup(int id) const;
  void disarmLoads(std::vector<std::unique_ptr<LoadRequest>>& loads);
  std::unique_ptr<LoadRequest> takeLoad(std::vector<std::unique_ptr<LoadRequest>>& loads,
                                        OMWord stream);
  bool startLoad(LoadRequest& request, OMWord (RCharacter::*completion)(OMWord));

  OMWord animationDone();
  OMWord speechSoundFinished();
  OMWord speechSoundPaused();
  OMWord speechSoundResumed();
  OMWord soundOutputStalled(OMWord milliseconds);
  OMWord fidgetDone();
  OMWord fidgetLoaded(OMWord stream);
  OMWord speechAnimLoaded(OMWord stream);

  // Script members.
  template <int Which>
  OMWord getNumber(OMWord buffer);
  template <int Which>
  OMWord setNumber(OMWord text);
  OMWord settlePoseXYMember();
  OMWord addFidgetMember();
  OMWord addFidgetGroupMember();
  OMWord addSpeechAnimMember();
  OMWord pauseMember();
  OMWord resumeMember();
  OMWord stopMember();
  OMWord playAnimMember();
  OMWord playSpeechMember();
  OMWord removeFidgetGroupMember();
  OMWord setAOCursorMember();
  OMWord setSpeechAnimsMember();

  int animateSettled_ = 0;
  int paused_ = 0;
  int registerAnimsToSettle_ = 0;
  int registerFidgetsToSettle_ = 1;
  int registerSpeechToSettle_ = 1;
  int stayVisible_ = 1;
  FidgetRecord* currentFidget_ = nullptr;
  int choreographyFrame_ = 0;
  int animationPieceId_ = -1;
  int firstSpeechPieceId_ = -1;
  int nextFidgetSerial_ = firstFidgetPiece;
  std::uint32_t choreographyFrameTime_ = 0;
  std::uint32_t nextChoreographyTime_ = 0;
  std::uint32_t pauseTime_ = 0;
  int nextSpeechSerial_ = firstSpeechAnimPiece;
  std::unique_ptr<OMIStream> speechStream_;
  std::unique_ptr<OMLink> doneLink_;
  std::unique_ptr<OMLink> pauseListener_;
  std::vector<std::unique_ptr<LoadRequest>> pendingLoads_;
  std::vector<ChoreographyRecord> choreography_;
  std::vector<std::unique_ptr<FidgetGroup>> fidgetGroups_;
  std::vector<SpeechRecord> speechRecords_;
  std::unique_ptr<OMWaveSound> speechSound_;
  int settlePoseId_;
  // Background reads this character suspended and has not resumed yet.
  bool readsSuspended_ = false;
  // Finished loads' streams, freed at the next tick: never inside their own completion.
  std::vector<std::unique_ptr<OMIStream>> spentStreams_;
};
