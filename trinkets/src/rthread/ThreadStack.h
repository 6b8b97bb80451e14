#pragma once

#include <cstdio>
#include <string>
#include <vector>

class YThread;

// An entry of the script stack: the script a thread returns to after a called script exits.
struct ThreadStack {
  std::string name;
};

// An entry of the include stack: the including file and where its compilation resumes.
struct IncludeThreadStack {
  std::string name;
  std::size_t position;
};

void pushScriptStack(const char* name);
void clearScriptStack();
const std::vector<ThreadStack>& scriptStack();
// Pops the last entry and has the thread load and start it; with an empty stack the thread
// unloads its script.
void returnToPreviousScript(YThread* thread);
// One line per entry, first to last; reading pushes every blank-separated word.
void writeScriptStack(std::FILE* file);
void readScriptStack(std::FILE* file);

std::vector<IncludeThreadStack>& includeStack();

// The name of the file being compiled (at most 167 characters).
constexpr std::size_t currentFileNameLimit = 167;
const std::string& currentScriptFile();
void setCurrentScriptFile(const char* name);
