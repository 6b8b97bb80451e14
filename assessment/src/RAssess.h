#pragma once

#include <array>
#include <map>
#include <memory>
#include <vector>

#include "framework/OMLink.h"
#include "trinkets/src/OMTrinket.h"

class Action;
class DescriptorFile;
class OMIStream;
class OMWaveSound;
class RAnimation;
class RCharacter;
class RHotSpot;
class RQueue;
struct Quizlet;
struct QuizletSet;

// The assessment ride: a help character speaks each problem of the descriptor, the four
// answer pictures are lit one after another, and the child takes the lit one by clicking the
// answer or the horn. A right answer at level 2 asks the set's level-3 problem; at the end
// the levels are written to the result file and "goToConfirmation" is raised.
//
// Every step that follows a sound, an animation or a queue runs from the activity's own tick:
// nothing of the activity is deleted inside the callback that reports it, and a script that
// drops the activity from "goToConfirmation" finds nothing of it running.
class RAssess : public OMTrinket {
 public:
  enum SpeedState { steady = 0, speedingUp = 1, slowingDown = 2 };
  static constexpr int answerCount = 4;
  static constexpr int sceneryFrames = 16;

  explicit RAssess(OMTrinketWindow* host);
  ~RAssess() override;

  // One script argument, ignored.
  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  void tick() override;
  void paint() override;

  // Stores each skill area's level and writes the result file.
  void writeResults();

  int setId() const { return setId_; }
  int level() const { return level_; }
  int rightSlot() const { return rightSlot_; }
  int mark() const { return mark_; }
  int speed() const { return speed_; }
  int speedState() const { return speedState_; }
  int sceneryFrame() const { return sceneryFrame_; }
  bool inputAllowed() const { return answerAllowed_; }
  bool firstProblem() const { return firstProblem_; }
  bool exitPictureShown() const { return exitShown_; }
  // The answer picture dealt to a slot, or null.
  RAnimation* answer(int slot) const;
  RAnimation* horn() const { return horn_.get(); }
  RAnimation* exitButton() const { return exitButton_.get(); }
  RAnimation* exitYes() const { return exitYes_.get(); }
  RAnimation* exitNo() const { return exitNo_.get(); }
  RHotSpot* answerHotSpot() const { return answerSpot_.get(); }
  RHotSpot* problemHotSpot() const { return problemSpot_.get(); }
  RCharacter* helpCharacter() const { return helper_.get(); }

 private:
  // What a finished sound, animation or queue leads to.
  enum Step {
    noStep,
    afterIntro,
    afterGameHelp,
    rideStart,
    engineStarted,
    nextProblem,
    problemSetUp,
    highlight,
    judge,
    afterRightPicture,
    levelRule,
    finishSoundDone,
    rideStopped,
    finishSpeechDone,
  };
  struct Sound {
    std::unique_ptr<OMIStream> stream;
    std::unique_ptr<OMWaveSound> wave;
  };
  using AnimationPtr = std::unique_ptr<RAnimation>;

  void makeParts();
  AnimationPtr part(const char* key, int i) const;
  int value(const char* key, int i) const;
  std::unique_ptr<RHotSpot> hotSpot(const char* key);
  void setClickLink(OMTrinket* trinket, OMWord (RAssess::*handler)());

  void runStep(int step);
  void cancelQueue();
  // A queue of the key's speeches (values up to the first 0), or of the ids given, then an
  // optional delay; its end leads to the step.
  void speakKey(const char* key, int then, int delayMs = 0);
  void speakIds(const std::vector<int>& ids, int then, int delayMs = 0);
  void play(RAnimation* animation, int then, bool loop = false);
  void playSound(int id, int then, int loops = 1, int volume = 100);
  void stopSound(int id);
  void setInput(bool allowed);
  void hideAnswers();

  void startRide();
  void askNextProblem();
  void setUpProblem();
  void highlightStep();
  void judgeAnswer();
  void showRightFollowUp();
  void applyLevelRule();
  void answeredWrong();
  void advanceSet();
  void finishRide();
  void stepRide(long now);

  OMWord defer(OMWord step);
  OMWord onAnswerClick();
  OMWord onHornClick();
  OMWord choose(bool allowed);
  OMWord onProblemClick();
  OMWord onHelperClick();
  OMWord onExitClick();
  OMWord onExitButtonDone();
  OMWord onExitYes();
  OMWord onExitNo();

  DescriptorFile* descriptor_;
  int setId_ = 1;
  int level_ = 2;
  QuizletSet* set_ = nullptr;
  const Quizlet* quizlet_ = nullptr;
  int rightSlot_ = 0;
  int mark_ = 0;
  int pos_ = 0;
  bool wrapped_ = false;
  int rightSpeechIndex_ = 1;
  int helpToggle_ = 1;
  bool firstProblem_ = false;
  bool answerAllowed_ = false, hornAllowed_ = false, problemAllowed_ = false,
       helperAllowed_ = false;
  bool exitAllowed_ = true;
  bool exitShown_ = false;

  AnimationPtr exitButton_, finish_, scenery_, rightPicture_, horn_, problemPicture_;
  std::array<AnimationPtr, 4> corners_;
  // Arriving, during the problem, leaving.
  AnimationPtr arriving_, flying_, leaving_;
  std::array<AnimationPtr, answerCount> answers_;
  AnimationPtr exitPicture_, exitYes_, exitNo_;
  std::unique_ptr<RCharacter> helper_;
  std::unique_ptr<RHotSpot> answerSpot_, problemSpot_;
  std::map<int, Sound> sounds_;
  std::unique_ptr<RQueue> queue_;
  std::vector<std::unique_ptr<Action>> queued_;

  int pending_ = noStep;
  int speed_ = 0;
  int speedState_ = steady;
  long nextFrameTime_ = 0;
  int sceneryFrame_ = 1;
  int whenStopped_ = noStep;
};
