#include "trinkets/src/OMScriptableObject.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "trinkets/src/OMSDataProperty.h"
#include "trinkets/src/OMSEventProperty.h"
#include "trinkets/src/OMSMethodProperty.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

const char bornText[] = "born";
const char defaultText[] = "default";

constexpr unsigned maskOf(OMScriptableObjectProperty::Kind kind)
{
  return 1u << kind;
}
constexpr unsigned anyKind = 7;

char sharedResultBuffer[OMScriptableObject::resultBufferSize];

}  // namespace

int OMScriptableObject::byNameCallFlag_ = 0;
OMScriptableObject* OMScriptableObject::current_ = nullptr;

OMScriptableObject::OMScriptableObject()
{
  addEvent(bornText);
}

OMScriptableObject::OMScriptableObject(const OMScriptableObject& /*other*/) : OMScriptableObject()
{
}

OMScriptableObject::~OMScriptableObject()
{
  members_.deleteAll(1);
  completionLink_.reset();
  // The interpreter reads the current object later; it must not find a dead one.
  if (current_ == this) current_ = nullptr;
}

void OMScriptableObject::stateText(char* /*buffer*/, std::size_t /*size*/) const {}

char* OMScriptableObject::resultBuffer()
{
  return sharedResultBuffer;
}

OMWord OMScriptableObject::writeNumber(OMWord buffer, int value)
{
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%d", value);
  return 1;
}

OMWord OMScriptableObject::writeText(OMWord buffer, const char* text)
{
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%s", text ? text : "");
  return 1;
}

void OMScriptableObject::addProperty(const char* name, const OMLink* setter, const OMLink* getter)
{
  addMember(std::make_unique<OMSDataProperty>(name, setter, getter));
}

void OMScriptableObject::addMethod(const char* name, const OMLink* link)
{
  addMember(std::make_unique<OMSMethodProperty>(name, link));
}

void OMScriptableObject::addDefaultMethod(const OMLink* link)
{
  addMethod(defaultText, link);
}

void OMScriptableObject::addEvent(const char* name)
{
  addMember(std::make_unique<OMSEventProperty>(name));
}

void OMScriptableObject::addMember(std::unique_ptr<OMScriptableObjectProperty> entry)
{
  if (!entry) return;
  removeMember(entry->name());
  members_.add(entry.release());
}

void OMScriptableObject::removeMember(const char* name)
{
  OMScriptableObjectProperty* entry = findMember(name, anyKind);
  if (!entry) return;
  members_.remove(entry);
  delete entry;
}

OMScriptableObjectProperty* OMScriptableObject::findMember(const char* name) const
{
  return findMember(name, anyKind);
}

OMScriptableObjectProperty* OMScriptableObject::findMember(const char* name,
                                                           unsigned kindMask) const
{
  if (!name) return nullptr;
  return members_.firstThat([name, kindMask](OMScriptableObjectProperty* entry) {
    return (maskOf(entry->kind()) & kindMask) && std::strcmp(entry->name(), name) == 0;
  });
}

int OMScriptableObject::setProperty(const char* name, const char* value)
{
  rewindScriptArgs();
  OMScriptableObjectProperty* entry = findMember(name, anyKind);
  if (!entry) return 0;
  byNameCallFlag_ = 1;
  const int result = entry->set(value);
  // Cleared, not restored: an outer by-name call delivers events again from here on.
  byNameCallFlag_ = 0;
  return result;
}

const char* OMScriptableObject::getProperty(const char* name)
{
  rewindScriptArgs();
  OMScriptableObjectProperty* entry =
      findMember(name, maskOf(OMScriptableObjectProperty::dataProperty));
  return entry ? entry->get() : nullptr;
}

int OMScriptableObject::callMethod(const char* name, const char* first, ...)
{
  if (!first || first[0] != scriptArgTerminator[0]) {
    clearScriptArgs();
    va_list arguments;
    va_start(arguments, first);
    for (const char* argument = first; argument && argument[0] != scriptArgTerminator[0];
         argument = va_arg(arguments, const char*)) {
      pushScriptArg(argument);
    }
    va_end(arguments);
  }
  OMScriptableObjectProperty* entry = findMember(name, maskOf(OMScriptableObjectProperty::method));
  if (!entry) return 0;
  byNameCallFlag_ = 1;
  const int result = entry->invoke();
  byNameCallFlag_ = 0;
  return result;
}

int OMScriptableObject::raise(const char* name)
{
  OMScriptableObjectProperty* entry = findMember(name, maskOf(OMScriptableObjectProperty::event));
  return entry ? entry->invoke() : 0;
}

int OMScriptableObject::connect(const char* name, const OMLink* handler, const OMLink* copy)
{
  auto* event =
      static_cast<OMSEventProperty*>(findMember(name, maskOf(OMScriptableObjectProperty::event)));
  if (!event) return 0;
  event->connect(handler, copy);
  return 1;
}

void OMScriptableObject::copyMembers(OMScriptableObject* target) const
{
  if (!target || target == this) return;
  members_.firstThat([target](OMScriptableObjectProperty* entry) {
    target->addMember(entry->clone(target));
    return false;
  });
  target->className_ = className_;
  current_ = target;
  if (className_ && findTrinketClass(className_)) {
    if (OMLink* classLink = currentTrinketRecord()->classLink()) classLink->call();
  }
}

void OMScriptableObject::bindClass(const char* className)
{
  current_ = this;
  if (!className || className_ || !findTrinketClass(className)) return;
  TrinketRecord* record = currentTrinketRecord();
  registerMembers();
  className_ = record->className();
  if (OMLink* classLink = record->classLink()) classLink->call();
}

void OMScriptableObject::setCompletionLink(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(completionLink_, link);
}

void OMScriptableObject::fireCompletion()
{
  if (!completionLink_) return;
  // Dropped before the call, so that the code it runs may install a new one.
  std::unique_ptr<OMLink> link = completionLink_->clone();
  completionLink_.reset();
  link->call();
}
