#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "framework/OMEditionAssert.h"
#include "trinkets/src/rthread/ScriptMessages.h"
#include "trinkets/src/rthread/ThreadStack.h"
#include "trinkets/src/rthread/YExpression.h"
#include "trinkets/src/rthread/YKeyword.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

// Nesting of blocks and bodies; deeper sources are refused rather than exhausting the stack.
constexpr int nestingLimit = 1000;
constexpr int includeDepthLimit = 16;
constexpr std::int16_t breakPlaceholder = -1;     // 65535
constexpr std::int16_t continuePlaceholder = -2;  // 65534
const char includeWord[] = "include ";

bool beginsLiteral(char c)
{
  return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == '"' || c == '\'' ||
         c == '?';
}

}  // namespace

void YThread::compileError(int code)
{
  if (!error_) error_ = code;
}

bool YThread::compile()
{
  initScriptKeywords();
  code_.clear();
  codeLines_.clear();
  codeFiles_.clear();
  operands_.clear();
  code_.reserve(256);
  operands_ = {0, 1, 2};
  error_ = 0;
  fatalText_.clear();
  stackTop_ = 0;
  nesting_ = 0;
  loopNesting_ = 0;
  ifEnd_ = -1;
  compiling_ = true;
  while (compileStatement()) {
  }
  if (error_ == 0 && stackTop_ == 0) reportTextAfterStrayBracket();
  compiling_ = false;
  includeStack().clear();
  if (error_ == 0 && stackTop_ == 0) {
    code_.push_back({opEnd, 0});
    code_.shrink_to_fit();
    operands_.shrink_to_fit();
    source_.clear();
    source_.shrink_to_fit();
    loaded_ = 1;
    pc_ = 0;
    callSite_ = Place{};
    return true;
  }
  return reportCompileError();
}

long YThread::lineAt(std::size_t position)
{
  if (position < countedPos_) {
    countedPos_ = 0;
    countedLine_ = 1;
  }
  for (; countedPos_ < position && countedPos_ < source_.size(); ++countedPos_) {
    if (source_[countedPos_] == '\r') ++countedLine_;
  }
  return countedLine_;
}

YThread::Place YThread::placeAt(std::int32_t instruction) const
{
  const auto at = static_cast<std::size_t>(instruction);
  if (instruction < 0 || at >= codeLines_.size() || codeFiles_.empty()) return {name_, 0};
  auto file = codeFiles_.begin();
  while (std::next(file) != codeFiles_.end() && std::next(file)->first <= at)
    ++file;
  return {file->second, static_cast<long>(codeLines_[at])};
}

std::string YThread::placeOf(std::int32_t instruction) const
{
  const Place place = placeAt(instruction);
  return place.line ? place.file + " line " + std::to_string(place.line) : place.file;
}

void YThread::reportFaultAt(const Place& place, const std::string& problem) const
{
  reportScriptFault(place.file, place.line, sourceLine(place.file, place.line), problem);
}

namespace {

// What the compiler wanted where it stopped, in words for the person who wrote the script.
const char* expectedAt(int error)
{
  switch (error) {
    case YThread::errorUnquoted:
      return "the closing quote before the end of the line";
    case YThread::errorCapacity:
      return "a shorter script: it holds more statements or operands than a script may";
    case YThread::errorStructure:
      return "a statement that belongs here (\"else\" right after an \"if\" block, \"break\" "
             "and \"continue\" inside a loop, \"]\" closing an open block, an include file "
             "that exists)";
    case expressionParentheses:
      return "parentheses and quotes that close";
    case expressionLength:
      return "an operand of 1 to 1023 characters";
    case expressionMissingOperand:
      return "an operand";
    case 0:
      return "\"]\" closing the block opened before";
    default:
      return "a statement";
  }
}

}  // namespace

void YThread::sayCompileProblem(std::size_t at, const std::string& problem)
{
  std::size_t lineStart = at == 0 ? 0 : source_.rfind('\r', at - 1) + 1;
  // The line feed of a carriage return and line feed belongs to the line before.
  if (lineStart > 0 && lineStart < source_.size() && source_[lineStart] == '\n') ++lineStart;
  const std::size_t lineEnd = std::min(source_.find('\r', lineStart), source_.size());
  reportScriptFault(currentScriptFile(), lineAt(at), source_.substr(lineStart, lineEnd - lineStart),
                    problem);
}

void YThread::reportTextAfterStrayBracket()
{
  if (pos_ == 0 || pos_ > source_.size() || source_[pos_ - 1] != ']') return;
  // Blanks and comments after it lose nothing.
  for (std::size_t at = pos_; at < source_.size() && source_[at] != '\0';) {
    if (source_[at] == ';') {
      while (at < source_.size() && source_[at] != '\r' && source_[at] != '\0')
        ++at;
      continue;
    }
    if (static_cast<unsigned char>(source_[at]) > 32) {
      sayCompileProblem(pos_ - 1,
                        "expected a \"[\" before this \"]\", which ends the script here: the lines "
                        "after it are not compiled");
      return;
    }
    ++at;
  }
}

// The alert keeps its short form; standard error names the script, the line and its text,
// and what was wanted.
bool YThread::reportCompileError()
{
  std::size_t at = errorPos_ < source_.size() ? errorPos_ : source_.size();
  const long line = lineAt(at);
  std::string shown;
  for (std::size_t i = at; i < source_.size() && shown.size() < 50 && source_[i] != '\0'; ++i) {
    shown += source_[i];
  }
  sayCompileProblem(at, error_ == errorFatal ? fatalText_
                                             : std::string("expected ") + expectedAt(error_));
  // The load that ended the program has shown its own alert.
  if (error_ != errorFatal) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%ld: ", line);
    scriptAlert((prefix + shown).c_str());
  }
  source_.clear();
  code_.clear();
  operands_.clear();
  stackTop_ = 0;
  loaded_ = 0;
  return false;
}

bool YThread::skipBlanks(bool operandMode)
{
  for (;;) {
    const signed char c = static_cast<signed char>(source_[pos_]);
    if (c == 0) return false;
    if (operandMode && c == '\r') return false;
    if (c <= 32 || c == 127) {
      ++pos_;
      continue;
    }
    return c >= 33 && c <= 126;
  }
}

int YThread::readToken(bool headMode, std::size_t& start)
{
  start = pos_;
  char quote = 0;
  for (;;) {
    const unsigned char c = static_cast<unsigned char>(source_[pos_]);
    if (quote) {
      if (c < 32) {
        char message[64];
        std::snprintf(message, sizeof message, "Unquote %.24s...", source_.c_str() + errorPos_);
        scriptAlert(message);
        compileError(errorUnquoted);
        return 0;
      }
      if (c == static_cast<unsigned char>(quote)) quote = 0;
      ++pos_;
      continue;
    }
    if (c < 32) return static_cast<int>(pos_ - start);
    if (c == ' ' || c >= 127 || (headMode && c == '=')) {
      const int length = static_cast<int>(pos_ - start);
      ++pos_;
      return length;
    }
    if (c == '"' || c == '\'') quote = static_cast<char>(c);
    ++pos_;
  }
}

int YThread::nextToken(std::size_t& start)
{
  // The error position is where reading began, before the blanks.
  errorPos_ = pos_;
  skipBlanks(true);
  start = pos_;
  const char c = source_[pos_];
  if (c == '\0') return 0;
  if (c == ';') {
    errorPos_ = pos_;
    while (source_[pos_] != '\r' && source_[pos_] != '\0')
      ++pos_;
    if (source_[pos_] == '\r') ++pos_;
    return static_cast<int>(pos_ - start);
  }
  if (c == '\r' || c == '[' || c == ']') {
    ++pos_;
    return 1;
  }
  return readToken(false, start);
}

bool YThread::pushOperandWord(std::uint16_t word)
{
  if (static_cast<int>(operands_.size()) >= operandCapacity) {
    compileError(errorCapacity);
    return false;
  }
  operands_.push_back(word);
  return true;
}

void YThread::emit(std::uint32_t opcode, std::int32_t operand)
{
  if (static_cast<int>(code_.size()) >= instructionCapacity) {
    compileError(errorCapacity);
    return;
  }
  if (operand == 0) operand = static_cast<std::int32_t>(operands_.size());
  code_.push_back({opcode, static_cast<std::int16_t>(operand)});
  codeLines_.push_back(static_cast<std::uint32_t>(lineAt(errorPos_)));
  if (codeFiles_.empty() || codeFiles_.back().second != currentScriptFile())
    codeFiles_.emplace_back(code_.size() - 1, currentScriptFile());
}

int YThread::internOperand(const char* token, int length)
{
  YCompiledExpression compiled;
  if (int error = compileExpression(token, length, compiled)) {
    compileError(error);
    return -1;
  }
  int index;
  if (compiled.code.empty() || compiled.code[0] != 's') {
    // One operand; an operand word of operators only stands for the integer 0.
    index = compiled.operands.size() == 1 ? compiled.operands[0] : scriptVariables.add("0", 1);
  } else {
    index = scriptVariables.findOrAddKind(token, length, YVariable::expression);
  }
  if (index < 0 || index >= YVariableTable::indexLimit) {
    compileError(errorCapacity);
    return -1;
  }
  return index;
}

void YThread::emitOperands()
{
  for (;;) {
    if (error_) return;
    std::size_t start = 0;
    const int length = nextToken(start);
    const char c = source_[start];
    if (length == 0 && c == '\0') break;
    if (length == 0) return;  // an error in the token
    if (c == '\r' && length == 1) break;
    // A comment after the words ends the statement.
    if (c == ';') break;
    const int index = internOperand(source_.c_str() + start, length);
    if (index < 0) return;
    if (!pushOperandWord(static_cast<std::uint16_t>(index))) return;
  }
  pushOperandWord(endOfRun);
}

bool YThread::pushBlock(std::int32_t index)
{
  OM_EDITION_ASSERT(stackTop_ < stackCapacity - 1, "sp < (YTSTACK-1)");
  if (stackTop_ >= stackCapacity) {
    compileError(errorCapacity);
    return false;
  }
  stack_[stackTop_++] = static_cast<std::int16_t>(index);
  return true;
}

bool YThread::compileBody()
{
  compileStatement();
  return error_ == 0;
}

void YThread::closeBlock()
{
  if (stackTop_ <= 0) return;
  const std::int32_t start = stack_[--stackTop_];
  if (error_) return;
  switch (code_[start].opcode) {
    case opProcedure:
      emit(opReturn, 0);
      pushOperandWord(endOfRun);
      break;
    case opForSetUp: {
      emit(opJump, start + 1);
      const auto exit = static_cast<std::int16_t>(code_.size());
      for (std::size_t i = static_cast<std::size_t>(start) + 1; i < code_.size(); ++i) {
        if (code_[i].opcode != opJump) continue;
        if (code_[i].operand == continuePlaceholder) code_[i].operand = start + 1;
        if (code_[i].operand == breakPlaceholder) code_[i].operand = exit;
      }
      code_[start + 2].operand = exit;
      break;
    }
    case opIfTest:
      emit(opBlockEnd, 0);
      pushOperandWord(endOfRun);
      code_[start + 1].operand = static_cast<std::int16_t>(code_.size());
      ifEnd_ = static_cast<std::int32_t>(code_.size()) - 1;
      break;
    case opElse:
      code_[start].opcode = opBlockEnd;
      // The "if" of an "else if" chain on the next line closes last: its block end stays the
      // last instruction, so that the chain's next "else" finds it.
      code_[start - 1] = {opJump, static_cast<std::int16_t>(code_.size())};
      break;
    default:
      break;
  }
}

void YThread::compileList(int destination)
{
  for (;;) {
    if (error_) return;
    std::size_t start = 0;
    const int length = nextToken(start);
    const char c = source_[start];
    if (length == 0 || (c == '\r' && length == 1) || c == ';') return;
    const std::string word(source_, start, static_cast<std::size_t>(length));
    std::string value = word;
    // A word taken by itself: literals and computed names give their text, a plain name
    // gives the name.
    if (beginsLiteral(word[0]) || word.find('|') != std::string::npos ||
        word.find('.') != std::string::npos) {
      const int index = scriptVariables.add(word.data(), length);
      YVariable* variable = scriptVariables.at(index);
      if (!variable) {
        compileError(errorCapacity);
        return;
      }
      if (variable->kind != YVariable::plainVariable) value = variable->getText();
    }
    const int instance = scriptVariables.makeInstanceName(destination);
    YVariable* target = scriptVariables.at(instance);
    if (!target) {
      compileError(errorCapacity);
      return;
    }
    target->setText(value.data(), static_cast<int>(value.size()));
  }
}

void YThread::compileAssignment(int destination)
{
  const char first = source_[pos_];
  if (first == '[') {
    ++pos_;
    compileList(destination);
    return;
  }
  if (first == '&') {
    ++pos_;
    YVariable* variable = scriptVariables.at(destination);
    if (variable->sharing != -1) variable->sharing = 1;
  }
  emit(opAssign, 0);
  if (!pushOperandWord(static_cast<std::uint16_t>(destination))) return;
  emitOperands();
}

void YThread::compileKeyword(std::uint32_t opcode)
{
  const auto start = static_cast<std::int32_t>(code_.size());
  if (!pushBlock(start)) return;
  bool body = false;
  switch (opcode) {
    case opIf:
      emit(opIfTest, 0);
      emit(opJumpIfFalse, 0);
      body = true;
      break;
    case opFor:
      emit(opForSetUp, 0);
      emit(opForTest, 0);
      emit(opJumpIfFalse, 0);
      body = true;
      break;
    case opBreak:
    case opContinue:
      if (loopNesting_ == 0) {
        compileError(errorStructure);
        return;
      }
      emit(opJump, opcode == opBreak ? breakPlaceholder : continuePlaceholder);
      break;
    case opProcedureKeyword:
      emit(opProcedure, 0);
      body = true;
      break;
    case opElse:
      // Only directly after the body of an "if".
      if (start == 0 || ifEnd_ != start - 1 || code_[start - 1].opcode != opBlockEnd) {
        compileError(errorStructure);
        return;
      }
      emit(opElse, 0);
      body = true;
      break;
    default:
      emit(opcode, 0);
      break;
  }
  const std::size_t run = operands_.size();
  emitOperands();
  if (error_) return;
  if (opcode == opProcedureKeyword) {
    YVariable* label = operands_[run] == endOfRun ? nullptr : scriptVariables.at(operands_[run]);
    if (!label) {
      compileError(expressionMissingOperand);
      return;
    }
    char text[16];
    std::snprintf(text, sizeof text, "+%d", static_cast<int>(start));
    label->setText(text);
  }
  if (body) {
    if (opcode == opFor) ++loopNesting_;
    const bool compiled = compileBody();
    if (opcode == opFor) --loopNesting_;
    if (!compiled) return;
  }
  closeBlock();
}

bool YThread::includeFile()
{
  pos_ += sizeof includeWord - 1;
  skipBlanks(true);
  errorPos_ = pos_;
  std::size_t start = 0;
  const int length = readToken(false, start);
  if (error_) return false;
  std::string file(source_, start, static_cast<std::size_t>(length));
  if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
    file = file.substr(1, file.size() - 2);
  }
  if (file.empty() || includeStack().size() >= static_cast<std::size_t>(includeDepthLimit)) {
    compileError(errorStructure);
    return false;
  }
  const std::string including = currentScriptFile();
  includeStack().push_back({including, pos_});
  if (!readSource(file.c_str(), 0)) {
    // The fault is in the including line.
    setCurrentScriptFile(including.c_str());
    compileError(errorStructure);
    return false;
  }
  return true;
}

bool YThread::resumeIncludingFile()
{
  while (!includeStack().empty()) {
    const IncludeThreadStack entry = includeStack().back();
    includeStack().pop_back();
    if (!readSource(entry.name.c_str(), entry.position)) {
      compileError(errorStructure);
      return false;
    }
    skipBlanks(false);
    if (source_[pos_] != '\0') return true;
  }
  return false;
}

// Skips to the next statement's head across line ends; the error position is where the
// head's line began, before its blanks.
void YThread::skipToHead()
{
  for (;;) {
    errorPos_ = pos_;
    skipBlanks(true);
    if (source_[pos_] != '\r') return;
    ++pos_;
  }
}

int YThread::compileStatement()
{
  if (error_) return 0;
  if (nesting_ >= nestingLimit) {
    compileError(errorCapacity);
    return 0;
  }
  struct Nest {
    int& depth;
    explicit Nest(int& d) : depth(d) { ++depth; }
    ~Nest() { --depth; }
  } nest(nesting_);

  for (;;) {
    skipToHead();
    if (source_[pos_] != '\0') break;
    if (!resumeIncludingFile()) return 0;
  }
  while (source_.compare(pos_, sizeof includeWord - 1, includeWord) == 0) {
    if (!includeFile()) return 0;
    for (;;) {
      skipToHead();
      if (source_[pos_] != '\0') break;
      if (!resumeIncludingFile()) return 0;
    }
  }
  const char c = source_[pos_];
  if (c == ';') {
    while (source_[pos_] != '\r' && source_[pos_] != '\0')
      ++pos_;
    return 1;
  }
  if (c == '[') {
    ++pos_;
    while (compileStatement()) {
    }
    return error_ ? 0 : 1;
  }
  if (c == ']') {
    ++pos_;
    return 0;
  }
  std::size_t start = 0;
  const int length = readToken(true, start);
  if (error_) return 0;
  if (length == 0) {
    compileError(expressionMissingOperand);
    return 0;
  }
  if (pos_ > start && source_[pos_ - 1] == '=') {
    const int destination = scriptVariables.add(source_.c_str() + start, length);
    if (destination < 0) {
      compileError(errorCapacity);
      return 0;
    }
    compileAssignment(destination);
    return error_ ? 0 : 1;
  }
  // A keyword is followed by a blank, a control character or a byte of 128 or above; a head
  // that the byte 127 ends is a function's name.
  const bool keywordEnds = static_cast<unsigned char>(source_[start + length]) != 127;
  const YKeyword* keyword =
      keywordEnds ? findScriptKeyword(source_.c_str() + start, length) : nullptr;
  if (keyword) {
    compileKeyword(keyword->opcode);
    return error_ ? 0 : 1;
  }
  emit(opGlobalFunction, 0);
  const int function = internOperand(source_.c_str() + start, length);
  if (function < 0 || !pushOperandWord(static_cast<std::uint16_t>(function))) return 0;
  emitOperands();
  return error_ ? 0 : 1;
}
