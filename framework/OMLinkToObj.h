#pragma once

#include "framework/OMLink.h"

// Binds a member function of T to a target object. A virtual member function runs the
// override of the target's own class.
template <typename T>
class OMLinkToObj final : public OMLink {
 public:
  using MemberFn = OMWord (T::*)();
  using MemberFnWithArg = OMWord (T::*)(OMWord);

  OMLinkToObj(T* target, MemberFn memberFn) : target_(target), memberFn_(memberFn) {}
  OMLinkToObj(T* target, MemberFnWithArg memberFnWithArg, OMWord boundArgument)
      : OMLink(boundArgument), target_(target), memberFnWithArg_(memberFnWithArg)
  {
  }

  OMWord call(OMWord argument) override { return invoke(argument); }
  OMWord call() override { return invoke(boundArgument()); }
  std::unique_ptr<OMLink> clone() const override
  {
    return std::unique_ptr<OMLink>(new OMLinkToObj(*this));
  }
  void setTarget(void* object) override { target_ = static_cast<T*>(object); }
  void* target() const override { return target_; }

 private:
  OMLinkToObj(const OMLinkToObj&) = default;

  OMWord invoke(OMWord argument)
  {
    if (!target_) return 0;
    if (memberFn_) return (target_->*memberFn_)();
    if (memberFnWithArg_) return (target_->*memberFnWithArg_)(argument);
    return 0;
  }

  T* target_ = nullptr;
  MemberFn memberFn_ = nullptr;
  MemberFnWithArg memberFnWithArg_ = nullptr;
};
