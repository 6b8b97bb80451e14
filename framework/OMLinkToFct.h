#pragma once

#include "framework/OMLink.h"

// Binds a plain function of one word.
class OMLinkToFct final : public OMLink {
 public:
  using Function = OMWord (*)(OMWord);

  explicit OMLinkToFct(Function function, OMWord boundWord = 0)
      : OMLink(boundWord), function_(function)
  {
  }

  OMWord call(OMWord argument) override { return function_ ? function_(argument) : 0; }
  OMWord call() override { return function_ ? function_(boundArgument()) : 0; }
  std::unique_ptr<OMLink> clone() const override
  {
    return std::unique_ptr<OMLink>(new OMLinkToFct(*this));
  }

 private:
  OMLinkToFct(const OMLinkToFct&) = default;

  Function function_ = nullptr;
};
