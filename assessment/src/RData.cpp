#include "assessment/src/RData.h"

#include <omcrt.h>

#include <cstring>

namespace {

const char freeName[] = "empty";
const char freeValue[] = " ";

// Copies a text that fits (with its NUL) and zeroes the rest, so that saves are repeatable.
bool storeText(char (&field)[RData::textSize], const char* text)
{
  const std::size_t length = text ? std::strlen(text) : 0;
  if (length >= RData::textSize) return false;
  std::memset(field, 0, sizeof field);
  if (length) std::memcpy(field, text, length);
  return true;
}

bool hasTerminator(const unsigned char* text)
{
  return std::memchr(text, 0, RData::textSize) != nullptr;
}

}  // namespace

RData::RData()
{
  storeText(name_, freeName);
  storeText(value_, freeValue);
}

bool RData::isFree() const
{
  return std::strcmp(name_, freeName) == 0;
}

void RData::setName(const char* name)
{
  if (!storeText(name_, name)) storeText(name_, freeName);
  stamp();
}

void RData::setValue(const char* value)
{
  if (!storeText(value_, value)) storeText(value_, freeValue);
  stamp();
}

void RData::clear()
{
  storeText(name_, freeName);
  storeText(value_, freeValue);
}

void RData::setCharacterAt(std::size_t position, char c)
{
  if (position >= textSize - 1) return;
  value_[position] = c;
  // What follows a NUL stays zero, so that a later character set there ends the text.
  if (c == '\0') std::memset(value_ + position, 0, textSize - position);
  stamp();
}

void RData::padWithBlanks()
{
  for (char& c : value_)
    if (c == '\0') c = ' ';
  value_[textSize - 1] = '\0';
}

void RData::writeTo(unsigned char* record) const
{
  std::memcpy(record, name_, textSize);
  std::memcpy(record + textSize, value_, textSize);
  const auto time = static_cast<std::uint32_t>(modified_);
  for (int i = 0; i < 4; ++i)
    record[2 * textSize + i] = static_cast<unsigned char>(time >> 8 * i);
}

bool RData::readFrom(const unsigned char* record)
{
  if (!hasTerminator(record) || !hasTerminator(record + textSize)) return false;
  if (std::strcmp(reinterpret_cast<const char*>(record), freeName) == 0) return false;
  storeText(name_, reinterpret_cast<const char*>(record));
  storeText(value_, reinterpret_cast<const char*>(record + textSize));
  std::uint32_t time = 0;
  for (int i = 0; i < 4; ++i)
    time |= static_cast<std::uint32_t>(record[2 * textSize + i]) << 8 * i;
  modified_ = static_cast<std::int32_t>(time);
  return true;
}

void RData::stamp()
{
  modified_ = static_cast<std::int32_t>(om_time(nullptr));
}
