#pragma once

#include <cstdint>

// One word of the script language with the opcode it stands for in the table. The table ends
// with an entry without a word.
struct YKeyword {
  std::uint32_t opcode;
  const char* word;
  std::uint32_t length;
};

extern YKeyword scriptKeywords[];
// Fills in the lengths from the words; done once before the first compilation.
void initScriptKeywords();
// The keyword that the head word is, or null.
const YKeyword* findScriptKeyword(const char* head, int length);

// Opcodes of the compiled form.
enum YOpcode : std::uint32_t {
  opEnd = 0,
  opIf = 1,
  opFor = 2,
  opBreak = 3,
  opProcedureKeyword = 4,
  opContinue = 5,
  opCall = 6,
  opProcedure = 7,
  opForSetUp = 8,
  opForTest = 9,
  opJumpIfFalse = 10,
  opJump = 11,
  opIfTest = 12,
  opBlockEnd = 13,
  opSay = 14,
  opReturn = 15,
  opElse = 17,
  opAssign = 18,
  opDrop = 19,
  opGlobalFunction = 21,
  opWait = 22,
  opIdle = 23,
  opSchedule = 24,
  opExit = 25,
  opSuspend = 26,
  opResume = 27,
  opPause = 28,
  opDebug = 29,
  opSet = 35,
  opGet = 36,
  opYield = 37,
  opPlay = 40,
  opRelay = 45,
  opQuit = 46,
};

// Whether a compiled instruction may carry this opcode.
bool isExecutableOpcode(std::uint32_t opcode);
