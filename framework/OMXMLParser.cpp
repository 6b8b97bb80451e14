#include "framework/OMXMLParser.h"

#include <cstring>
#include <memory>

#include "framework/OMXMLDocument.h"

namespace {

bool isXMLSpace(char c)
{
  return c == '\n' || c == '\t' || c == '\r' || c == ' ';
}

}  // namespace

bool OMXMLParser::parse()
{
  std::size_t position = parseDeclaration();
  if (position == npos) return false;
  position = parseDocType(position);
  if (position == npos) return false;
  return parseContent(*document_.root(), position, 0) != npos;
}

std::size_t OMXMLParser::find(std::string_view what, std::size_t from, std::size_t limit) const
{
  if (from >= limit) return npos;
  const std::size_t found = text_.substr(0, limit).find(what, from);
  return found;
}

std::string_view OMXMLParser::slice(std::size_t from, std::size_t length) const
{
  if (from > text_.size()) return {};
  return text_.substr(from, length);
}

std::size_t OMXMLParser::skipSpace(std::size_t from, std::size_t limit) const
{
  while (from < limit && isXMLSpace(text_[from]))
    ++from;
  return from;
}

std::size_t OMXMLParser::findSpaceOutsideQuotes(std::size_t from, std::size_t limit)
{
  bool quoted = false;
  for (std::size_t i = from; i < limit; ++i) {
    if (text_[i] == '"')
      quoted = !quoted;
    else if (!quoted && isXMLSpace(text_[i]))
      return i;
  }
  if (quoted) return fail("unterminated quote", from);
  return limit;
}

std::size_t OMXMLParser::fail(const char* message, std::size_t at)
{
  if (error_.empty()) error_ = std::string(message) + " at offset " + std::to_string(at);
  return npos;
}

std::size_t OMXMLParser::parseDeclaration()
{
  const std::size_t start = find("<?xml", 0, text_.size());
  if (start == npos) return 0;
  std::size_t end = find("?>", start, text_.size());
  std::size_t resume = end == npos ? npos : end + 2;
  if (end == npos) {
    end = find(">", start, text_.size());
    if (end == npos) return fail("unterminated XML declaration", start);
    resume = end + 1;
  }
  const std::size_t version = find("version", start, end);
  if (version != npos) {
    const std::size_t equals = find("=", version, end);
    if (equals != npos) {
      const std::size_t valueStart = skipSpace(equals + 1, end);
      const std::size_t valueEnd = findSpaceOutsideQuotes(valueStart, end);
      if (valueEnd == npos) return npos;
      document_.version().assign(text_.data() + valueStart, int(valueEnd - valueStart));
    }
  }
  const std::size_t standalone = find("standalone", start, end);
  if (standalone != npos) {
    const std::size_t equals = find("=", standalone, end);
    if (equals != npos) {
      const std::size_t valueStart = skipSpace(equals + 1, end);
      char value[5] = {};
      const std::size_t available = end - valueStart;
      std::memcpy(value, text_.data() + valueStart, available < 4 ? available : 4);
      // "yes" compares greater than "no", as the declaration's users expect.
      document_.setStandalone(std::strncmp(value, "\"no\"", 4) > 0 ? 1 : 0);
    }
  }
  return resume;
}

std::size_t OMXMLParser::parseDocType(std::size_t from)
{
  const std::size_t start = find("<!DOCTYPE ", from, text_.size());
  if (start == npos) return from;
  const std::size_t nameStart = skipSpace(start + 10, text_.size());
  const std::size_t nameEnd = findSpaceOutsideQuotes(nameStart, text_.size());
  if (nameEnd == npos) return npos;
  std::size_t end = find(">", nameEnd, text_.size());
  if (end == npos) return fail("unterminated DOCTYPE", start);
  const std::size_t bracket = find("[", nameEnd, end);
  if (bracket != npos) {
    int open = 0;
    std::size_t close = npos;
    for (std::size_t i = bracket; i < text_.size() && close == npos; ++i) {
      if (text_[i] == '[') ++open;
      if (text_[i] == ']' && --open == 0) close = i;
    }
    if (close == npos) return fail("unterminated DOCTYPE", start);
    end = find(">", close, text_.size());
    if (end == npos) return fail("unterminated DOCTYPE", start);
  }
  document_.docTypeName().assign(text_.data() + nameStart, int(nameEnd - nameStart));
  // The writer puts one blank after the name; skipping it keeps the text stable.
  const std::size_t textStart = skipSpace(nameEnd, end);
  document_.setDocType(text_.data() + textStart, int(end - textStart));
  document_.setStandalone(0);
  return end + 1;
}

bool OMXMLParser::addTextTokens(OMXMLElement& element, std::size_t from, std::size_t to)
{
  std::size_t position = skipSpace(from, to);
  while (position < to) {
    const std::size_t end = findSpaceOutsideQuotes(position, to);
    if (end == npos) return false;
    element.texts().add(new OMXMLString());
    element.texts().last()->assign(text_.data() + position, int(end - position));
    position = skipSpace(end, to);
  }
  return true;
}

std::size_t OMXMLParser::parseContent(OMXMLElement& element, std::size_t from, int depth)
{
  const char* name = element.name().text();
  std::size_t position = from;
  for (;;) {
    const std::size_t open = find("<", position, text_.size());
    if (open == npos) return text_.size();
    if (!addTextTokens(element, position, open)) return npos;
    if (slice(open, 4) == "<!--") {
      const std::size_t end = find("-->", open + 4, text_.size());
      if (end == npos) return fail("unterminated comment", open);
      element.comments().add(new OMXMLString());
      element.comments().last()->assign(text_.data() + open + 4, int(end - open - 4));
      position = end + 3;
      continue;
    }
    if (name && slice(open + 1, 1) == "/") {
      const std::size_t nameLength = std::strlen(name);
      if (slice(open + 2, nameLength) == name && slice(open + 2 + nameLength, 1) == ">")
        return skipSpace(open + 3 + nameLength, text_.size());
    }
    position = parseStartTag(element, open + 1, depth);
    if (position == npos) return npos;
  }
}

std::size_t OMXMLParser::parseStartTag(OMXMLElement& parent, std::size_t from, int depth)
{
  if (depth >= maxDepth) return fail("elements nested too deeply", from);
  const std::size_t tagEnd = find(">", from, text_.size());
  if (tagEnd == npos) return fail("unterminated tag", from);
  OMXMLElement* child = parent.addChild(std::make_unique<OMXMLElement>());
  const std::size_t nameEnd = findSpaceOutsideQuotes(from, tagEnd);
  if (nameEnd == npos) return npos;
  // A tag whose text ends in "/" has no content; that includes "<a x=\"1\" />".
  bool empty = tagEnd > from && text_[tagEnd - 1] == '/';
  if (nameEnd < tagEnd) {
    if (parseAttributes(*child, nameEnd, tagEnd) == npos) return npos;
    child->name().assign(text_.data() + from, int(nameEnd - from));
  } else {
    child->name().assign(text_.data() + from, int(tagEnd - from - (empty ? 1 : 0)));
  }
  if (empty) return skipSpace(tagEnd + 1, text_.size());
  return parseContent(*child, tagEnd + 1, depth + 1);
}

std::size_t OMXMLParser::parseAttributes(OMXMLElement& element, std::size_t from,
                                         std::size_t tagEnd)
{
  std::size_t position = from;
  for (;;) {
    const std::size_t equals = find("=", position, tagEnd);
    if (equals == npos) return position;
    const std::size_t valueStart = skipSpace(equals + 1, tagEnd);
    std::size_t valueEnd = findSpaceOutsideQuotes(valueStart, tagEnd);
    if (valueEnd == npos) return npos;
    if (valueEnd == tagEnd && valueEnd > valueStart && text_[valueEnd - 1] == '/') --valueEnd;
    OMXMLAttribute* attribute = element.addAttribute(nullptr, nullptr);
    attribute->name.assign(text_.data() + position, int(equals - position));
    attribute->value.assign(text_.data() + valueStart, int(valueEnd - valueStart));
    position = valueEnd + 1;
  }
}
