// Starting other programs (WinExec, ShellExecuteA), help and the file dialogs. A host program
// or script runs directly; a Windows ".EXE" runs through wine when it is installed.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <shellapi.h>
#include <windows.h>

#include "platform/src/kernel/Codepage.h"
#include "platform/src/kernel/WindowsPaths.h"

extern char** environ;

namespace {

constexpr UINT kStarted = 33;

// The command line's words: double quotes group, as Windows splits them.
std::vector<std::string> splitCommandLine(const std::string& line)
{
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool inWord = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

bool startsWithMz(const std::string& hostPath)
{
  FILE* file = std::fopen(hostPath.c_str(), "rb");
  if (!file) return false;
  char magic[2] = {};
  const bool mz = std::fread(magic, 1, 2, file) == 2 && magic[0] == 'M' && magic[1] == 'Z';
  std::fclose(file);
  return mz;
}

std::string findOnPath(const char* program)
{
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    auto end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string candidate = folders.substr(start, end - start) + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// Starts the program; the child is reaped in the background. Answers a Windows value.
UINT spawn(std::vector<std::string> arguments, const std::string& hostFolder)
{
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!hostFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, hostFolder.c_str());
  std::vector<char*> argv;
  for (auto& argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  const int error = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return error == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_BAD_FORMAT;
  std::thread([child] { ::waitpid(child, nullptr, 0); }).detach();
  return kStarted;
}

UINT startProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& hostFolder)
{
  const auto host = omwin::hostPathFor(program);
  if (!host) return ERROR_PATH_NOT_FOUND;
  struct stat status;
  if (::stat(host->c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return ERROR_FILE_NOT_FOUND;
  std::vector<std::string> command;
  if (startsWithMz(*host)) {
    const std::string wine = findOnPath("wine");
    if (wine.empty()) return ERROR_BAD_FORMAT;
    command = {wine, *host};
  } else if (::access(host->c_str(), X_OK) == 0) {
    command = {*host};
  } else {
    return ERROR_BAD_FORMAT;
  }
  for (const auto& argument : arguments)
    command.push_back(omwin::cp1252ToUtf8(argument));
  return spawn(std::move(command), hostFolder);
}

}  // namespace

UINT WinExec(LPCSTR commandLine, UINT)
{
  if (!commandLine) return ERROR_FILE_NOT_FOUND;
  auto words = splitCommandLine(commandLine);
  if (words.empty()) return ERROR_FILE_NOT_FOUND;
  const std::string program = words.front();
  words.erase(words.begin());
  return startProgram(program, words, "");
}

HINSTANCE ShellExecuteA(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT)
{
  auto answer = [](UINT value) {
    return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(value));
  };
  if (!file || !*file) return answer(ERROR_FILE_NOT_FOUND);
  if (verb && *verb && std::strcmp(verb, "open") != 0) return answer(31);  // no association
  std::string hostFolder;
  std::string program = file;
  if (directory && *directory) {
    const auto folder = omwin::hostPathFor(directory);
    if (!folder) return answer(ERROR_PATH_NOT_FOUND);
    hostFolder = *folder;
    // A bare file name is looked for in the working folder.
    if (program.find_first_of("\\/:") == std::string::npos)
      program = std::string(directory) + "\\" + program;
  }
  return answer(startProgram(program, splitCommandLine(parameters ? parameters : ""), hostFolder));
}

BOOL WinHelpA(HWND, LPCSTR helpFile, UINT command, ULONG_PTR data)
{
  std::string topic;
  if (command == HELP_KEY && data) topic = reinterpret_cast<const char*>(data);
  std::fprintf(stderr, "WinHelp: file \"%s\", command 0x%X%s%s%s\n",
               omwin::cp1252ToUtf8(helpFile ? helpFile : "").c_str(), command,
               topic.empty() ? "" : ", key \"", omwin::cp1252ToUtf8(topic).c_str(),
               topic.empty() ? "" : "\"");
  return TRUE;
}
