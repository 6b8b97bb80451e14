#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/OMLink.h"

class OMScriptableObject;

// One named member of a scriptable object. Callbacks live in links; the entry keeps clones.
// Member names are compared case-sensitively.
class OMScriptableObjectProperty {
 public:
  enum Kind : std::uint32_t { dataProperty = 0, event = 1, method = 2 };

  virtual ~OMScriptableObjectProperty();
  OMScriptableObjectProperty(const OMScriptableObjectProperty&) = delete;
  OMScriptableObjectProperty& operator=(const OMScriptableObjectProperty&) = delete;

  // A copy of the entry for another object; links that belong to the object are retargeted.
  virtual std::unique_ptr<OMScriptableObjectProperty> clone(OMScriptableObject* newOwner) const = 0;
  // Each answers 1 on success and 0 when this kind of entry does not take the operation.
  virtual int set(const char* text);
  virtual const char* get();
  virtual int invoke();

  Kind kind() const { return kind_; }
  const char* name() const { return name_.c_str(); }
  OMLink* link() const { return link_.get(); }
  // Frees the held link and keeps a clone of the given one (null clears).
  void setLink(const OMLink* link) { replaceLink(link_, link); }

  // The one routine by which every holder replaces a link it owns.
  static void replaceLink(std::unique_ptr<OMLink>& held, const OMLink* link);
  // A clone of the link, pointed at the target when one is given.
  static std::unique_ptr<OMLink> cloneFor(const OMLink* link, void* target);

 protected:
  OMScriptableObjectProperty(Kind kind, const char* name, const OMLink* link, void* target);

 private:
  Kind kind_;
  // Kept as a copy, so that a member outlives the text it was named with.
  std::string name_;
  std::unique_ptr<OMLink> link_;
};
