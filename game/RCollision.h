#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMWord.h"
#include "trinkets/src/OMScriptableObject.h"

class OMTrinket;

// Tells a script when the trinkets that carry two tags meet ("collision") and when they part
// again ("partition"); it watches again after each parting.
class RCollision : public OMScriptableObject {
 public:
  // Tags given to trinkets that a script names by variable start here.
  static constexpr std::int32_t firstOwnTag = 0x40000000;

  RCollision(std::int32_t tag1, std::int32_t tag2, std::int32_t distance);
  ~RCollision() override;

  static std::unique_ptr<OMScriptableObject> create();
  // A watch cannot be cloned: null.
  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

 private:
  void watch();
  OMWord collided(OMWord pair);
  OMWord parted(OMWord unused);
  // Forgets a trinket of the last pair that is being destroyed.
  void forget(OMWord trinket);
  static void forgetEverywhere(OMWord trinket);
  OMWord getName1(OMWord buffer);
  OMWord getName2(OMWord buffer);
  OMWord getTag1(OMWord buffer);
  OMWord getTag2(OMWord buffer);
  static OMWord writeName(OMWord buffer, const OMTrinket* trinket);
  static OMWord writeTag(OMWord buffer, const OMTrinket* trinket);

  // The two trinkets of the last collision; null before it and once a trinket is gone.
  OMTrinket* first_ = nullptr;
  OMTrinket* second_ = nullptr;
  std::int32_t tag1_;
  std::int32_t tag2_;
  std::int32_t distance_;
  // Expires with the object, so that a handler that dropped it is noticed.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
