#include "assessment/src/QvKill.h"

#include <cstdlib>

#include "assessment/src/QvKFuel.h"
#include "assessment/src/QvKGame.h"
#include "assessment/src/QvKHorn.h"
#include "assessment/src/QvKSign.h"
#include "assessment/src/QvKText.h"
#include "assessment/src/QvKTiming.h"
#include "assessment/src/RDitty.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMWaveSound.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("QvKill", &QvKill::create, TrinketRecord::assessmentEditionOnly);

constexpr int iconId = 13288;
constexpr int stripId = 13315;
constexpr const char* effectType = "SFX";

int number(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

}  // namespace

QvKill::QvKill(OMTrinketWindow* host, int destination)
    : OMTrinket(host, 1), destination_(destination), goal_(destination)
{
  using Link = OMLinkToObj<QvKill>;
  const Link effect(this, &QvKill::onEffect, 0), gameOver(this, &QvKill::onGameOver),
      press(this, &QvKill::onHornPress), fuelShown(this, &QvKill::onFuelShown),
      raceEvent(this, &QvKill::onRaceEvent, 0), typed(this, &QvKill::onProblemTyped);
  horn_ = std::make_unique<QvKHorn>(host, &effect, &gameOver, &press);
  fuel_ = std::make_unique<QvKFuel>(host, &fuelShown);
  game_ = std::make_unique<QvKGame>(host, &raceEvent, &effect);
  text_ = std::make_unique<QvKText>(host, &typed);
  for (int i = 0; i < iconCount; ++i)
    icons_[static_cast<std::size_t>(i)] = qvk::loadAnimation(iconId, 592, 18 + 40 * i, host);
  strip_ = qvk::loadAnimation(stripId, 0, 0, host);
  if (strip_) strip_->removeFromWindow();
  for (auto& player : players_)
    player = std::make_unique<RDitty>("");
  setRect(OMRect(592, 18, 630, 216));
  setTouchy(0);
  setMovable(0);
}

QvKill::~QvKill()
{
  resumeSoundOutput();
  stopPlayers();
  for (auto& icon : icons_)
    icon.reset();
  strip_.reset();
  horn_.reset();
  fuel_.reset();
  game_.reset();
  text_.reset();
  releasePlayers();
}

std::unique_ptr<OMScriptableObject> QvKill::create()
{
  return std::make_unique<QvKill>(OMTrinketWindow::mainHost(), std::atoi(popScriptArg()));
}

void QvKill::registerMembers()
{
  using Link = OMLinkToObj<QvKill>;
  for (const char* event :
       {"startTS", "showTS", "dropTS", "gameOver", "showHiscores", "dropHiscores", "saveData",
        "rewardPrizeTicket", "stateProblem", "reStateProblem", "sayNextProblem", "disableBunvel",
        "rightAnswer", "wrongAnswer"})
    addEvent(event);
  addMethod("attractModeStart", Link(this, &QvKill::attractModeStart));
  addMethod("pause", Link(this, &QvKill::pauseMember));
  addMethod("resume", Link(this, &QvKill::resumeMember));
  addMethod("tsToMap", Link(this, &QvKill::tsToMap));
  addMethod("startGame", Link(this, &QvKill::startGame));
  addMethod("shutOff", Link(this, &QvKill::shutOff));
  addMethod("cheatOn", Link(this, &QvKill::cheatOn));
  addMethod("textBox", Link(this, &QvKill::textBoxMember));
  addMethod("playPayoff", Link(this, &QvKill::playPayoff));
  addMethod("startProblem", Link(this, &QvKill::startProblem));
  addMethod("showRoad", Link(this, &QvKill::showRoad));
  addMethod("showAnswer", Link(this, &QvKill::showAnswer));
  addMethod("nextProblemSign", Link(this, &QvKill::nextProblemSign));
  addProperty("userScore", Link(this, &QvKill::ignore, 0), Link(this, &QvKill::getUserScore, 0));
  addProperty("mode", Link(this, &QvKill::ignore, 0), Link(this, &QvKill::getMode, 0));
  const Link speed(this, &QvKill::setSpeed, 0);
  addProperty("speed", &speed, nullptr);
  addProperty("diffLevel", Link(this, &QvKill::setDiffLevel, 0),
              Link(this, &QvKill::getDiffLevel, 0));
  addProperty("volume", Link(this, &QvKill::ignore, 0), Link(this, &QvKill::getVolume, 0));
  addProperty("qvSpeechID", Link(this, &QvKill::ignore, 0), Link(this, &QvKill::getSpeechId, 0));
}

// ---- sounds, icons and the sign ---------------------------------------------------------

void QvKill::playBySpeed(RDitty& player, int speed1, int speed2, int speed3)
{
  const int id = speed_ == 1                  ? speed1
                 : speed_ == 2                ? speed2
                 : speed_ == 3 || speed_ == 4 ? speed3
                                              : 0;
  if (id) player.playResource(effectType, id);
}

void QvKill::play(int playerNumber, int id)
{
  player(playerNumber)->playResource(effectType, id);
}

void QvKill::stopPlayers()
{
  for (auto& each : players_)
    each->stop();
}

void QvKill::releasePlayers()
{
  for (auto& each : players_)
    each->release();
}

void QvKill::hideIcons()
{
  for (auto& icon : icons_)
    if (icon) icon->hide();
}

bool QvKill::iconLit(int index) const
{
  const auto& icon = icons_.at(static_cast<std::size_t>(index));
  return icon && icon->isVisible();
}

void QvKill::clearSign()
{
  signShown_ = 1;
  setRect(QvKSign::bounds());
  invalidate();
}

void QvKill::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  if (!canvas || !signShown_) return;
  QvKSign::paintShape(*canvas);
  if (signShown_ == 2 && strip_)
    QvKSign::paintPictures(*canvas, *strip_, problems_.pictureRow(), problems_.layout(),
                           problems_.rightValue());
}

// ---- the race ---------------------------------------------------------------------------

void QvKill::newProblem()
{
  currentSlot_ = 0;
  noAnswers_ = 0;
  if (problems_.generate(kind_)) {
    text_->setText(problems_.textBoxText(kind_).c_str());
    clearSign();
    if (kind_ == 1) signShown_ = 2;
  }
  raise("stateProblem");
}

void QvKill::putCurrentAnswer()
{
  if (game_) game_->putSign(problems_.answer(currentSlot_).c_str(), true);
}

void QvKill::rightAnswerStep()
{
  subState_ = waiting;
  if (currentSlot_ == problems_.rightSlot()) ++rightCount_;
  if (rightCount_ < goal_) return;
  hideIcons();
  stopPlayers();
  play(2, 13242);
  subState_ = waiting;
  if (game_) game_->signSequence(1);
}

void QvKill::payoffStep()
{
  if (subState_ == prizePending && player(2)->status() == RDitty::stopped) {
    releasePlayers();
    subState_ = waiting;
    const std::weak_ptr<int> alive = alive_;
    raise("rewardPrizeTicket");
    if (alive.expired()) return;
  }
  if (payoff_ == 1 && player(1)->status() == RDitty::stopped) {
    player(1)->setVolume(50);
    playBySpeed(*player(1), 13198, 13199, 13200);
    if (game_) game_->startCar();
    horn_->setFocus();
    payoff_ = 2;
  } else if (payoff_ == 2 && player(1)->status() == RDitty::stopped) {
    player(3)->setCache(false);
    play(3, 13206);
    const int engine = speed_ == 1                  ? 13201
                       : speed_ == 2                ? 13202
                       : speed_ == 3 || speed_ == 4 ? 13203
                                                    : 0;
    if (engine) player(1)->playResource(effectType, engine, "-1");
    payoff_ = 3;
  } else if (payoff_ == 3 && player(3)->status() == RDitty::stopped) {
    player(3)->setCache(true);
    payoff_ = 0;
    newProblem();
  }
}

void QvKill::tick()
{
  if (mode_ == race) payoffStep();
}

OMWord QvKill::onHornPress()
{
  if (mode_ != race || subState_ != waiting || !game_ || !game_->canAnswer()) return 0;
  if (currentSlot_ == problems_.rightSlot()) {
    if (rightCount_ >= 0 && rightCount_ < iconCount &&
        icons_[static_cast<std::size_t>(rightCount_)])
      icons_[static_cast<std::size_t>(rightCount_)]->show();
    subState_ = rightGiven;
    game_->answerRight();
    play(3, 13205);
  } else {
    subState_ = wrongGiven;
    game_->answerWrong();
    play(3, 13218);
  }
  return 1;
}

OMWord QvKill::onRaceEvent(OMWord code)
{
  switch (number(code)) {
    case 1:
      newProblem();
      break;
    case 2:
      if (mode_ == race) horn_->disable();
      break;
    case 3:
      if (mode_ != race) break;
      if (subState_ == waiting) {
        const bool restate = noAnswers_ == 9;
        noAnswers_ = restate ? 0 : noAnswers_ + 1;
        currentSlot_ = (currentSlot_ + 1) % QvKProblems::slotCount;
        putCurrentAnswer();
        horn_->enable();
        if (restate) raise("reStateProblem");
      } else if (subState_ == wrongGiven) {
        text_->clear();
        clearSign();
        if (fuel_->level() <= 0) {
          if (game_) game_->slowDown();
          player(1)->stop();
          playBySpeed(*player(1), 13240, 13239, 13238);
        } else {
          rightAnswerStep();
          raise("sayNextProblem");
        }
      }
      break;
    case 4:
      text_->clear();
      clearSign();
      break;
    case 5:
      rightAnswerStep();
      if (rightCount_ < goal_) raise("rightAnswer");
      break;
    case 6:
      fuel_->loseOne();
      play(2, 13230);
      break;
    case 7:
      if (mode_ == race && game_)
        game_->putSign(problems_.answer(problems_.rightSlot()).c_str(), false);
      break;
    case 9:
      horn_->stall();
      play(2, 13257);
      break;
    case 15:
      subState_ = prizePending;
      break;
    default:
      break;
  }
  return 1;
}

OMWord QvKill::onEffect(OMWord id)
{
  play(2, static_cast<int>(id));
  return 1;
}

OMWord QvKill::onFuelShown()
{
  if (mode_ == race) raise("wrongAnswer");
  return 1;
}

OMWord QvKill::onGameOver()
{
  if (mode_ != race) return 1;
  if (game_) {
    game_->deleteRoad();
    game_->hide();
  }
  releasePlayers();
  mode_ = off;
  subState_ = waiting;
  raise("gameOver");
  return 1;
}

OMWord QvKill::onProblemTyped()
{
  return 1;
}

// ---- script members ---------------------------------------------------------------------

OMWord QvKill::attractModeStart()
{
  return 1;
}

OMWord QvKill::pauseMember()
{
  if (mode_ == paused) {
    mode_ = savedMode_;
    subState_ = savedSubState_;
    resumeSoundOutput();
  } else {
    savedMode_ = mode_;
    savedSubState_ = subState_;
    mode_ = paused;
    subState_ = waiting;
    pauseSoundOutput();
  }
  if (game_) game_->togglePaused();
  text_->togglePaused();
  fuel_->togglePaused();
  return 1;
}

OMWord QvKill::resumeMember()
{
  mode_ = savedMode_;
  subState_ = savedSubState_;
  return 1;
}

OMWord QvKill::tsToMap()
{
  mode_ = studyScreen;
  subState_ = waiting;
  return 1;
}

OMWord QvKill::startGame()
{
  mode_ = race;
  subState_ = waiting;
  rightCount_ = 0;
  text_->clear();
  clearSign();
  fuel_->refill();
  if (game_) game_->reset(destination_, speed_, false);
  hideIcons();
  player(1)->setVolume(100);
  payoff_ = 1;
  return 1;
}

OMWord QvKill::shutOff()
{
  resumeSoundOutput();
  stopPlayers();
  text_->clear();
  clearSign();
  game_.reset();
  mode_ = off;
  subState_ = waiting;
  return 1;
}

OMWord QvKill::cheatOn()
{
  goal_ = 1;
  return 1;
}

OMWord QvKill::textBoxMember()
{
  text_->setText(popScriptArg());
  return 1;
}

OMWord QvKill::playPayoff()
{
  rightCount_ = 24;
  return 1;
}

OMWord QvKill::startProblem()
{
  if (mode_ != race) return 1;
  putCurrentAnswer();
  horn_->enable();
  subState_ = waiting;
  return 1;
}

OMWord QvKill::showRoad()
{
  if (game_) game_->loadScenery();
  return 1;
}

OMWord QvKill::showAnswer()
{
  if (game_) game_->signSequence(2);
  return 1;
}

OMWord QvKill::nextProblemSign()
{
  if (game_) game_->signSequence(0);
  return 1;
}

OMWord QvKill::getUserScore(OMWord buffer)
{
  return writeNumber(buffer, userScore_);
}

OMWord QvKill::getMode(OMWord buffer)
{
  return writeNumber(buffer, mode_);
}

OMWord QvKill::setSpeed(OMWord text)
{
  speed_ = number(text);
  if (game_) game_->setSpeed(speed_);
  return 1;
}

OMWord QvKill::getDiffLevel(OMWord buffer)
{
  return writeNumber(buffer, kind_);
}

OMWord QvKill::setDiffLevel(OMWord text)
{
  kind_ = number(text);
  return 1;
}

OMWord QvKill::getVolume(OMWord buffer)
{
  return writeNumber(buffer, 100);
}

OMWord QvKill::getSpeechId(OMWord buffer)
{
  return writeNumber(buffer, problems_.speechId());
}

OMWord QvKill::ignore(OMWord)
{
  return 1;
}
