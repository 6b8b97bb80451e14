#include "game/WorldField.h"

#include <climits>
#include <cstring>

#include "game/WorldLink.h"

WorldField::WorldField(const char* name, const OMLink* setter, const OMLink* getter, int saved)
    : name_(name ? name : ""), saved_(saved), getter_(cloneLink(getter)), setter_(cloneLink(setter))
{
}

WorldField::WorldField(const char* name, int saved) : name_(name ? name : ""), saved_(saved) {}

WorldField::~WorldField() = default;

std::unique_ptr<WorldField> WorldField::clone() const
{
  return std::make_unique<WorldField>(name(), setter(), getter(), saved());
}

void WorldField::toText(char* buffer)
{
  if (getter_) getter_->call(reinterpret_cast<OMWord>(buffer));
}

void WorldField::fromText(const char* text)
{
  if (setter_ && text) setter_->call(reinterpret_cast<OMWord>(text));
}

void WorldField::bindSelf(int mode)
{
  if (mode == readWrite || mode == readOnly)
    getter_ = std::make_unique<WorldLink<WorldField>>(this, &WorldField::getByLink);
  if (mode == readWrite || mode == writeOnly)
    setter_ = std::make_unique<WorldLink<WorldField>>(this, &WorldField::setByLink);
}

int WorldField::mode() const
{
  if (getter_ && setter_) return readWrite;
  return getter_ ? readOnly : writeOnly;
}

OMWord WorldField::getByLink(OMWord buffer)
{
  toText(reinterpret_cast<char*>(buffer));
  return 1;
}

OMWord WorldField::setByLink(OMWord text)
{
  fromText(reinterpret_cast<const char*>(text));
  return 1;
}

WorldField* findWorldField(const OMList<WorldField>& fields, const char* name)
{
  if (!name) return nullptr;
  return fields.firstThat(
      [name](WorldField* field) { return std::strcmp(field->name(), name) == 0; });
}

void copyFieldText(char* buffer, const char* text)
{
  const std::size_t length = text ? strnlen(text, WorldField::maxTextLength) : 0;
  if (length) std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

std::string fieldTextOf(const char* text)
{
  return text ? std::string(text, strnlen(text, WorldField::maxTextLength)) : std::string();
}

int decimalValueOf(const char* text)
{
  if (!text) return 0;
  while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
    ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}
