#pragma once

// C library calls that the Windows C library has and the host's lacks, and the stdio entry
// points that take Windows paths. Engine code opens files with om_fopen (and removes and
// renames them with om_remove/om_rename) wherever it would call fopen/remove/rename on a
// Windows path; on a Windows build these names are the library's own.
#include <cstdio>
#include <ctime>

FILE* om_fopen(const char* path, const char* mode);
// As the Windows C library opens a file in text mode: reading turns CR LF into LF, and
// writing ("w", "a", with or without "t") turns LF into CR LF, so that the file reads as one
// made on Windows. Update ("+") and binary ("b") modes are om_fopen's.
FILE* om_fopen_text(const char* path, const char* mode);
int om_remove(const char* path);
int om_rename(const char* oldPath, const char* newPath);
// The low-level handle under a stream, for _commit; -1 for a stream without one.
int _fileno(FILE* stream);

// The host's signals that ask the program to end (SIGTERM, SIGINT, SIGHUP): a program catches
// them so that the first is a close request to its window and a second one ends its session.
void om_catchExitSignals();
// The number of the last such signal, 0 when none came; a lost display counts as SIGHUP.
int om_exitSignal();
// Called first by a program that makes no window (the setup launcher): it runs on the
// headless host whatever the display, since it has nothing to show and must not stop for the
// want of a display.
void om_runWithoutWindow();

int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, std::size_t count);
char* _itoa(int value, char* buffer, int radix);

// rand/srand follow the Windows C library's generator (state * 214013 + 2531011, answer
// (state >> 16) & 0x7FFF), and clock() counts milliseconds since the program started (on a
// manual or stepping clock, the clock's time): the host's CLOCKS_PER_SEC does not apply to it.

// The C library's time() on the platform clock: the real time, or, on a manual or stepping
// clock, 1,000,000,000 plus the clock's seconds, so that stamps and seeds repeat from run to
// run. Stores the answer through out when it is not null.
std::time_t om_time(std::time_t* out);
