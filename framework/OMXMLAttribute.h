#pragma once

#include "framework/OMXMLString.h"

// One name="value" pair of a start tag.
class OMXMLAttribute {
 public:
  OMXMLAttribute() = default;
  OMXMLAttribute(const char* name, const char* value) : name(name), value(value) {}

  OMXMLString name;
  OMXMLString value;
};
