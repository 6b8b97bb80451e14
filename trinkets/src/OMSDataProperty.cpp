#include "trinkets/src/OMSDataProperty.h"

#include "trinkets/src/OMScriptableObject.h"

OMSDataProperty::OMSDataProperty(const char* name, const OMLink* setter, const OMLink* getter,
                                 void* target)
    : OMScriptableObjectProperty(dataProperty, name, setter, target),
      getter_(cloneFor(getter, target))
{
}

std::unique_ptr<OMScriptableObjectProperty> OMSDataProperty::clone(
    OMScriptableObject* newOwner) const
{
  return std::make_unique<OMSDataProperty>(name(), link(), getter(), newOwner);
}

int OMSDataProperty::set(const char* text)
{
  if (!link() || !text) return 0;
  return link()->call(reinterpret_cast<OMWord>(text)) ? 1 : 0;
}

const char* OMSDataProperty::get()
{
  char* buffer = OMScriptableObject::resultBuffer();
  if (getter_) {
    getter_->call(reinterpret_cast<OMWord>(buffer));
    // A getter may not leave the buffer unterminated.
    buffer[OMScriptableObject::resultBufferSize - 1] = '\0';
  }
  return buffer;
}
