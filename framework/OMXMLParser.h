#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class OMXMLDocument;
class OMXMLElement;

// The forgiving scanner behind OMXMLDocument: it builds the tree without validating, but
// never looks past the end of its text. Elements nest to any depth (the scan keeps its open
// elements in a list of its own, not on the stack), and a quote that no other closes ends
// where its scan ends. An unterminated comment, declaration or tag stops it with an error;
// what was read so far stays.
class OMXMLParser {
 public:
  OMXMLParser(OMXMLDocument& document, std::string_view text) : document_(document), text_(text) {}

  // Answers false when the parse stopped on an error (see error()).
  bool parse();
  const std::string& error() const { return error_; }

 private:
  static constexpr std::size_t npos = std::string_view::npos;

  std::size_t parseDeclaration();
  std::size_t parseDocType(std::size_t from);
  // Parses the content of the root from position from; false on error.
  bool parseContent(OMXMLElement& root, std::size_t from);
  // Parses the start tag after a "<" into a new child of parent; answers where the scan
  // goes on and, in opened, the child when its content follows. npos on error.
  std::size_t parseStartTag(OMXMLElement& parent, std::size_t from, OMXMLElement*& opened);
  void parseAttributes(OMXMLElement& element, std::size_t from, std::size_t tagEnd);
  void addTextTokens(OMXMLElement& element, std::size_t from, std::size_t to);

  std::size_t find(std::string_view what, std::size_t from, std::size_t limit) const;
  std::string_view slice(std::size_t from, std::size_t length) const;
  std::size_t skipSpace(std::size_t from, std::size_t limit) const;
  // The first white space at or after from that is not inside double quotes, or limit (also
  // when a quote is still open there).
  std::size_t findSpaceOutsideQuotes(std::size_t from, std::size_t limit) const;
  std::size_t fail(const char* message, std::size_t at);

  OMXMLDocument& document_;
  std::string_view text_;
  std::string error_;
};
