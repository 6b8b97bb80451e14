#pragma once

#include <memory>

#include <wingdi.h>

namespace omgdi {

// Base of every object behind a GDI handle. The handle is the object's address; the handle
// table owns the objects and answers whether a handle is alive.
class GdiObject {
 public:
  explicit GdiObject(DWORD type) : type_(type) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  virtual ~GdiObject() = default;

  DWORD type() const { return type_; }
  bool isStock() const { return stock_; }
  void markStock() { stock_ = true; }

  // A selected object must outlive its selection: deleting it only marks it, and the last
  // deselection deletes it.
  void retain() { ++selections_; }
  bool release() { return --selections_ == 0 && deletePending_; }
  bool isSelected() const { return selections_ > 0; }
  void markDeletePending() { deletePending_ = true; }

 private:
  DWORD type_;
  bool stock_ = false;
  bool deletePending_ = false;
  int selections_ = 0;
};

HGDIOBJ registerObject(std::unique_ptr<GdiObject> object);
GdiObject* lookupObject(HGDIOBJ handle);
// Deletes the object now (no checks); the handle dies with it.
void destroyObject(HGDIOBJ handle);

template <class T>
T* lookup(HGDIOBJ handle, DWORD type)
{
  GdiObject* object = lookupObject(handle);
  if (object == nullptr || object->type() != type) return nullptr;
  return static_cast<T*>(object);
}

inline HGDIOBJ handleOf(const GdiObject* object)
{
  return const_cast<GdiObject*>(object);
}

// Selection bookkeeping: retain the new object, release the old (deleting it when its
// deletion was asked for while it was selected).
void retainObject(HGDIOBJ handle);
void releaseObject(HGDIOBJ handle);

}  // namespace omgdi
