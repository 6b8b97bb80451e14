#pragma once

#include <cstddef>
#include <memory>

#include "framework/OMLink.h"
#include "framework/OMList.h"
#include "trinkets/src/OMScriptableObjectProperty.h"

// The root of every object a script can see. Each object keeps its own list of named members
// (data properties, events, methods), and scripts reach them only by name. Values cross this
// interface as text; method arguments travel on the script argument stack (OMSParameter.h).
//
// Member links are retargeted with setTarget when members are copied to a clone, so a class
// that binds its members to itself must have OMScriptableObject as its first base.
class OMScriptableObject {
 public:
  static constexpr std::size_t resultBufferSize = 1024;

  OMScriptableObject();
  // A copy starts as a new object: members come over with copyMembers.
  OMScriptableObject(const OMScriptableObject& other);
  OMScriptableObject& operator=(const OMScriptableObject&) = delete;
  virtual ~OMScriptableObject();

  // A copy made with the class's copy constructor, followed by copyMembers into it.
  virtual std::unique_ptr<OMScriptableObject> clone() const = 0;
  // Writes the object's state as text; nothing here.
  virtual void stateText(char* buffer, std::size_t size) const;
  // Declares the class's members, after calling the base class's.
  virtual void registerMembers() = 0;

  // Registration: each entry stores clones of the links it is given; a member of the same
  // name, of any kind, is replaced.
  void addProperty(const char* name, const OMLink* setter, const OMLink* getter);
  void addMethod(const char* name, const OMLink* link);
  void addDefaultMethod(const OMLink* link);
  void addEvent(const char* name);
  void addMember(std::unique_ptr<OMScriptableObjectProperty> entry);
  void removeMember(const char* name);
  void addProperty(const char* name, const OMLink& setter, const OMLink& getter)
  {
    addProperty(name, &setter, &getter);
  }
  // A read-only property.
  void addProperty(const char* name, std::nullptr_t, const OMLink& getter)
  {
    addProperty(name, nullptr, &getter);
  }
  void addMethod(const char* name, const OMLink& link) { addMethod(name, &link); }

  // By-name dispatch. Set and call answer 1 when the member ran and reported success, else 0;
  // get answers null when there is no data property of that name; the text lives in the
  // shared result buffer until the next get.
  int setProperty(const char* name, const char* value);
  const char* getProperty(const char* name);
  // The arguments are texts ending with scriptArgTerminator. When the first one is the
  // terminator, the argument stack is used as the caller prepared it.
  int callMethod(const char* name, const char* first, ...);
  int raise(const char* name);
  // Replaces the event's handler and copy links by clones (null clears); non-zero when the
  // event exists.
  int connect(const char* name, const OMLink* handler, const OMLink* copy);

  // Gives the target clones of this object's members and this object's class.
  void copyMembers(OMScriptableObject* target) const;
  // Binds the object to a class of the registry, once: members, class name, class link.
  void bindClass(const char* className);

  // The completion link fires at most once: firing drops it before it runs.
  void setCompletionLink(const OMLink* link);
  void fireCompletion();
  OMLink* completionLink() const { return completionLink_.get(); }

  const char* className() const { return className_; }
  void setClassName(const char* className) { className_ = className; }
  OMScriptableObjectProperty* findMember(const char* name) const;
  const OMList<OMScriptableObjectProperty>& members() const { return members_; }

  // Shared state of the object model.
  static char* resultBuffer();
  // True while setProperty runs a setter or callMethod a method: events are then not
  // delivered. One word for the program: a nested call clears it when it ends.
  static bool isInByNameCall() { return byNameCallFlag_ != 0; }
  // The object most recently bound by bindClass or given members by copyMembers.
  static OMScriptableObject* current() { return current_; }

 protected:
  // A property getter's answer in the result buffer: "%d" of the value, or a copy of the
  // text (null reads empty), cut to the buffer.
  static OMWord writeNumber(OMWord buffer, int value);
  static OMWord writeText(OMWord buffer, const char* text);

 private:
  OMScriptableObjectProperty* findMember(const char* name, unsigned kindMask) const;

  // Entries are owned by the object; the list holds raw pointers as every OMList does.
  OMList<OMScriptableObjectProperty> members_;
  std::unique_ptr<OMLink> completionLink_;
  // Points at the class record's name; not a copy.
  const char* className_ = nullptr;

  static int byNameCallFlag_;
  static OMScriptableObject* current_;
};
