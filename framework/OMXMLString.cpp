#include "framework/OMXMLString.h"

#include <cstring>
#include <string_view>

namespace {

bool isXMLSpace(char c)
{
  return c == '\n' || c == '\t' || c == '\r' || c == ' ';
}

struct Entity {
  std::string_view text;
  char replacement;
};

constexpr Entity entities[] = {
    {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}, {"amp;", '&'},
};

// Decodes the entity after an "&" at source[at]; answers the characters consumed after it.
std::size_t decodeEntity(std::string_view source, std::size_t at, std::string& out)
{
  const std::string_view rest = source.substr(at);
  for (const Entity& entity : entities) {
    if (rest.substr(0, entity.text.size()) == entity.text) {
      out.push_back(entity.replacement);
      return entity.text.size();
    }
  }
  // An unknown "&" is dropped and what follows is ordinary text.
  return 0;
}

}  // namespace

bool OMXMLString::equals(const char* text) const
{
  return value_ && text && *value_ == text;
}

void OMXMLString::set(const char* text)
{
  if (text)
    value_ = text;
  else
    value_.reset();
}

void OMXMLString::assign(const char* text, int length)
{
  if (!text) {
    value_.reset();
    return;
  }
  const std::string_view source(text, length < 0 ? std::strlen(text) : std::size_t(length));
  std::string out;
  out.reserve(source.size());
  bool quoted = false;
  for (std::size_t i = 0; i < source.size();) {
    const char c = source[i++];
    if (c == '"') {
      quoted = !quoted;
    } else if (c == '&') {
      i += decodeEntity(source, i, out);
    } else if (!quoted && isXMLSpace(c)) {
      if (!out.empty()) out.push_back(' ');
      while (i < source.size() && isXMLSpace(source[i]))
        ++i;
    } else {
      out.push_back(c);
    }
  }
  while (!out.empty() && out.back() == ' ')
    out.pop_back();
  value_ = std::move(out);
}
