#pragma once

#include <array>
#include <memory>
#include <string>

#include "assessment/src/QvKProblems.h"
#include "framework/OMLink.h"
#include "trinkets/src/OMTrinket.h"

class QvKFuel;
class QvKGame;
class QvKHorn;
class QvKText;
class RAnimation;
class RDitty;

// The arithmetic racing game: a car drives along a road, the five answers of a problem pass
// by on road signs, and the child honks at the right one. A right honk lights a progress icon,
// a wrong one costs fuel; an empty tank ends the game, and reaching the goal wins a prize
// ticket. Scripts start it, set its speed and problem kind, and answer its events.
class QvKill : public OMTrinket {
 public:
  enum Mode { off = 0, studyScreen = 2, race = 4, paused = 6 };
  enum SubState { waiting = 0, rightGiven = 1, wrongGiven = 2, prizePending = 29 };
  static constexpr int iconCount = 5;

  QvKill(OMTrinketWindow* host, int destination);
  ~QvKill() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  void tick() override;
  void paint() override;

  int mode() const { return mode_; }
  int subState() const { return subState_; }
  int rightCount() const { return rightCount_; }
  int goal() const { return goal_; }
  int currentSlot() const { return currentSlot_; }
  const QvKProblems& problems() const { return problems_; }
  QvKGame* scene() const { return game_.get(); }
  QvKHorn* horn() const { return horn_.get(); }
  QvKFuel* fuel() const { return fuel_.get(); }
  QvKText* textBox() const { return text_.get(); }
  RDitty* player(int number) const
  {
    return players_.at(static_cast<std::size_t>(number - 1)).get();
  }
  bool iconLit(int index) const;

 private:
  // Three ids by speed: 1 the first, 2 the second, 3 and 4 the third; none otherwise.
  void playBySpeed(RDitty& player, int speed1, int speed2, int speed3);
  void play(int playerNumber, int id);
  void stopPlayers();
  void releasePlayers();
  void hideIcons();
  void clearSign();
  void newProblem();
  void putCurrentAnswer();
  void rightAnswerStep();
  void payoffStep();

  OMWord onHornPress();
  OMWord onRaceEvent(OMWord code);
  OMWord onEffect(OMWord id);
  OMWord onFuelShown();
  OMWord onGameOver();
  OMWord onProblemTyped();

  OMWord attractModeStart();
  OMWord pauseMember();
  OMWord resumeMember();
  OMWord tsToMap();
  OMWord startGame();
  OMWord shutOff();
  OMWord cheatOn();
  OMWord textBoxMember();
  OMWord playPayoff();
  OMWord startProblem();
  OMWord showRoad();
  OMWord showAnswer();
  OMWord nextProblemSign();
  OMWord getUserScore(OMWord buffer);
  OMWord getMode(OMWord buffer);
  OMWord setSpeed(OMWord text);
  OMWord getDiffLevel(OMWord buffer);
  OMWord setDiffLevel(OMWord text);
  OMWord getVolume(OMWord buffer);
  OMWord getSpeechId(OMWord buffer);
  OMWord ignore(OMWord text);

  QvKProblems problems_;
  int currentSlot_ = 0;
  std::unique_ptr<QvKHorn> horn_;
  std::unique_ptr<QvKFuel> fuel_;
  std::unique_ptr<QvKGame> game_;
  std::unique_ptr<QvKText> text_;
  std::array<std::unique_ptr<RAnimation>, iconCount> icons_;
  std::unique_ptr<RAnimation> strip_;
  int mode_ = off, savedMode_ = off;
  int subState_ = waiting, savedSubState_ = waiting;
  int payoff_ = 0;
  int kind_ = 1;
  int destination_;
  int goal_;
  int rightCount_ = 0;
  int noAnswers_ = 0;
  int userScore_ = 0;
  int speed_ = 1;
  // 0 none, 1 the shape, 2 the shape with the counting pictures.
  int signShown_ = 0;
  std::array<std::unique_ptr<RDitty>, 4> players_;
  // Expires with the game, so that a handler that dropped it is noticed.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
