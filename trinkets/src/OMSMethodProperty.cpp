#include "trinkets/src/OMSMethodProperty.h"

#include "trinkets/src/OMSParameter.h"

OMSMethodProperty::OMSMethodProperty(const char* name, const OMLink* link, void* target)
    : OMScriptableObjectProperty(method, name, link, target)
{
}

std::unique_ptr<OMScriptableObjectProperty> OMSMethodProperty::clone(
    OMScriptableObject* newOwner) const
{
  return std::make_unique<OMSMethodProperty>(name(), link(), newOwner);
}

int OMSMethodProperty::invoke()
{
  if (!link()) return 0;
  rewindScriptArgs();
  return link()->call() ? 1 : 0;
}
