#pragma once

class OMXMLDocument;
class OMXMLElement;

// A position in a document's tree.
class OMXMLCursor {
 public:
  OMXMLCursor(OMXMLDocument* document, OMXMLElement* current)
      : document_(document), current_(current)
  {
  }

  OMXMLDocument* document() const { return document_; }
  OMXMLElement* current() const { return current_; }
  void setCurrent(OMXMLElement* element) { current_ = element; }

  // Stays on a current element (other than the root) of that name; otherwise moves to the
  // first descendant of that name. Null, and no move, when there is none.
  OMXMLElement* find(const char* name);

 private:
  OMXMLDocument* document_ = nullptr;
  OMXMLElement* current_ = nullptr;
};
