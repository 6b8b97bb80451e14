#pragma once

#include "framework/OMLink.h"

// Binds a plain function of one word to a fixed word. Callers that pass a word of their own
// (a finished job, a loaded stream) still reach the function with the bound one, so a
// completion can find its record by that word.
class OMLinkToBoundFct final : public OMLink {
 public:
  using Function = OMWord (*)(OMWord);

  OMLinkToBoundFct(Function function, OMWord boundWord) : OMLink(boundWord), function_(function) {}

  OMWord call(OMWord /*argument*/) override { return call(); }
  OMWord call() override { return function_ ? function_(boundArgument()) : 0; }
  std::unique_ptr<OMLink> clone() const override
  {
    return std::unique_ptr<OMLink>(new OMLinkToBoundFct(*this));
  }

 private:
  OMLinkToBoundFct(const OMLinkToBoundFct&) = default;

  Function function_ = nullptr;
};
