#include "assessment/src/RAssess.h"

#include <cstdint>
#include <cstdio>

#include "assessment/src/AppMain.h"
#include "assessment/src/DescriptorFile.h"
#include "assessment/src/GlobalCommands.h"
#include "assessment/src/ProgramFiles.h"
#include "assessment/src/QvKTiming.h"
#include "assessment/src/RandStep.h"
#include "assessment/src/ResultFile.h"
#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMWaveSound.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/RCharacter.h"
#include "trinkets/lib/RHotSpot.h"
#include "trinkets/src/CharacterSpeechAction.h"
#include "trinkets/src/DelayAction.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/RQueue.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RAssess", &RAssess::create, TrinketRecord::assessmentEditionOnly);

using Link = OMLinkToObj<RAssess>;

constexpr int answerZ = 140;
constexpr int answerSpotZ = 141;
constexpr int helperZ = 200;
constexpr int exitPictureZ = 220;
constexpr int exitButtonsZ = 221;
constexpr int problemDelayMs = 2000;
constexpr int engineVolume = 50;
constexpr int startSpeed = 6;
constexpr int topSpeed = 30;
constexpr int stopBelow = 5;
// Steps that follow one another at once (speeches that cannot play) are cut off here, so
// that a descriptor without sounds cannot hold a tick for ever.
constexpr int stepsPerTick = 64;

}  // namespace

RAssess::RAssess(OMTrinketWindow* host) : OMTrinket(host, 2), descriptor_(DescriptorFile::current())
{
  makeParts();
  setTouchy(0);
  setMovable(0);
  speakKey("IntroSpeech", afterIntro);
  show();
}

RAssess::~RAssess()
{
  blackenStageWindow();
  cancelQueue();
  for (auto& [id, sound] : sounds_) {
    sound.wave->setFinishedLink(nullptr);
    sound.wave->detach();
  }
  if (exitShown_) resumeSoundOutput();
}

std::unique_ptr<OMScriptableObject> RAssess::create()
{
  popScriptArg();
  return std::make_unique<RAssess>(OMTrinketWindow::mainHost());
}

void RAssess::registerMembers()
{
  OMTrinket::registerMembers();
  addEvent("goToConfirmation");
  addEvent("goToExit");
}

// ---- parts ------------------------------------------------------------------------------

int RAssess::value(const char* key, int i) const
{
  return descriptor_ ? descriptor_->intValue(key, i) : -1;
}

RAssess::AnimationPtr RAssess::part(const char* key, int i) const
{
  AnimationPtr made = qvk::loadAnimation(value(key, i), noPosition, noPosition, window());
  if (made) {
    made->setMovable(0);
    made->setTouchy(0);
  }
  return made;
}

std::unique_ptr<RHotSpot> RAssess::hotSpot(const char* key)
{
  const auto edge = [this, key](int i) {
    return descriptor_ ? descriptor_->coordinateValue(key, i) : -1;
  };
  return std::make_unique<RHotSpot>(OMRect(edge(1), edge(2), edge(3), edge(4)), 0, window());
}

void RAssess::setClickLink(OMTrinket* trinket, OMWord (RAssess::*handler)())
{
  if (!trinket) return;
  const Link link(this, handler);
  trinket->setTouchy(1);
  // A hot spot takes its click at the release, as its "hit" does; pictures at the press.
  if (dynamic_cast<RHotSpot*>(trinket))
    trinket->setMouseUpHook(&link);
  else
    trinket->setMouseDownHook(&link);
}

void RAssess::makeParts()
{
  exitButton_ = part("ExitButton", 1);
  setClickLink(exitButton_.get(), &RAssess::onExitClick);
  finish_ = part("Finish", 1);
  if (finish_) finish_->hide();
  const int hornSound = value("Horn", 2);
  playSound(hornSound, noStep, 0);
  scenery_ = part("Scenery", 1);
  // The scenery and the corners are drawn by the activity, under everything else.
  if (scenery_) scenery_->removeFromWindow();
  rightPicture_ = part("RightAnswer", 1);
  if (rightPicture_) rightPicture_->hide();
  for (int i = 0; i < 4; ++i) {
    corners_[static_cast<std::size_t>(i)] = part("Corners", i + 1);
    if (corners_[static_cast<std::size_t>(i)])
      corners_[static_cast<std::size_t>(i)]->removeFromWindow();
  }
  arriving_ = part("PlaneAnims", 1);
  flying_ = part("PlaneAnims", 3);
  leaving_ = part("PlaneAnims", 4);
  for (RAnimation* vehicle : {arriving_.get(), flying_.get(), leaving_.get()})
    if (vehicle) vehicle->hide();
  setRect(OMRect(40, 0, 570, 272));
  helper_ =
      std::make_unique<RCharacter>(value("HelpChar", 1), noPosition, noPosition, helperZ, window());
  if (value("HelpChar", 2) > 0) helper_->addSpeechAnim(value("HelpChar", 2));
  helper_->hide();
  horn_ = part("Horn", 1);
  setClickLink(horn_.get(), &RAssess::onHornClick);
  answerSpot_ = hotSpot("AnswerHS");
  answerSpot_->setZ(answerSpotZ);
  setClickLink(answerSpot_.get(), &RAssess::onAnswerClick);
  problemSpot_ = hotSpot("ProblemHS");
  setClickLink(problemSpot_.get(), &RAssess::onProblemClick);
}

RAnimation* RAssess::answer(int slot) const
{
  return slot >= 0 && slot < answerCount ? answers_[static_cast<std::size_t>(slot)].get() : nullptr;
}

// ---- sounds, pictures and speech --------------------------------------------------------

OMWord RAssess::defer(OMWord step)
{
  pending_ = static_cast<int>(step);
  return 1;
}

void RAssess::playSound(int id, int then, int loops, int volume)
{
  if (id <= 0) {
    if (then != noStep) pending_ = then;
    return;
  }
  Sound& sound = sounds_[id];
  if (!sound.wave) {
    sound.stream = resourceById(id, "WAVE");
    if (sound.stream) sound.wave = std::make_unique<OMWaveSound>(sound.stream.get(), 0);
  }
  if (!sound.wave) {
    sounds_.erase(id);
    if (then != noStep) pending_ = then;
    return;
  }
  // Loops 0 only makes the sound ready.
  if (loops == 0) return;
  sound.wave->setFinishedLink(nullptr);
  sound.wave->detach();
  sound.wave->setLoopCount(loops);
  sound.wave->setVolume(volume);
  if (then != noStep) {
    const Link link(this, &RAssess::defer, static_cast<OMWord>(then));
    sound.wave->setFinishedLink(&link);
  }
  if (!sound.wave->play(1)) {
    sound.wave->setFinishedLink(nullptr);
    if (then != noStep) pending_ = then;
  }
}

void RAssess::stopSound(int id)
{
  const auto found = sounds_.find(id);
  if (found == sounds_.end()) return;
  found->second.wave->setFinishedLink(nullptr);
  found->second.wave->detach();
}

void RAssess::play(RAnimation* animation, int then, bool loop)
{
  if (!animation) {
    if (then != noStep) pending_ = then;
    return;
  }
  if (then != noStep) {
    const Link link(this, &RAssess::defer, static_cast<OMWord>(then));
    animation->setDoneCallback(&link, 0);
  } else {
    animation->setDoneCallback(nullptr, 0);
  }
  animation->setRepeat(loop ? -1 : 1);
  animation->rewind();
  animation->show();
  animation->resume();
}

void RAssess::cancelQueue()
{
  if (queue_) {
    queue_->setFinishedCallback(nullptr);
    queue_->halt();
  }
  queue_.reset();
  queued_.clear();
}

void RAssess::speakKey(const char* key, int then, int delayMs)
{
  std::vector<int> ids;
  for (int i = 1;; ++i) {
    const int id = value(key, i);
    // A missing value reads as -1: its low 16 bits are not 0, but it names no speech.
    if (id == -1 || (id & 0xFFFF) == 0) break;
    ids.push_back(id);
  }
  speakIds(ids, then, delayMs);
}

void RAssess::speakIds(const std::vector<int>& ids, int then, int delayMs)
{
  cancelQueue();
  queue_ = std::make_unique<RQueue>(1, 1);
  for (int id : ids)
    queued_.push_back(std::make_unique<CharacterSpeechAction>(helper_.get(), id, 0, 1));
  if (delayMs > 0) queued_.push_back(std::make_unique<DelayAction>(delayMs, 1));
  for (auto& action : queued_)
    queue_->addAction(action.get());
  const Link link(this, &RAssess::defer, static_cast<OMWord>(then));
  queue_->setFinishedCallback(&link);
  queue_->start();
}

void RAssess::setInput(bool allowed)
{
  answerAllowed_ = hornAllowed_ = problemAllowed_ = helperAllowed_ = allowed;
}

void RAssess::hideAnswers()
{
  for (auto& shown : answers_)
    if (shown) shown->hide();
}

// ---- the run ----------------------------------------------------------------------------

void RAssess::tick()
{
  const long now = qvk::ticks();
  stepRide(now);
  for (int n = 0; n < stepsPerTick && pending_ != noStep; ++n) {
    const int step = pending_;
    pending_ = noStep;
    if (step == finishSpeechDone) {
      // The script may drop the activity here: nothing of it is touched afterwards.
      raise("goToConfirmation");
      return;
    }
    runStep(step);
  }
}

void RAssess::runStep(int step)
{
  switch (step) {
    case afterIntro:
      speakKey("GameHelpSpeech", afterGameHelp);
      break;
    case afterGameHelp:
      speakKey("GameStartSpeech", rideStart);
      break;
    case rideStart:
      startRide();
      break;
    case engineStarted:
      playSound(value("EngineSnds", 1), noStep, -1, engineVolume);
      setClickLink(helper_.get(), &RAssess::onHelperClick);
      firstProblem_ = true;
      askNextProblem();
      break;
    case nextProblem:
      askNextProblem();
      break;
    case problemSetUp:
      setUpProblem();
      break;
    case highlight:
      highlightStep();
      break;
    case judge:
      judgeAnswer();
      break;
    case afterRightPicture:
      showRightFollowUp();
      break;
    case levelRule:
      applyLevelRule();
      break;
    case finishSoundDone:
      stopSound(value("EngineSnds", 1));
      speedState_ = slowingDown;
      whenStopped_ = rideStopped;
      playSound(value("EngineSnds", 2), noStep);
      break;
    case rideStopped:
      play(finish_.get(), noStep);
      writeResults();
      speakKey("FinishSpch", finishSpeechDone);
      break;
    default:
      break;
  }
}

void RAssess::startRide()
{
  speed_ = startSpeed;
  speedState_ = speedingUp;
  nextFrameTime_ = qvk::ticks();
  playSound(value("EngineSnds", 3), engineStarted);
}

void RAssess::stepRide(long now)
{
  if (!scenery_ || speed_ == 0 || now < nextFrameTime_) return;
  sceneryFrame_ = sceneryFrame_ % sceneryFrames + 1;
  invalidate();
  const bool odd = sceneryFrame_ % 2 == 1;
  if (speedState_ == speedingUp && odd && speed_ < topSpeed) ++speed_;
  if (speedState_ == slowingDown && odd) {
    --speed_;
    if (speed_ < stopBelow) {
      speed_ = 0;
      speedState_ = steady;
      pending_ = whenStopped_;
      whenStopped_ = noStep;
      return;
    }
  }
  nextFrameTime_ = now + 60 / speed_;
}

void RAssess::paint()
{
  if (scenery_) {
    qvk::showFrame(*scenery_, sceneryFrame_);
    scenery_->paint();
  }
  for (auto& corner : corners_)
    if (corner) corner->paint();
}

void RAssess::askNextProblem()
{
  // A set with no problem at level 2 is never asked: it keeps result 0.
  for (set_ = descriptor_ ? descriptor_->quizletSetById(setId_) : nullptr;
       set_ && !set_->quizletByLevel(level_); set_ = descriptor_->quizletSetById(setId_)) {
    std::fprintf(stderr, "The problem set %d has no problem at level %d; it is not asked\n", setId_,
                 level_);
    ++setId_;
  }
  if (!set_) {
    finishRide();
    return;
  }
  playSound(value("PlaneAnims", 2), noStep);
  if (leaving_) leaving_->hide();
  play(arriving_.get(), problemSetUp);
}

void RAssess::setUpProblem()
{
  if (arriving_) arriving_->hide();
  play(flying_.get(), noStep, true);
  pos_ = 0;
  wrapped_ = false;
  quizlet_ = set_ ? set_->quizletByLevel(level_) : nullptr;
  if (!quizlet_) {
    advanceSet();
    askNextProblem();
    return;
  }
  problemPicture_ = qvk::loadAnimation(quizlet_->pictureId, noPosition, noPosition, window());
  if (problemPicture_) {
    problemPicture_->setMovable(0);
    problemPicture_->setTouchy(0);
  }
  const std::int16_t dealt[answerCount] = {quizlet_->answer1, quizlet_->answer2, quizlet_->answer3,
                                           quizlet_->answer4};
  RandStep slots(1, answerCount);
  for (int i = 0; i < answerCount; ++i) {
    const int slot = slots.draw() - 1;
    AnimationPtr& into = answers_[static_cast<std::size_t>(slot)];
    into = qvk::loadAnimation(dealt[i], noPosition, noPosition, window());
    if (into) {
      into->hide();
      into->setZ(answerZ);
      into->setMovable(0);
      into->setTouchy(0);
    }
    if (i == 0) rightSlot_ = slot;
  }
  speakIds({quizlet_->speechId}, highlight, problemDelayMs);
}

void RAssess::highlightStep()
{
  setInput(true);
  if (RAnimation* previous = answer(mark_)) previous->hide();
  if (RAnimation* shown = answer(pos_)) shown->show();
  mark_ = pos_;
  pos_ = (pos_ + 1) % answerCount;
  if (pos_ == 0) wrapped_ = true;
  const bool round = mark_ == 0 && wrapped_;
  playSound(value("ChangeSound", round ? 2 : 1), noStep);
  const int delayMs = quizlet_ && descriptor_ ? descriptor_->highlightSeconds(*quizlet_) * 1000 : 0;
  if (!round) {
    speakIds({}, highlight, delayMs);
    return;
  }
  wrapped_ = false;
  setInput(false);
  if (RAnimation* shown = answer(mark_)) shown->hide();
  pos_ = mark_;
  if (firstProblem_)
    speakKey("GameHelpSpeech", highlight, delayMs);
  else
    speakIds({quizlet_ ? quizlet_->speechId : 0}, highlight, delayMs);
}

OMWord RAssess::onAnswerClick()
{
  return choose(answerAllowed_);
}

OMWord RAssess::onHornClick()
{
  return choose(hornAllowed_);
}

OMWord RAssess::choose(bool allowed)
{
  if (!allowed || exitShown_) return 1;
  setInput(false);
  cancelQueue();
  pending_ = noStep;
  playSound(value("Horn", 2), noStep);
  play(horn_.get(), judge);
  return 1;
}

OMWord RAssess::onProblemClick()
{
  if (!problemAllowed_ || exitShown_) return 1;
  setInput(false);
  pending_ = noStep;
  if (RAnimation* shown = answer(mark_)) shown->hide();
  pos_ = mark_;
  speakIds({quizlet_ ? quizlet_->speechId : 0}, highlight);
  return 1;
}

OMWord RAssess::onHelperClick()
{
  if (!helperAllowed_ || exitShown_) return 1;
  setInput(false);
  pending_ = noStep;
  if (RAnimation* shown = answer(mark_)) shown->hide();
  pos_ = mark_;
  const bool helpTurn = firstProblem_ && helpToggle_ == 1;
  if (firstProblem_) helpToggle_ = helpToggle_ == 1 ? 2 : 1;
  if (helpTurn)
    speakKey("GameHelpSpeech", highlight);
  else
    speakIds({quizlet_ ? quizlet_->speechId : 0}, highlight);
  return 1;
}

void RAssess::judgeAnswer()
{
  if (mark_ != rightSlot_) {
    answeredWrong();
    return;
  }
  if (RAnimation* shown = answer(mark_)) shown->hide();
  if (flying_) flying_->hide();
  play(rightPicture_.get(), afterRightPicture);
}

void RAssess::showRightFollowUp()
{
  if (rightPicture_) rightPicture_->hide();
  if (problemPicture_) problemPicture_->resume();
  int id = value("RightAnswerSpch", rightSpeechIndex_);
  if (id <= 0 || (id & 0xFFFF) == 0) {
    rightSpeechIndex_ = 1;
    id = value("RightAnswerSpch", 1);
  } else {
    ++rightSpeechIndex_;
  }
  speakIds(id > 0 ? std::vector<int>{id} : std::vector<int>{}, levelRule);
}

void RAssess::applyLevelRule()
{
  if (level_ == 2 && set_ && set_->quizletByLevel(3)) {
    level_ = 3;
    setUpProblem();
    return;
  }
  if (set_) set_->result = level_ == 3 ? 3 : 2;
  advanceSet();
  askNextProblem();
}

void RAssess::answeredWrong()
{
  playSound(value("WrongSound", 1), noStep);
  if (problemPicture_) problemPicture_->hide();
  if (RAnimation* shown = answer(mark_)) shown->hide();
  if (flying_) flying_->hide();
  if (set_) set_->result = level_ == 3 ? 2 : 1;
  advanceSet();
  play(leaving_.get(), nextProblem);
}

void RAssess::advanceSet()
{
  ++setId_;
  level_ = 2;
  firstProblem_ = false;
  hideAnswers();
  mark_ = 0;
}

void RAssess::finishRide()
{
  setInput(false);
  if (problemPicture_) problemPicture_->hide();
  hideAnswers();
  playSound(value("FinishSound", 1), finishSoundDone);
}

void RAssess::writeResults()
{
  if (descriptor_) writeAssessmentResults(*descriptor_);
}

// ---- the exit button --------------------------------------------------------------------

OMWord RAssess::onExitClick()
{
  if (!exitAllowed_ || exitShown_) return 1;
  exitAllowed_ = false;
  playSound(value("ClickSound", 1), noStep);
  const Link done(this, &RAssess::onExitButtonDone);
  exitButton_->setDoneCallback(&done, 0);
  exitButton_->setRepeat(1);
  exitButton_->rewind();
  exitButton_->resume();
  return 1;
}

OMWord RAssess::onExitButtonDone()
{
  if (!exitPicture_) {
    exitPicture_ = part("ExitDialog", 1);
    exitYes_ = part("ExitDialog", 2);
    exitNo_ = part("ExitDialog", 3);
    if (exitPicture_) exitPicture_->setZ(exitPictureZ);
    for (RAnimation* button : {exitYes_.get(), exitNo_.get()})
      if (button) button->setZ(exitButtonsZ);
    setClickLink(exitYes_.get(), &RAssess::onExitYes);
    setClickLink(exitNo_.get(), &RAssess::onExitNo);
  }
  for (RAnimation* shown : {exitPicture_.get(), exitYes_.get(), exitNo_.get()})
    if (shown) shown->show();
  exitShown_ = true;
  pauseSoundOutput();
  if (queue_) queue_->pause();
  return 1;
}

OMWord RAssess::onExitYes()
{
  if (!exitShown_) return 1;
  if (OMApp* app = assessmentApp()) app->quit();
  return 1;
}

OMWord RAssess::onExitNo()
{
  if (!exitShown_) return 1;
  // Hidden, not deleted: the press that got here is still the button's.
  for (RAnimation* shown : {exitPicture_.get(), exitYes_.get(), exitNo_.get()})
    if (shown) shown->hide();
  exitShown_ = false;
  resumeSoundOutput();
  if (queue_) queue_->resume();
  exitAllowed_ = true;
  return 1;
}
