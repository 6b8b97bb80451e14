#include "framework/OMXMLCursor.h"

#include "framework/OMXMLDocument.h"

OMXMLElement* OMXMLCursor::find(const char* name)
{
  if (!current_) return nullptr;
  const bool isRoot = document_ && current_ == document_->root();
  if (!isRoot && current_->name().equals(name)) return current_;
  OMXMLElement* found = current_->findDescendant(name);
  if (!found) return nullptr;
  current_ = found;
  return found;
}
