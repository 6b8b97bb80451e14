#pragma once

#include <string>

// The script engine's messages to the user and its debug log.
//
// Messages are alert boxes: task- and system-modal message boxes titled "Alert". They go
// through one handler that tests can replace. Until the application object exists there is
// no frame window, so the boxes have no owner.
using ScriptAlertHandler = void (*)(const char* text);
using ScriptExitHandler = void (*)(int code);

void scriptAlert(const char* text);
// An alert after which the program ends with code 1 (a script that cannot be loaded): the
// call returns, the caller fails the load, and the program ends through its main loop's own
// ending. A test may replace the exit.
void scriptFatal(const char* text);
void setScriptAlertHandler(ScriptAlertHandler handler);
void setScriptExitHandler(ScriptExitHandler handler);
// Standard error's account of a fault in a script, for the person who mends it: the script,
// the line's number and text (a line of 0: none), and what is wrong. Every compile error of
// either program is reported here.
void reportScriptFault(const std::string& script, long line, const std::string& lineText,
                       const std::string& what);

// Appends the text and a line end to "debug.txt" in the current folder; a log that cannot be
// opened drops the line.
void debugLog(const char* text);
