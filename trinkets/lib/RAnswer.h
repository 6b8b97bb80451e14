#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/OMPoint.h"
#include "framework/OMRect.h"
#include "trinkets/lib/OMMultiTrinket.h"

class RContainer;

// A draggable answer of a drag-and-drop puzzle. It reports pick-up and drop to its puzzle
// through the notify links; the puzzle decides where it lands.
class RAnswer : public OMMultiTrinket {
 public:
  using SoundPlayer = std::int32_t (*)(std::uint16_t id, const OMLink* link, int forever);
  using SoundStopper = void (*)(std::int32_t handle);

  RAnswer(const OMPoint& home, int z);
  RAnswer(const RAnswer& other);
  ~RAnswer() override;

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;

  virtual void anchor();
  virtual std::string getAnswerProperty(const char* name) const;
  virtual void goHome();
  virtual void setAnswerProperty(const char* name, const char* text);
  virtual void centreOn(const OMRect& target);
  virtual void unanchor();

  void pickUp();
  void drop();
  // Moves in one step, pieces and all.
  void moveTo(int x, int y);
  // Raises "removedFromContainer" and "addedToContainer" as the holder changes.
  void setContainer(RContainer* container);
  RContainer* container() const;
  bool isUsed() const { return container() != nullptr; }
  bool isHeld() const { return held_ != 0; }
  const OMPoint& home() const { return home_; }
  int homeZ() const { return homeZ_; }
  OMRect dropRect() const;
  OMPoint hotPointOnStage() const;
  const OMPoint& relativeHotPoint() const { return answerHotPoint_; }
  bool isUsingHotPoint() const { return usingHotPoint_ != 0; }
  const std::string& attribute() const { return attribute_; }
  void setAttributeText(const char* text) { attribute_ = text ? text : ""; }
  int value() const { return value_; }
  void setValue(int value) { value_ = value; }
  void setMargins(int left, int top, int right, int bottom);
  int extraLeft() const { return extraLeft_; }
  int extraTop() const { return extraTop_; }
  int extraRight() const { return extraRight_; }
  int extraBottom() const { return extraBottom_; }
  int goHomeSound() const { return goHomeSound_; }
  int pickUpSound() const { return pickUpSound_; }
  int snapSound() const { return snapSound_; }
  void playSound(int id) const;

  void setDropHandler(const OMLink* link);
  void setPickUpHandler(const OMLink* link);
  void setDropNotify(const OMLink* link);
  void setPickUpNotify(const OMLink* link);
  const OMLink* dropNotify() const { return dropNotify_.get(); }
  const OMLink* pickUpNotify() const { return pickUpNotify_.get(); }

  // Expires with the answer.
  std::weak_ptr<int> liveness() const { return lifetime(); }

  static void registerGlobalFunctions();
  static void setSoundPlayer(SoundPlayer player);
  static void setSoundStopper(SoundStopper stopper);
  static SoundPlayer soundPlayer();
  static void setDefaultTrackingCursor(OMCursor* cursor);
  static void setDefaultHoverCursor(OMCursor* cursor);

 protected:
  // The answer data's script members. The game's answer base declares them all; in the
  // assessment edition each kind of answer declares those it has.
  void addAttributeProperty();
  void addHotPointProperties();
  void addUsingHotPointProperty();
  void addValueProperty();

 private:
  // Runs the handler, or raises the event, then the notify link unless the answer went.
  void report(const std::unique_ptr<OMLink>& handler, const char* event,
              const std::unique_ptr<OMLink>& notify);

  template <int RAnswer::*Field>
  OMWord getInt(OMWord buffer);
  template <int RAnswer::*Field>
  OMWord setInt(OMWord text);
  // A distance in pixels: held to the coordinates' range.
  template <int RAnswer::*Field>
  OMWord setDistance(OMWord text);
  template <std::int16_t RAnswer::*Field>
  OMWord getSound(OMWord buffer);
  template <std::int16_t RAnswer::*Field>
  OMWord setSound(OMWord text);
  OMWord getAttributeMember(OMWord buffer);
  OMWord setAttributeMember(OMWord text);
  OMWord getHomeX(OMWord buffer);
  OMWord setHomeX(OMWord text);
  OMWord getHomeY(OMWord buffer);
  OMWord setHomeY(OMWord text);
  OMWord getHotPointX(OMWord buffer);
  OMWord setHotPointX(OMWord text);
  OMWord getHotPointY(OMWord buffer);
  OMWord setHotPointY(OMWord text);
  OMWord getIsUsed(OMWord buffer);
  OMWord pickUpHook();
  OMWord dropHook();

  OMPoint home_;
  int held_ = 0;
  int usingHotPoint_ = 0;
  std::string attribute_;
  int extraBottom_ = 0;
  int extraLeft_ = 0;
  int extraRight_ = 0;
  int extraTop_ = 0;
  int homeZ_ = 0;
  int value_ = 0;
  std::unique_ptr<OMLink> dropHandler_;
  std::unique_ptr<OMLink> pickUpHandler_;
  std::unique_ptr<OMLink> dropNotify_;
  std::unique_ptr<OMLink> pickUpNotify_;
  OMPoint answerHotPoint_;
  RContainer* container_ = nullptr;
  std::weak_ptr<int> containerAlive_;
  std::int16_t goHomeSound_ = 0;
  std::int16_t pickUpSound_ = 0;
  std::int16_t snapSound_ = 0;
};
