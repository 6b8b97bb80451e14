#include "game/WorldIntField.h"

#include <cstdio>

WorldIntField::WorldIntField(const char* name, int saved, int mode) : WorldField(name, saved)
{
  bindSelf(mode);
}

std::unique_ptr<WorldField> WorldIntField::clone() const
{
  auto copy = std::make_unique<WorldIntField>(name(), saved(), mode());
  char text[textSize];
  std::snprintf(text, sizeof text, "%d", value_);
  copy->fromText(text);
  return copy;
}

void WorldIntField::toText(char* buffer)
{
  std::snprintf(buffer, textSize, "%d", value_);
}

void WorldIntField::fromText(const char* text)
{
  value_ = decimalValueOf(text);
}
