#include "assessment/src/RData.h"

#include <omcrt.h>

#include <algorithm>
#include <cstring>
#include <string>

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

// A text field of a record as far as it is there: its text, and whether a save can have
// written it so (NUL-ended, zeros after the NUL). A field of 32 characters without a NUL keeps
// the 31 that fit; one cut short without its NUL cannot be read.
struct FieldReading {
  bool readable = false;
  bool whole = false;
  std::string text;
};

FieldReading readField(const unsigned char* field, std::size_t present)
{
  FieldReading reading;
  const auto* end = static_cast<const unsigned char*>(std::memchr(field, 0, present));
  if (!end) {
    reading.readable = present == RData::textSize;
    if (reading.readable) reading.text.assign(field, field + RData::textSize - 1);
    return reading;
  }
  reading.readable = true;
  reading.text.assign(field, end);
  reading.whole = present == RData::textSize &&
                  std::all_of(end, field + present, [](unsigned char c) { return c == 0; });
  return reading;
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

RData::Reading RData::readFrom(const unsigned char* record, std::size_t size)
{
  size = std::min(size, recordSize);
  const FieldReading name = readField(record, std::min(size, textSize));
  const FieldReading value =
      size > textSize ? readField(record + textSize, std::min(size - textSize, textSize))
                      : FieldReading();
  if (!name.readable || !value.readable || name.text == freeName) return Reading::unreadable;
  storeText(name_, name.text.c_str());
  storeText(value_, value.text.c_str());
  // A time cut short is no time.
  std::uint32_t time = 0;
  for (std::size_t i = 0; i < 4 && size == recordSize; ++i)
    time |= static_cast<std::uint32_t>(record[2 * textSize + i]) << 8 * i;
  modified_ = static_cast<std::int32_t>(time);
  return name.whole && value.whole && size == recordSize ? Reading::whole : Reading::salvaged;
}

void RData::stamp()
{
  modified_ = static_cast<std::int32_t>(om_time(nullptr));
}
