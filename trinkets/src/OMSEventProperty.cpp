#include "trinkets/src/OMSEventProperty.h"

#include "trinkets/src/OMScriptableObject.h"

OMSEventProperty::OMSEventProperty(const char* name)
    : OMScriptableObjectProperty(event, name, nullptr, nullptr)
{
}

std::unique_ptr<OMScriptableObjectProperty> OMSEventProperty::clone(
    OMScriptableObject* newOwner) const
{
  auto copy = std::make_unique<OMSEventProperty>(name());
  // The handler belongs to whoever connected it, not to the object: it is not retargeted.
  copy->setLink(link());
  if (copyLink_) {
    OMSEventCopy pair{copy->link(), newOwner};
    copyLink_->call(reinterpret_cast<OMWord>(&pair));
  }
  return copy;
}

int OMSEventProperty::invoke()
{
  if (!link()) return 0;
  if (OMScriptableObject::isInByNameCall()) return 0;
  link()->call();
  return 1;
}

void OMSEventProperty::connect(const OMLink* handler, const OMLink* copy)
{
  setLink(handler);
  replaceLink(copyLink_, copy);
}
