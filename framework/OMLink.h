#pragma once

#include <memory>

#include "framework/OMWord.h"

// The system's callback value. Holders keep their own clone of a link and drop it when done.
class OMLink {
 public:
  OMLink() = default;
  explicit OMLink(OMWord boundArgument) : boundArgument_(boundArgument) {}
  virtual ~OMLink() = default;

  // Calls the bound function with the given word.
  virtual OMWord call(OMWord argument) = 0;
  // Calls the bound function; one that takes a word receives the bound argument.
  virtual OMWord call() = 0;
  virtual std::unique_ptr<OMLink> clone() const = 0;
  virtual void setTarget(void* /*object*/) {}
  virtual void* target() const { return nullptr; }

  OMWord boundArgument() const { return boundArgument_; }

 protected:
  OMLink(const OMLink&) = default;
  OMLink& operator=(const OMLink&) = default;

 private:
  OMWord boundArgument_ = 0;
};

// Clones a link that may be null; holders store what this returns.
inline std::unique_ptr<OMLink> cloneLink(const OMLink* link)
{
  return link ? link->clone() : nullptr;
}
