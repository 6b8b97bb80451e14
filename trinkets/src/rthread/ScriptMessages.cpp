#include "trinkets/src/rthread/ScriptMessages.h"

#include <windows.h>

#include <cstdio>

#include "framework/OMProgramEnd.h"

namespace {

ScriptAlertHandler alertHandler = nullptr;
ScriptExitHandler exitHandler = nullptr;

constexpr UINT alertFlags = MB_TASKMODAL | MB_SYSTEMMODAL;
const char alertTitle[] = "Alert";

}  // namespace

void setScriptAlertHandler(ScriptAlertHandler handler)
{
  alertHandler = handler;
}
void setScriptExitHandler(ScriptExitHandler handler)
{
  exitHandler = handler;
}

void scriptAlert(const char* text)
{
  if (alertHandler) {
    alertHandler(text);
    return;
  }
  MessageBoxA(nullptr, text, alertTitle, alertFlags);
}

void scriptFatal(const char* text)
{
  scriptAlert(text);
  if (exitHandler) {
    exitHandler(1);
    return;
  }
  OMProgramEnd::request(1);
}

void reportScriptFault(const std::string& script, long line, const std::string& lineText,
                       const std::string& what)
{
  if (line > 0) {
    std::fprintf(stderr, "%s line %ld: \"%s\": %s\n", script.c_str(), line, lineText.c_str(),
                 what.c_str());
  } else {
    std::fprintf(stderr, "%s: %s\n", script.c_str(), what.c_str());
  }
}

void debugLog(const char* text)
{
  std::FILE* file = om_fopen("debug.txt", "at");
  if (!file) return;
  std::fprintf(file, "%s\n", text);
  std::fclose(file);
}
