#include "game/WorldDataFile.h"

#include <cstring>

#include "game/WorldField.h"

bool readLine(FILE* file, char* buffer, bool* isText)
{
  // fgets rules, with a count of what was read so that a NUL byte inside shows.
  std::size_t length = 0;
  bool nul = false;
  while (length + 1 < WorldField::textSize) {
    const int c = std::getc(file);
    if (c == EOF) break;
    nul = nul || c == '\0';
    buffer[length++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  if (length == 0 || std::ferror(file)) return false;
  buffer[length] = '\0';
  const int next = std::fgetc(file);
  if (next != EOF) std::ungetc(next, file);
  if (buffer[length - 1] == '\n') buffer[length - 1] = '\0';
  if (isText) *isText = !nul;
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
