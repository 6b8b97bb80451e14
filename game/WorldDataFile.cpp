#include "game/WorldDataFile.h"

#include <cstring>

#include "game/WorldField.h"

bool readLine(FILE* file, char* buffer)
{
  if (!std::fgets(buffer, static_cast<int>(WorldField::textSize), file)) return false;
  const int next = std::fgetc(file);
  if (next != EOF) std::ungetc(next, file);
  const std::size_t length = std::strlen(buffer);
  if (length > 0 && buffer[length - 1] == '\n') buffer[length - 1] = '\0';
  return true;
}

bool writeLine(FILE* file, const char* text)
{
  char line[WorldField::textSize];
  copyFieldText(line, text);
  for (char* at = line; *at; ++at) {
    if (*at == '\n' || *at == '\r') *at = ' ';
  }
  return std::fputs(line, file) >= 0 && std::fputc('\n', file) != EOF;
}

void putLittleEndian(unsigned char* bytes, std::int32_t value)
{
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
}

std::int32_t getLittleEndian(const unsigned char* bytes)
{
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i)
    bits |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  return static_cast<std::int32_t>(bits);
}
