#include "game/WorldStringField.h"

WorldStringField::WorldStringField(const char* name, int saved, int mode) : WorldField(name, saved)
{
  bindSelf(mode);
}

std::unique_ptr<WorldField> WorldStringField::clone() const
{
  auto copy = std::make_unique<WorldStringField>(name(), saved(), mode());
  copy->fromText(value_.c_str());
  return copy;
}

void WorldStringField::toText(char* buffer)
{
  copyFieldText(buffer, value_.c_str());
}

void WorldStringField::fromText(const char* text)
{
  value_ = fieldTextOf(text);
}
