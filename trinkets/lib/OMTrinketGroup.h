#pragma once

#include "framework/OMList.h"
#include "framework/OMRect.h"
#include "trinkets/src/OMTrinket.h"

// A trinket that carries member trinkets: they move with it and die with it.
class OMTrinketGroup : public OMTrinket {
 public:
  OMTrinketGroup(const OMRect& rect, OMTrinketWindow* host);
  ~OMTrinketGroup() override;

  void offset(int& dx, int& dy) override;

  // The group takes the trinket over; it is no longer kept inside the host while dragged.
  virtual void addMember(OMTrinket* trinket);
  // Lets the trinket go without deleting it.
  void removeMember(OMTrinket* trinket);
  bool hasMember(const OMTrinket* trinket) const { return members_.contains(trinket); }
  bool carries(const OMTrinket* trinket) const override;
  OMList<OMTrinket>& members() { return members_; }
  const OMRect& frameRect() const { return frameRect_; }

 protected:
  // Deletes every member still alive.
  void deleteMembers();

 private:
  OMRect frameRect_;
  OMList<OMTrinket> members_;
};
