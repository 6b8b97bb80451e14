#pragma once

#include <string>

#include "game/WorldField.h"

// A field holding a text; its links read and write that text.
class WorldStringField : public WorldField {
 public:
  // Mode 2 gives both links, 1 only the getter, 0 only the setter.
  WorldStringField(const char* name, int saved, int mode);

  std::unique_ptr<WorldField> clone() const override;
  // Gives at most textSize - 1 bytes: the buffer is the limit.
  void toText(char* buffer) override;
  void fromText(const char* text) override;

  const std::string& value() const { return value_; }

 private:
  std::string value_;
};
