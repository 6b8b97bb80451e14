#pragma once

#include "trinkets/src/OMScriptableObjectProperty.h"

// What an event's copy link receives when the object is cloned: the new event's handler link
// and the new owner, so that whoever connected the handler can take over the copy.
struct OMSEventCopy {
  OMLink* handler;
  OMScriptableObject* owner;
};

// An event: one connected handler link, called without argument when the event is raised, and
// one copy link.
class OMSEventProperty : public OMScriptableObjectProperty {
 public:
  explicit OMSEventProperty(const char* name);

  std::unique_ptr<OMScriptableObjectProperty> clone(OMScriptableObject* newOwner) const override;
  // Raises the event: 1 when the handler was called; 0 when none is connected or while a
  // setter or method runs by name.
  int invoke() override;
  int raise() { return invoke(); }

  void connect(const OMLink* handler, const OMLink* copy);
  OMLink* copyLink() const { return copyLink_.get(); }

 private:
  std::unique_ptr<OMLink> copyLink_;
};
