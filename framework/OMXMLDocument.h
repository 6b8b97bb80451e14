#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "framework/OMXMLCursor.h"
#include "framework/OMXMLElement.h"
#include "framework/OMXMLString.h"

class OMIStream;

// A small XML document: an unnamed root whose children are the top-level elements, the
// declaration's version and standalone flag, and an optional DOCTYPE. The document is its
// own cursor, starting at the root.
class OMXMLDocument : public OMXMLCursor {
 public:
  // The program's way from a resource id to a stream (whole = 1); null when not installed.
  using ResourceOpener = OMIStream* (*)(int resourceId, int whole);

  OMXMLDocument();
  // Reads the stream from its position to the end; with deleteStream the document deletes
  // it afterwards.
  OMXMLDocument(OMIStream* stream, int deleteStream);
  // Through the resource opener; empty without one.
  explicit OMXMLDocument(int resourceId);
  // Empty when the file does not exist.
  explicit OMXMLDocument(const char* fileName);
  ~OMXMLDocument();
  OMXMLDocument(const OMXMLDocument&) = delete;
  OMXMLDocument& operator=(const OMXMLDocument&) = delete;

  static void setResourceOpener(ResourceOpener opener);
  static ResourceOpener resourceOpener();

  OMXMLElement* root() const { return root_.get(); }
  OMXMLString& version() { return version_; }
  OMXMLString& docTypeName() { return docTypeName_; }
  const char* docTypeText() const { return docTypeText_ ? docTypeText_->c_str() : nullptr; }
  int standalone() const { return standalone_; }
  void setStandalone(int standalone) { standalone_ = standalone; }
  // Length -1 = up to the terminator; null clears.
  void setDocType(const char* text, int length);

  // Replaces the tree with the one read from text. False when the text ended the parse
  // with an error; the tree then holds what was read before it.
  bool parse(const char* text, std::size_t length);
  // Why the last parse stopped early, or null.
  const char* error() const { return error_.empty() ? nullptr : error_.c_str(); }

  // Writes the document as text; false when the file cannot be created.
  bool write(const char* fileName) const;
  // The same into an open file, left open; false when a write failed.
  bool write(std::FILE* file) const;

 private:
  void reset();
  void parseStream(OMIStream* stream);
  void writeElement(std::FILE* file, const OMXMLElement& element) const;

  std::unique_ptr<OMXMLElement> root_;
  OMXMLString version_;
  OMXMLString docTypeName_;
  std::optional<std::string> docTypeText_;
  int standalone_ = 1;
  std::string error_;
};
