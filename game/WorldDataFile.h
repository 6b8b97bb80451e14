#pragma once

#include <cstdint>
#include <cstdio>

// Line access to the player data file, which is always opened in binary mode: a line ends with
// one line feed.

// Reads at most 1023 bytes of one line into a buffer of 1024 (a longer line goes on at the next
// call) and drops its line feed. It then looks one byte ahead, so that the end-of-file state is
// set as soon as the last line has been read. At the end of the file nothing is read, the
// buffer keeps what it held, and the answer is false. With isText, says whether the line was
// text: no written line holds a NUL byte, so one that does is raw bytes read out of step.
bool readLine(FILE* file, char* buffer, bool* isText = nullptr);
// Writes the text as one line: line feeds and carriage returns become blanks, and the text is
// cut at WorldField::maxTextLength bytes, so that it reads back as the same one line. False when
// the write failed.
bool writeLine(FILE* file, const char* text);

// Integers in the file are 32-bit little-endian on every host.
void putLittleEndian(unsigned char* bytes, std::int32_t value);
std::int32_t getLittleEndian(const unsigned char* bytes);
