#pragma once

#include <memory>
#include <vector>

#include "framework/OMList.h"
#include "framework/OMListLocator.h"
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
  // Walks the subtree depth first without recursion, so that a tree of any depth is safe:
  // enter (element) before an element's children, leave (element) after them. The walk stops
  // when enter answers false.
  template <typename Enter, typename Leave>
  void walk(Enter&& enter, Leave&& leave) const;

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

template <typename Enter, typename Leave>
void OMXMLElement::walk(Enter&& enter, Leave&& leave) const
{
  using Children = OMListLocator<OMXMLElement>;
  // A locator only reads the list it walks.
  const auto childrenOf = [](const OMXMLElement& element) {
    return Children(const_cast<OMList<OMXMLElement>&>(element.children_));
  };
  if (!enter(*this)) return;
  std::vector<std::pair<const OMXMLElement*, Children>> open;
  open.emplace_back(this, childrenOf(*this));
  while (!open.empty()) {
    const OMXMLElement* child = open.back().second.current();
    if (!child) {
      leave(*open.back().first);
      open.pop_back();
      continue;
    }
    open.back().second.next();
    if (!enter(*child)) return;
    open.emplace_back(child, childrenOf(*child));
  }
}
