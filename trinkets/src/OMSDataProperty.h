#pragma once

#include "trinkets/src/OMScriptableObjectProperty.h"

// A data property: the setter link is called with the value text, the getter link with the
// shared result buffer, into which it writes its text. Either may be missing (read-only or
// write-only). A link reports success with a non-zero result.
class OMSDataProperty : public OMScriptableObjectProperty {
 public:
  OMSDataProperty(const char* name, const OMLink* setter, const OMLink* getter,
                  void* target = nullptr);

  std::unique_ptr<OMScriptableObjectProperty> clone(OMScriptableObject* newOwner) const override;
  int set(const char* text) override;
  const char* get() override;

  OMLink* getter() const { return getter_.get(); }

 private:
  std::unique_ptr<OMLink> getter_;
};
