#pragma once

#include <windef.h>

namespace omgdi {

// Base of every object behind an HGDIOBJ. A kind of object (region, bitmap, pen, brush, font,
// palette) derives from it and passes its OBJ_ kind; the handle table owns the objects and
// answers GetObjectType and DeleteObject for all kinds alike.
//
// To add a kind: derive from GdiObject, create the object with
// GdiObjectTable::instance().add(std::make_unique<MyObject>(...)), look it up with
// GdiObjectTable::instance().find<MyObject>(handle, OBJ_MYKIND). Override canDelete() when
// the object must survive DeleteObject at times (a stock object always does).
class GdiObject {
 public:
  explicit GdiObject(DWORD kind) : kind_(kind) {}
  virtual ~GdiObject() = default;
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  DWORD kind() const { return kind_; }

  // Stock objects are never destroyed; DeleteObject on them succeeds and does nothing.
  bool isStock() const { return stock_; }
  void markStock() { stock_ = true; }

  // False while the object may not be deleted (for example while a device context holds it);
  // DeleteObject then fails and leaves it alone.
  virtual bool canDelete() const { return true; }

 private:
  DWORD kind_;
  bool stock_ = false;
};

}  // namespace omgdi
