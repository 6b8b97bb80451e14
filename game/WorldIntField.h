#pragma once

#include <cstdint>

#include "game/WorldField.h"

// A field holding a 32-bit number; its links read and write that number.
class WorldIntField : public WorldField {
 public:
  // Mode 2 gives both links, 1 only the getter, 0 only the setter.
  WorldIntField(const char* name, int saved, int mode);

  std::unique_ptr<WorldField> clone() const override;
  void toText(char* buffer) override;
  void fromText(const char* text) override;

  std::int32_t value() const { return value_; }

 private:
  std::int32_t value_ = 0;
};
