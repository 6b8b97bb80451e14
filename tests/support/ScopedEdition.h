#pragma once

#include "framework/OMEdition.h"

// Runs a test in one edition and puts the previous one back afterwards.
class ScopedEdition {
 public:
  explicit ScopedEdition(OMEdition::Kind edition) : previous_(OMEdition::current())
  {
    OMEdition::set(edition);
  }
  ~ScopedEdition() { OMEdition::set(previous_); }
  ScopedEdition(const ScopedEdition&) = delete;
  ScopedEdition& operator=(const ScopedEdition&) = delete;

 private:
  OMEdition::Kind previous_;
};
