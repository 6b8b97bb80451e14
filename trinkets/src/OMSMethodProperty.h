#pragma once

#include "trinkets/src/OMScriptableObjectProperty.h"

// A method: its link is called without argument after the argument stack is rewound, and pops
// its arguments itself. It reports success with a non-zero result.
class OMSMethodProperty : public OMScriptableObjectProperty {
 public:
  OMSMethodProperty(const char* name, const OMLink* link, void* target = nullptr);

  std::unique_ptr<OMScriptableObjectProperty> clone(OMScriptableObject* newOwner) const override;
  int invoke() override;
};
