#pragma once

// The script engine's messages to the user and its debug log.
//
// Messages are alert boxes. Until the message box of the platform is in place they go to one
// handler that tests can replace; by default they are written to standard error.
using ScriptAlertHandler = void (*)(const char* text);
using ScriptExitHandler = void (*)(int code);

void scriptAlert(const char* text);
// An alert after which the program ends with code 1 (a script that cannot be loaded). When a
// test has replaced the exit, the call returns and the caller fails the load.
void scriptFatal(const char* text);
void setScriptAlertHandler(ScriptAlertHandler handler);
void setScriptExitHandler(ScriptExitHandler handler);

// Appends the text and a line end to "debug.txt" in the current folder; a log that cannot be
// opened drops the line.
void debugLog(const char* text);
