#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "trinkets/src/OMTrinket.h"

class RAnimation;

// The racing quiz's road: the road pictures rolling at the car's speed, the road signs with
// answers that come up, move off, fall over or are driven through, the finish and its sweep.
// It reports numbered race events to the game through the event link (the number as text)
// and asks for sounds through the sound link (the id).
class QvKGame : public OMTrinket {
 public:
  enum State {
    idle = 0,
    starting = 1,
    accelerating = 3,
    slowing = 4,
    signComing = 5,
    signApproaching = 6,
    signRight = 8,
    signMovingOff = 9,
    finishStart = 10,
    finishIn = 11,
    finishOut = 12,
    signWrong = 15,
    signFalling = 16,
  };
  static constexpr int maxDebris = 8;
  static constexpr int finishFrames = 14;

  struct Letter {
    int glyph = 0;
    int x = 0, y = 0, width = 0, height = 0;
  };
  struct Debris {
    int x = 0, y = 0, frame = 0;
  };

  QvKGame(OMTrinketWindow* host, const OMLink* eventLink, const OMLink* soundLink);
  ~QvKGame() override;

  void loadScenery();
  void reset(int destination, int speed, bool start);
  void startCar();
  void slowDown();
  void deleteRoad();
  void setSpeed(int speed);
  void signSequence(int kind);
  void putSign(const char* text, bool answerable);
  bool canAnswer() const;
  void answerRight();
  void answerWrong();
  void togglePaused() { paused_ = !paused_; }

  int state() const { return state_; }
  int roadSpeed() const { return roadSpeed_; }
  int roadFrame() const { return roadFrame_; }
  int signFrame() const { return signFrame_; }
  const std::vector<Letter>& letters() const { return letters_; }
  const std::vector<Debris>& debris() const { return debris_; }
  // The sign's arrival, end and last frames.
  std::array<int, 3> frameMarks() const { return marks_; }

  // The glyph of a character: letters 0-25, digits 26-35, '+' 36, others 37.
  static int glyphOf(char c);
  // Where the finish's sweep line at frame f (1 to 14) leaves a point.
  static OMPoint sweep(int frame, OMPoint point);
  // Throws debris over the letters: up to 8 pieces, by the C library generator.
  void throwDebris();
  // Lays the letters out at sign frame f from their glyphs' frame sizes.
  void layOut();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override {}
  void tick() override;
  void paint() override;

 private:
  void report(int code);
  void playSound(int id);
  void startRolling(long now);
  void runState(long now);
  void stepRoad(long now);
  void stepSignSequence();
  void moveSign();
  void sweepLetters();
  void sweepDebris();
  int frameDelay() const;
  RAnimation* glyph(int index) const;

  std::unique_ptr<RAnimation> road_;
  std::array<std::unique_ptr<RAnimation>, 3> signs_;
  std::unique_ptr<RAnimation> debrisPicture_;
  std::unique_ptr<RAnimation> finish_;
  std::array<std::unique_ptr<RAnimation>, 4> corners_;
  std::vector<std::unique_ptr<RAnimation>> glyphs_;
  std::unique_ptr<OMLink> eventLink_, soundLink_;

  int state_ = idle;
  int destination_ = 0;
  int speed_ = 1;
  int roadSpeed_ = 0;
  int roadFrame_ = 1;
  int sequenceStep_ = 0;
  int finishFrame_ = 0;
  long nextState_ = 0;
  long nextRoadFrame_ = 0;
  // When the car starts; 0 when no start is pending. Kept apart from the state, so that a
  // sign put up before the start (short or missing start sounds) cannot cancel it.
  long carStart_ = 0;
  int sequence_ = 0;
  int sequenceKind_ = 0;

  std::vector<Letter> letters_;
  int wordX_ = 0, wordY_ = 0, velocityX_ = 0, velocityY_ = 0;
  int dampX_ = 100, dampY_ = 100, spacing_ = 0;
  int signFrame_ = 0;
  bool answerable_ = false;
  bool digitSign_ = false;
  std::array<int, 3> marks_{};
  std::vector<Debris> debris_;
  bool paused_ = false;
  // Expires with the scene, so that an event handler that deleted it is noticed.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
