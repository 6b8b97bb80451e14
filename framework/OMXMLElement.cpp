#include "framework/OMXMLElement.h"

OMXMLElement::~OMXMLElement()
{
  attributes_.deleteAll(1);
  texts_.deleteAll(1);
  comments_.deleteAll(1);
  // Each element is deleted after its children were taken off it, so that freeing a deep
  // tree does not recurse.
  std::vector<OMXMLElement*> doomed;
  const auto takeChildren = [&doomed](OMXMLElement& element) {
    element.children_.firstThat([&doomed](OMXMLElement* child) {
      doomed.push_back(child);
      return false;
    });
    element.children_.removeAll();
  };
  takeChildren(*this);
  while (!doomed.empty()) {
    OMXMLElement* element = doomed.back();
    doomed.pop_back();
    takeChildren(*element);
    delete element;
  }
}

const char* OMXMLElement::attributeValue(const char* name) const
{
  OMXMLAttribute* attribute =
      attributes_.firstThat([name](OMXMLAttribute* each) { return each->name.equals(name); });
  return attribute ? attribute->value.text() : nullptr;
}

OMXMLElement* OMXMLElement::findDescendant(const char* name) const
{
  // Each element's children are looked at as the walk enters it, before its subtrees.
  OMXMLElement* found = nullptr;
  walk(
      [name, &found](const OMXMLElement& element) {
        found = element.children_.firstThat(
            [name](OMXMLElement* each) { return each->name().equals(name); });
        return found == nullptr;
      },
      [](const OMXMLElement&) {});
  return found;
}

OMXMLElement* OMXMLElement::addChild(std::unique_ptr<OMXMLElement> child)
{
  if (!child) return nullptr;
  if (child->parent_) child->parent_->children_.remove(child.get());
  child->parent_ = this;
  children_.add(child.get());
  return child.release();
}

OMXMLElement* OMXMLElement::addChild(const char* name)
{
  return addChild(std::make_unique<OMXMLElement>(name));
}

std::unique_ptr<OMXMLElement> OMXMLElement::removeFromParent()
{
  // An element without a parent is a root: its owner keeps it.
  if (!parent_) return nullptr;
  parent_->children_.remove(this);
  parent_ = nullptr;
  return std::unique_ptr<OMXMLElement>(this);
}

OMXMLAttribute* OMXMLElement::addAttribute(const char* name, const char* value)
{
  auto attribute = std::make_unique<OMXMLAttribute>(name, value);
  attributes_.add(attribute.get());
  return attribute.release();
}

OMXMLAttribute* OMXMLElement::setAttribute(const char* name, const char* value)
{
  OMXMLAttribute* attribute =
      attributes_.firstThat([name](OMXMLAttribute* each) { return each->name.equals(name); });
  if (!attribute) return addAttribute(name, value);
  attribute->value.set(value);
  return attribute;
}

OMXMLString* OMXMLElement::addText(const char* text)
{
  auto token = std::make_unique<OMXMLString>(text);
  texts_.add(token.get());
  return token.release();
}

OMXMLString* OMXMLElement::addComment(const char* text)
{
  auto comment = std::make_unique<OMXMLString>(text);
  comments_.add(comment.get());
  return comment.release();
}
