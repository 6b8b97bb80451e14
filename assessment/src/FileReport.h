#pragma once

#include <string>

// What the program says when one of its files cannot be read or written: the file by its
// Windows path and by the host file it stands for, what went wrong, and what to do. Each text
// is said once a run: on standard error, and in a message box once the program has its frame
// window (before that, and headless without one, standard error is all there is).
namespace filereport {

// The host file that a Windows path stands for through the drive table (a relative path is
// taken from the current folder), with the names of the folders and file that exist as the
// disk spells them; the path itself when no folder is mapped to its drive.
std::string hostPathOf(const std::string& windowsPath);

// "<windows path> (<host path>)": a file named inside a description.
std::string named(const std::string& windowsPath);

// "<windows path> (<host path>): <problem>. <advice>"
std::string describe(const std::string& windowsPath, const std::string& problem,
                     const std::string& advice);

// Says the description; false when the same text was said before in this run.
bool report(const std::string& windowsPath, const std::string& problem, const std::string& advice);

// Says the description as report does, in a message box even before the program has its frame
// window (that box is all a user sees of a program that stops at its start), and ends the
// program with status 1 through its one saving road: the main loop stops at the end of its
// pass, or does not start.
void reportAndStop(const std::string& windowsPath, const std::string& problem,
                   const std::string& advice);

// What an error number of the C library says about a file, in words: "it is a folder", ...
std::string reasonOf(int error);

// Forgets what was said (tests, and a new run in the same process).
void forgetReports();

}  // namespace filereport
