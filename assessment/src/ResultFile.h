#pragma once

#include <cstdint>

class DescriptorFile;
struct SkillAreaSet;

// The result file that the main program reads: one text line "group level" per skill area.
// It is written to a temporary file beside it and put in its place when closed, so that a
// crash never leaves half a file. A file that cannot be made, or a short write, ends the
// program as a broken assertion; one that cannot be finished or put in place keeps the old
// file, and the user is told why, and that the main program will read the old one.
void resultFileCreate(const char* name);
// resultFileCreate without the assertion: false (errno says why) when the file cannot be made.
bool resultFileOpen(const char* name);
void resultFileWrite(int a, int b);
void resultFileClose();
// 1 when the file opens for reading, else 0.
int resultFileExists(const char* name);
void resultFileRemove(const char* name);
// Reads up to 50 pairs of numbers, a pair a line; resultFileValue(i) is the second number of
// pair i, or 0 past the table or for a pair whose first number is 0.
void resultFileRead(const char* name);
int resultFileValue(int i);

// The level a skill area earns from its sets' results: its only set's (1 when never asked),
// else 3 when at least 76 percent were right at level 3, 1 when fewer than 76 percent were
// right at all, 2 otherwise.
std::int32_t skillAreaLevel(const SkillAreaSet& area);
// Stores each skill area's level (groups 1 to 29) and writes them to the file that the
// descriptor's "DataFile" names; a file that cannot be made is said and ends the program with
// status 1. Without a skill area of those groups the file is left as it was, and standard
// error says why.
void writeAssessmentResults(DescriptorFile& descriptor);
