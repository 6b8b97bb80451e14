#include "trinkets/src/rthread/YKeyword.h"

#include <cstring>

YKeyword scriptKeywords[] = {
    {opIf, "if", 0},
    {opElse, "else", 0},
    {opCall, "call", 0},
    {opFor, "for", 0},
    {opProcedureKeyword, "procedure", 0},
    {opBreak, "break", 0},
    {opContinue, "continue", 0},
    {opYield, "yield", 0},
    {opPlay, "play", 0},
    {opSet, "set", 0},
    {opGet, "get", 0},
    {opSuspend, "suspend", 0},
    {opResume, "resume", 0},
    {opDrop, "drop", 0},
    {opSchedule, "schedule", 0},
    {opIdle, "idle", 0},
    {opWait, "wait", 0},
    {opPause, "pause", 0},
    {opRelay, "relay", 0},
    {opSay, "say", 0},
    {opExit, "exit", 0},
    {opDebug, "debug", 0},
    {opQuit, "quit", 0},
    {0, nullptr, 0},
};

void initScriptKeywords()
{
  for (YKeyword* keyword = scriptKeywords; keyword->word; ++keyword) {
    keyword->length = static_cast<std::uint32_t>(std::strlen(keyword->word));
  }
}

const YKeyword* findScriptKeyword(const char* head, int length)
{
  for (const YKeyword* keyword = scriptKeywords; keyword->word; ++keyword) {
    if (static_cast<int>(keyword->length) == length &&
        std::memcmp(head, keyword->word, keyword->length) == 0) {
      return keyword;
    }
  }
  return nullptr;
}

bool isExecutableOpcode(std::uint32_t opcode)
{
  switch (opcode) {
    case opEnd:
    case opCall:
    case opProcedure:
    case opForSetUp:
    case opForTest:
    case opJumpIfFalse:
    case opJump:
    case opIfTest:
    case opBlockEnd:
    case opSay:
    case opReturn:
    case opAssign:
    case opDrop:
    case opGlobalFunction:
    case opWait:
    case opIdle:
    case opSchedule:
    case opExit:
    case opSuspend:
    case opResume:
    case opPause:
    case opDebug:
    case opSet:
    case opGet:
    case opYield:
    case opPlay:
    case opRelay:
    case opQuit:
      return true;
    default:
      return false;
  }
}
