#include "framework/OMXMLParser.h"

#include <cstring>
#include <memory>
#include <vector>

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
  return parseContent(*document_.root(), position);
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

std::size_t OMXMLParser::findSpaceOutsideQuotes(std::size_t from, std::size_t limit) const
{
  bool quoted = false;
  for (std::size_t i = from; i < limit; ++i) {
    if (text_[i] == '"')
      quoted = !quoted;
    else if (!quoted && isXMLSpace(text_[i]))
      return i;
  }
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
  std::size_t end = find(">", nameStart, text_.size());
  if (end == npos) return fail("unterminated DOCTYPE", start);
  const std::size_t nameEnd = findSpaceOutsideQuotes(nameStart, end);
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

void OMXMLParser::addTextTokens(OMXMLElement& element, std::size_t from, std::size_t to)
{
  std::size_t position = skipSpace(from, to);
  while (position < to) {
    const std::size_t end = findSpaceOutsideQuotes(position, to);
    element.texts().add(new OMXMLString());
    element.texts().last()->assign(text_.data() + position, int(end - position));
    position = skipSpace(end, to);
  }
}

bool OMXMLParser::parseContent(OMXMLElement& root, std::size_t from)
{
  // The elements whose content is being read, innermost last.
  std::vector<OMXMLElement*> open = {&root};
  std::size_t position = from;
  for (;;) {
    OMXMLElement& element = *open.back();
    const std::size_t tag = find("<", position, text_.size());
    // The end of the text ends every element still open.
    if (tag == npos) return true;
    addTextTokens(element, position, tag);
    if (slice(tag, 4) == "<!--") {
      const std::size_t end = find("-->", tag + 4, text_.size());
      if (end == npos) {
        fail("unterminated comment", tag);
        return false;
      }
      element.comments().add(new OMXMLString());
      element.comments().last()->assign(text_.data() + tag + 4, int(end - tag - 4));
      position = end + 3;
      continue;
    }
    if (const char* name = element.name().text(); name && slice(tag + 1, 1) == "/") {
      const std::size_t nameLength = std::strlen(name);
      if (slice(tag + 2, nameLength) == name && slice(tag + 2 + nameLength, 1) == ">") {
        position = skipSpace(tag + 3 + nameLength, text_.size());
        open.pop_back();
        continue;
      }
    }
    OMXMLElement* child = nullptr;
    position = parseStartTag(element, tag + 1, child);
    if (position == npos) return false;
    if (child) open.push_back(child);
  }
}

std::size_t OMXMLParser::parseStartTag(OMXMLElement& parent, std::size_t from,
                                       OMXMLElement*& opened)
{
  const std::size_t tagEnd = find(">", from, text_.size());
  if (tagEnd == npos) return fail("unterminated tag", from);
  OMXMLElement* child = parent.addChild(std::make_unique<OMXMLElement>());
  const std::size_t nameEnd = findSpaceOutsideQuotes(from, tagEnd);
  // A tag whose text ends in "/" has no content; that includes "<a x=\"1\" />".
  bool empty = tagEnd > from && text_[tagEnd - 1] == '/';
  if (nameEnd < tagEnd) {
    parseAttributes(*child, nameEnd, tagEnd);
    child->name().assign(text_.data() + from, int(nameEnd - from));
  } else {
    child->name().assign(text_.data() + from, int(tagEnd - from - (empty ? 1 : 0)));
  }
  if (empty) return skipSpace(tagEnd + 1, text_.size());
  opened = child;
  return tagEnd + 1;
}

void OMXMLParser::parseAttributes(OMXMLElement& element, std::size_t from, std::size_t tagEnd)
{
  std::size_t position = from;
  for (;;) {
    const std::size_t equals = find("=", position, tagEnd);
    if (equals == npos) return;
    const std::size_t valueStart = skipSpace(equals + 1, tagEnd);
    std::size_t valueEnd = findSpaceOutsideQuotes(valueStart, tagEnd);
    if (valueEnd == tagEnd && valueEnd > valueStart && text_[valueEnd - 1] == '/') --valueEnd;
    OMXMLAttribute* attribute = element.addAttribute(nullptr, nullptr);
    attribute->name.assign(text_.data() + position, int(equals - position));
    attribute->value.assign(text_.data() + valueStart, int(valueEnd - valueStart));
    position = valueEnd + 1;
  }
}
