#pragma once

#include <memory>

#include "framework/OMList.h"
#include "framework/OMXMLAttribute.h"
#include "framework/OMXMLString.h"

// One element of an XML tree. It owns its attributes, text tokens, comments and children;
// the lists keep document order.
class OMXMLElement {
 public:
  OMXMLElement() = default;
  explicit OMXMLElement(const char* name) : name_(name) {}
  ~OMXMLElement();
  OMXMLElement(const OMXMLElement&) = delete;
  OMXMLElement& operator=(const OMXMLElement&) = delete;

  OMXMLString& name() { return name_; }
  const OMXMLString& name() const { return name_; }
  OMXMLElement* parent() const { return parent_; }
  OMList<OMXMLAttribute>& attributes() { return attributes_; }
  const OMList<OMXMLAttribute>& attributes() const { return attributes_; }
  OMList<OMXMLString>& texts() { return texts_; }
  const OMList<OMXMLString>& texts() const { return texts_; }
  OMList<OMXMLString>& comments() { return comments_; }
  const OMList<OMXMLString>& comments() const { return comments_; }
  OMList<OMXMLElement>& children() { return children_; }
  const OMList<OMXMLElement>& children() const { return children_; }

  // The value of the first attribute of that exact name, or null.
  const char* attributeValue(const char* name) const;
  // Children first, in order, then each child's descendants, in order.
  OMXMLElement* findDescendant(const char* name) const;

  // Tree editing. The element takes ownership of what is added.
  OMXMLElement* addChild(std::unique_ptr<OMXMLElement> child);
  OMXMLElement* addChild(const char* name);
  // Unlinks this element from its parent; the caller owns it afterwards. Null for an element
  // without a parent, which stays with its owner.
  std::unique_ptr<OMXMLElement> removeFromParent();
  OMXMLAttribute* addAttribute(const char* name, const char* value);
  // Sets the first attribute of that name, adding one when there is none.
  OMXMLAttribute* setAttribute(const char* name, const char* value);
  OMXMLString* addText(const char* text);
  OMXMLString* addComment(const char* text);

 private:
  OMXMLString name_;
  OMList<OMXMLAttribute> attributes_;
  OMList<OMXMLString> texts_;
  OMList<OMXMLString> comments_;
  OMList<OMXMLElement> children_;
  OMXMLElement* parent_ = nullptr;
};
