#include "trinkets/src/OMScriptableObjectProperty.h"

namespace {
const char undefinedText[] = "undefined";
}

OMScriptableObjectProperty::OMScriptableObjectProperty(Kind kind, const char* name,
                                                       const OMLink* link, void* target)
    : kind_(kind), name_(name ? name : ""), link_(cloneFor(link, target))
{
}

OMScriptableObjectProperty::~OMScriptableObjectProperty() = default;

int OMScriptableObjectProperty::set(const char* /*text*/)
{
  return 0;
}

const char* OMScriptableObjectProperty::get()
{
  return undefinedText;
}

int OMScriptableObjectProperty::invoke()
{
  return 0;
}

void OMScriptableObjectProperty::replaceLink(std::unique_ptr<OMLink>& held, const OMLink* link)
{
  // Clone first: the new link may be the held one.
  std::unique_ptr<OMLink> replacement = cloneLink(link);
  held = std::move(replacement);
}

std::unique_ptr<OMLink> OMScriptableObjectProperty::cloneFor(const OMLink* link, void* target)
{
  std::unique_ptr<OMLink> copy = cloneLink(link);
  if (copy && target) copy->setTarget(target);
  return copy;
}
