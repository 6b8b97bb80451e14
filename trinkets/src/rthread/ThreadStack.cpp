#include "trinkets/src/rthread/ThreadStack.h"

#include "trinkets/src/rthread/YThread.h"

namespace {

std::vector<ThreadStack> scripts;
std::vector<IncludeThreadStack> includes;
std::string currentFile;

}  // namespace

void pushScriptStack(const char* name)
{
  scripts.push_back({name ? name : ""});
}

void clearScriptStack()
{
  scripts.clear();
}

const std::vector<ThreadStack>& scriptStack()
{
  return scripts;
}

std::vector<IncludeThreadStack>& includeStack()
{
  return includes;
}

void returnToPreviousScript(YThread* thread)
{
  if (!thread) return;
  if (scripts.empty()) {
    thread->unload();
    return;
  }
  const std::string name = scripts.back().name;
  scripts.pop_back();
  if (thread->load(name.c_str())) thread->start();
}

void writeScriptStack(std::FILE* file)
{
  if (!file) return;
  for (const ThreadStack& entry : scripts)
    std::fprintf(file, "%s\n", entry.name.c_str());
}

void readScriptStack(std::FILE* file)
{
  if (!file) return;
  char word[256];
  while (std::fscanf(file, "%255s", word) == 1)
    pushScriptStack(word);
}

const std::string& currentScriptFile()
{
  return currentFile;
}

void setCurrentScriptFile(const char* name)
{
  currentFile.assign(name ? name : "");
  if (currentFile.size() > currentFileNameLimit) currentFile.resize(currentFileNameLimit);
}
