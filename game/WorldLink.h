#pragma once

#include "framework/OMLink.h"

// A link to a member function of one fixed object: a field or a player record, never the
// script object whose member it becomes. Copying a world port's members to a clone retargets
// the links it holds; these keep pointing where they were made.
template <typename T>
class WorldLink final : public OMLink {
 public:
  using MemberFn = OMWord (T::*)(OMWord);

  WorldLink(T* object, MemberFn memberFn) : object_(object), memberFn_(memberFn) {}

  OMWord call(OMWord argument) override { return (object_->*memberFn_)(argument); }
  OMWord call() override { return (object_->*memberFn_)(boundArgument()); }
  std::unique_ptr<OMLink> clone() const override
  {
    return std::unique_ptr<OMLink>(new WorldLink(*this));
  }

 private:
  WorldLink(const WorldLink&) = default;

  T* object_;
  MemberFn memberFn_;
};
