#pragma once

#include <ddraw.h>

namespace omddraw {

// The IUnknown part of an object with one interface: it answers for IUnknown and its own
// identity, and deletes itself with its last reference. Derived makes this its friend.
template <typename Derived, typename Interface, const GUID& identity>
class ComObject : public Interface {
 public:
  HRESULT WINAPI QueryInterface(REFIID iid, void** out) override
  {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, identity)) return E_NOINTERFACE;
    *out = static_cast<Interface*>(this);
    AddRef();
    return DD_OK;
  }
  ULONG WINAPI AddRef() override { return ++references_; }
  ULONG WINAPI Release() override
  {
    const ULONG left = --references_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 protected:
  ComObject() = default;
  ~ComObject() = default;

 private:
  ULONG references_ = 1;
};

}  // namespace omddraw
