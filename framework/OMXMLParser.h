#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class OMXMLDocument;
class OMXMLElement;

// The forgiving scanner behind OMXMLDocument: it builds the tree without validating, but
// never looks past the end of its text. An unterminated comment, declaration, tag or quote
// and nesting deeper than maxDepth stop it with an error; what was read so far stays.
class OMXMLParser {
 public:
  static constexpr int maxDepth = 256;

  OMXMLParser(OMXMLDocument& document, std::string_view text) : document_(document), text_(text) {}

  // Answers false when the parse stopped on an error (see error()).
  bool parse();
  const std::string& error() const { return error_; }

 private:
  static constexpr std::size_t npos = std::string_view::npos;

  std::size_t parseDeclaration();
  std::size_t parseDocType(std::size_t from);
  // Parses content into element from position from; answers where the enclosing scan
  // resumes, or npos on error.
  std::size_t parseContent(OMXMLElement& element, std::size_t from, int depth);
  std::size_t parseStartTag(OMXMLElement& parent, std::size_t from, int depth);
  std::size_t parseAttributes(OMXMLElement& element, std::size_t from, std::size_t tagEnd);
  bool addTextTokens(OMXMLElement& element, std::size_t from, std::size_t to);

  std::size_t find(std::string_view what, std::size_t from, std::size_t limit) const;
  std::string_view slice(std::size_t from, std::size_t length) const;
  std::size_t skipSpace(std::size_t from, std::size_t limit) const;
  // The first white space at or after from that is not inside double quotes, or limit;
  // npos when a quote is still open at limit.
  std::size_t findSpaceOutsideQuotes(std::size_t from, std::size_t limit);
  std::size_t fail(const char* message, std::size_t at);

  OMXMLDocument& document_;
  std::string_view text_;
  std::string error_;
};
