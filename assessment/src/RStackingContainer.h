#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMRect.h"
#include "trinkets/lib/RContainer.h"

class OMAnimation;

// A drop target in which answers pile up from the bottom edge, each across the container's
// full width on the one below. Solved when the answers' "value" properties add up to its own
// value (and, unless solvedAnswerCount is -1, with that many answers). Taking an answer out
// lets the ones above it fall by its height, with a sound.
class RStackingContainer : public RContainer {
 public:
  static constexpr std::uint16_t noSound = 0xFFFF;

  RStackingContainer(const OMRect& rect, int z, int value, int solvedAnswerCount);
  RStackingContainer(std::uint16_t graphicId, int x, int y, int z, int value,
                     int solvedAnswerCount);
  ~RStackingContainer() override;

  // Up to seven numbers; which are empty chooses the form.
  static std::unique_ptr<OMScriptableObject> create();

  void registerMembers() override;
  bool canAccept(RAnswer* answer, int* score) override;
  // As the content made for it expects: true while there is room left.
  bool isFull() override;
  bool isSolved() override;

  int stackTop() const { return stackTop_; }
  int answerValue() const;

 protected:
  void onAnswerPlaced(RAnswer* answer) override;
  void onAnswerRemoved(RAnswer* answer) override;

 private:
  int heldHeight() const;
  OMAnimation* graphic() const;

  OMWord getAnswerValue(OMWord buffer);
  OMWord getDroppedSound(OMWord buffer);
  OMWord setDroppedSound(OMWord text);
  OMWord getHighlighted(OMWord buffer);
  OMWord setHighlighted(OMWord text);
  OMWord getSolvedAnswerCount(OMWord buffer);
  OMWord setSolvedAnswerCount(OMWord text);
  OMWord getValue(OMWord buffer);
  OMWord setValue(OMWord text);
  OMWord playAnimation();
  OMWord stopAnimation();
  OMWord ignore(OMWord text);

  int stackTop_ = 0;
  int highlighted_ = 0;
  int solvedAnswerCount_ = -1;
  int value_ = 0;
  std::uint16_t droppedSound_ = noSound;
};
