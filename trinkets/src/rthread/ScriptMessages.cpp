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

void debugLog(const char* text)
{
  std::FILE* file = om_fopen("debug.txt", "at");
  if (!file) return;
  std::fprintf(file, "%s\n", text);
  std::fclose(file);
}
