#include "trinkets/lib/OMTrinketGroup.h"

#include "trinkets/src/OMTrinketWindow.h"

OMTrinketGroup::OMTrinketGroup(const OMRect& rect, OMTrinketWindow* host)
    : OMTrinket(host, 2), frameRect_(rect)
{
}

OMTrinketGroup::~OMTrinketGroup()
{
  deleteMembers();
}

void OMTrinketGroup::deleteMembers()
{
  // A member the host deleted before the group (the host deletes its whole list) has left
  // the host's list already.
  while (OMTrinket* member = members_.first()) {
    members_.remove(member);
    if (!window() || window()->trinkets().contains(member)) delete member;
  }
}

void OMTrinketGroup::offset(int& dx, int& dy)
{
  OMTrinket::offset(dx, dy);
  // The members go as far as the group went.
  members_.forEach([dx, dy](OMTrinket* member) {
    int mx = dx, my = dy;
    member->offset(mx, my);
  });
}

void OMTrinketGroup::addMember(OMTrinket* trinket)
{
  if (!trinket) return;
  trinket->setConfined(0);
  members_.add(trinket);
}

bool OMTrinketGroup::carries(const OMTrinket* trinket) const
{
  return trinket && members_.firstThat([trinket](OMTrinket* member) {
    return member == trinket || member->carries(trinket);
  }) != nullptr;
}

void OMTrinketGroup::removeMember(OMTrinket* trinket)
{
  members_.remove(trinket);
}
