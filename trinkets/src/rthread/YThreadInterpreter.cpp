#include <windows.h>
#include <mmsystem.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/OMEditionAssert.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMResourceReport.h"
#include "trinkets/src/OMSEventProperty.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObject.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/ScriptMessages.h"
#include "trinkets/src/rthread/ThreadStack.h"
#include "trinkets/src/rthread/YExpression.h"
#include "trinkets/src/rthread/YKeyword.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

// The length a "say" line must stay below: the game edition's buffer, and the assessment
// edition's shorter one.
constexpr int sayLimit = 2048;
constexpr int assessmentSayLimit = 256;
constexpr int referenceHops = 16;

// The handler that an event of a connected object calls: it runs the record it names on the
// thread that connected it. The record is named by its serial, so that a link that outlives
// its record (the records are cleared when a script is unloaded) does nothing.
class YMessageLink final : public OMLink {
 public:
  explicit YMessageLink(std::uint32_t serial) : serial_(serial) {}

  OMWord call(OMWord) override { return deliver(); }
  OMWord call() override { return deliver(); }
  std::unique_ptr<OMLink> clone() const override
  {
    return std::unique_ptr<OMLink>(new YMessageLink(serial_));
  }

  std::uint32_t serial() const { return serial_; }
  void setSerial(std::uint32_t serial) { serial_ = serial; }

 private:
  YMessageLink(const YMessageLink&) = default;

  OMWord deliver() const
  {
    eventRecord* record = findEventRecord(serial_);
    if (!record || !record->thread) return 0;
    return record->thread->runMessage(record);
  }

  std::uint32_t serial_;
};

// The copy link of a connected event: a clone of the object gets its own copy of the record.
OMWord copyMessageRecord(OMWord pair)
{
  auto* copy = reinterpret_cast<OMSEventCopy*>(pair);
  if (!copy) return 0;
  auto* handler = dynamic_cast<YMessageLink*>(copy->handler);
  if (!handler) return 0;
  eventRecord* original = findEventRecord(handler->serial());
  if (!original) return 0;
  eventRecord record = *original;
  record.receiver = copy->owner;
  handler->setSerial(addEventRecord(record)->serial);
  return 1;
}

// Ends a thread's wait for an object's completion; the thread is named by its serial.
OMWord endThreadWait(OMWord serial)
{
  if (YThread* thread = scriptEngine::findThread(static_cast<std::uint32_t>(serial))) {
    thread->endWait();
  }
  return 0;
}

const char* textOf(YVariable* variable, int* length = nullptr)
{
  if (!variable) {
    if (length) *length = 0;
    return "";
  }
  return variable->getText(length);
}

// A member's word as the member's name. A word that also names a procedure holds that
// procedure's label, which no member is called, so the word itself is meant: a handler may
// bear its event's name.
std::string memberNameOf(YVariable* word)
{
  const char* text = textOf(word);
  if (text[0] == '+' && word->kind == YVariable::plainVariable) return word->name;
  return text;
}

// The first instruction of a procedure, from its label's number; out-of-range numbers stay
// out of range (they are refused when the instruction is fetched) without overflowing.
std::int32_t procedureStart(long long label)
{
  if (label < -1 || label > (1 << 30)) return -1;
  return static_cast<std::int32_t>(label + 1);
}

bool isPrintedAsInteger(double number)
{
  // The range first: within it the conversion is exact for whole numbers, and cheaper than
  // truncating.
  return number >= -2000000000.0 && number <= 2000000000.0 &&
         static_cast<double>(static_cast<std::int32_t>(number)) == number;
}

// Read before every instruction: bound once rather than fetched through a call each time.
std::uint32_t& pauseDeadline = scriptEngine::pauseDeadline();

bool isStopState(std::int32_t state)
{
  // Of the states a run can have (yielding, not yielding, stopped, blocked, a switch below
  // zero), all but one with yielding off and the switches stop it.
  return state >= 0 && state != YThread::notYielding;
}

}  // namespace

// The two helpers below run for nearly every operand of every statement: inline.
inline const std::uint16_t* YThread::operandRun(const Instruction& instruction) const
{
  const auto index = static_cast<std::uint16_t>(instruction.operand);
  return index < operands_.size() ? operands_.data() + index : nullptr;
}

int YThread::runLength(const std::uint16_t* run)
{
  int count = 0;
  if (!run) return 0;
  while (run[count] != endOfRun)
    ++count;
  return count;
}

// The k-th operand's variable, through dotted names; null when absent.
inline YVariable* YThread::operandVariable(const std::uint16_t* run, int k)
{
  if (!run) return nullptr;
  for (int i = 0; i < k; ++i) {
    if (run[i] == endOfRun) return nullptr;
  }
  if (run[k] == endOfRun) return nullptr;
  YVariable* variable = scriptVariables.at(run[k]);
  return variable ? variable->resolved() : nullptr;
}

void YThread::scriptError(const char* what)
{
  char message[600];
  std::snprintf(message, sizeof message, "%s: %s", name_.c_str(), what);
  scriptAlert(message);
  reportFaultAt(placeAt(pc_ - 1), what);
  running_ = 0;
  state_ = stopped;
}

bool YThread::push(std::int16_t word)
{
  // The assessment edition keeps the last word free and stops when a push would take it.
  OM_EDITION_ASSERT(stackTop_ < stackCapacity - 1, "sp < (YTSTACK-1)");
  if (stackTop_ >= stackCapacity) {
    scriptError("script stack full");
    return false;
  }
  stack_[stackTop_++] = word;
  return true;
}

void YThread::callStep()
{
  if (stepRequest_ && stepHook_) {
    stepHook_->call();
    stepRequest_ = 0;
  }
}

void YThread::enterMessage(std::int32_t procedure)
{
  savedPc_ = pc_;
  savedHeld_ = held_;
  savedStackTop_ = stackTop_;
  savedCondition_ = condition_;
  savedLoopTop_ = loopTop_;
  held_ = 0;
  pc_ = procedure;
  inMessage_ = 1;
}

void YThread::leaveMessage()
{
  pc_ = savedPc_;
  held_ = savedHeld_;
  stackTop_ = savedStackTop_;
  condition_ = savedCondition_;
  loopTop_ = savedLoopTop_;
  inMessage_ = 0;
}

void YThread::execute(eventRecord* record)
{
  stop_ = Stop::none;
  // A program that is ending (a fatal error, a file it cannot do without) runs no more script,
  // as it would run none after it had ended at once.
  if (!running_ || waiting_ || OMProgramEnd::requested()) {
    state_ = stopped;
    return;
  }
  if (record) {
    if (!acceptsMessages_) {
      state_ = blocked;
      return;
    }
    YVariable* receiver = scriptVariables.at(YVariableTable::receiverIndex);
    if (receiver) {
      if (record->kind == eventRecord::schedule) {
        receiver->setText("schedule");
      } else if (record->kind == eventRecord::idle) {
        receiver->setText("idle");
      } else {
        receiver->setObject(record->receiver ? record->receiver : OMScriptableObject::current());
      }
    }
    messageDepth_ = 0;
    if (inMessage_) leaveMessage();
    enterMessage(record->procedure);
  }
  std::uint32_t& deadline = pauseDeadline;
  if (deadline != 0 && static_cast<std::int32_t>(timeGetTime() - deadline) >= 0) {
    deadline = 0;
    held_ = 0;
  }
  if (held_) {
    stop_ = held_ == heldByPause && deadline != 0 ? Stop::heldUntilDeadline : Stop::held;
    return;
  }
  // Below zero, the index reads as too large.
  if (static_cast<std::uint32_t>(pc_) >= code_.size()) {
    scriptError("jump outside the script");
    return;
  }
  const Instruction instruction = code_[pc_++];
  if (stepHook_ && !stepRequest_ && instruction.opcode != scriptEngine::lastParkedOpcode()) {
    stepRequest_ = 1;
  }
  const bool jump = instruction.opcode == opJump || instruction.opcode == opJumpIfFalse;
  const std::uint16_t* run = jump ? nullptr : operandRun(instruction);
  switch (instruction.opcode) {
    case opCall:
      doCall(run);
      break;
    case opProcedure:
      doProcedure(run);
      break;
    case opForSetUp:
      doForSetUp(run);
      break;
    case opForTest:
      doForTest(run);
      break;
    case opJumpIfFalse:
      if (condition_ == 0) doJump(instruction.operand);
      break;
    case opJump:
      doJump(instruction.operand);
      break;
    case opIfTest:
      doIfTest(run);
      break;
    case opBlockEnd:
    case opDebug:
      break;
    case opSay:
      doSay(run);
      break;
    case opReturn:
      doReturn();
      break;
    case opAssign:
      doAssign(run);
      break;
    case opDrop:
      doDrop(run);
      break;
    case opGlobalFunction:
      doGlobalFunction(run);
      break;
    case opWait:
      held_ = heldFully;
      callStep();
      break;
    case opIdle:
      doPeriodic(run, false);
      break;
    case opSchedule:
      doPeriodic(run, true);
      break;
    case opExit:
      running_ = 0;
      scriptEngine::setPendingSwitch(this, nullptr, 0);
      break;
    case opSuspend:
      acceptsMessages_ = 0;
      break;
    case opResume:
      acceptsMessages_ = 1;
      break;
    case opPause:
      doPause(run);
      break;
    case opSet:
      doSet(run);
      break;
    case opGet:
      doGet(run);
      break;
    case opYield:
      doYield(run);
      break;
    case opPlay:
      doPlay(run);
      break;
    case opQuit:
      scriptEngine::requestQuit();
      doSwitch(run);
      break;
    case opRelay:
      doSwitch(run);
      break;
    default:
      park(instruction.opcode);
      break;
  }
}

// The thread stays on this instruction: the end of the main code, where it keeps running
// the procedures of its events.
void YThread::park(std::uint32_t opcode)
{
  if (stepRequest_ && stepHook_) {
    stepHook_->call();
    stepRequest_ = 0;
    scriptEngine::lastParkedOpcode() = opcode;
  }
  if (scriptStepMode()) state_ = stopped;
  --pc_;
  stop_ = Stop::parked;
}

void YThread::doCall(const std::uint16_t* run)
{
  YVariable* variable = operandVariable(run, 0);
  if (!variable) return;
  variable = variable->followed();
  // Follow the variable while its text names another variable.
  for (int hop = 0; hop < referenceHops; ++hop) {
    int length = 0;
    const char* text = variable->getText(&length);
    if (length > 0 && text[0] == '+') break;
    YVariable* named = scriptVariables.at(scriptVariables.find(text, length));
    if (!named || named == variable) break;
    variable = named->followed();
  }
  const char* text = variable->getText();
  if (text[0] == '+') {
    const long target = std::strtol(text + 1, nullptr, 10);
    if (target < 0 || target >= static_cast<long>(code_.size())) {
      scriptError("call of a procedure outside the script");
      return;
    }
    if (!push(static_cast<std::int16_t>(pc_))) return;
    pc_ = static_cast<std::int32_t>(target);
    if (inMessage_) ++messageDepth_;
    return;
  }
  // The text names a script.
  callSite_ = placeAt(pc_ - 1);
  pushScriptStack(name_.c_str());
  state_ = -variable->index;
  running_ = 0;
  scriptEngine::setPendingSwitch(this, nullptr, 0);
}

void YThread::doProcedure(const std::uint16_t* run)
{
  if (stackTop_ == 0) {
    // Reached by falling through: skip the body, up to and past its return.
    while (pc_ < static_cast<std::int32_t>(code_.size()) && code_[pc_].opcode != opReturn)
      ++pc_;
    if (pc_ < static_cast<std::int32_t>(code_.size())) ++pc_;
    return;
  }
  const std::int32_t caller = stack_[stackTop_ - 1] - 1;
  if (caller < 0 || caller >= static_cast<std::int32_t>(code_.size()) ||
      code_[caller].opcode != opCall) {
    return;
  }
  const std::uint16_t* arguments = operandRun(code_[caller]);
  for (int k = 1;; ++k) {
    YVariable* parameter = operandVariable(run, k);
    YVariable* argument = operandVariable(arguments, k);
    if (!parameter || !argument) break;
    int length = 0;
    const char* text = argument->followed()->getText(&length);
    parameter->setText(text, length);
  }
}

void YThread::doForSetUp(const std::uint16_t* run)
{
  YVariable* variable = operandVariable(run, 0);
  YVariable* start = operandVariable(run, 1);
  if (!variable || !start) return;
  if (loopTop_ + 1 >= loopCapacity) {
    scriptError("loops nested too deeply");
    return;
  }
  LoopRecord& loop = loops_[++loopTop_];
  loop.current = static_cast<std::int16_t>(start->getInteger());
  YVariable* end = operandVariable(run, 2);
  if (!end) {
    loop.end = 0;
    loop.step = -1;
  } else {
    YVariable* step = operandVariable(run, 3);
    loop.step = static_cast<std::int16_t>(step ? step->getInteger() : 1);
    loop.end = static_cast<std::int16_t>(end->getInteger());
  }
  // The jump-if-false two instructions on holds the loop's exit.
  const std::int32_t exitAt = pc_ + 1;
  loop.exit = exitAt < static_cast<std::int32_t>(code_.size())
                  ? static_cast<std::uint16_t>(code_[exitAt].operand)
                  : 0;
  loop.direction = loop.current < loop.end ? 1 : -1;
  loop.current = static_cast<std::int16_t>(loop.current - loop.step);
}

void YThread::doForTest(const std::uint16_t* run)
{
  YVariable* variable = operandVariable(run, 0);
  if (!variable || !operandVariable(run, 1)) {
    doIfTest(run);
    return;
  }
  if (loopTop_ < 0) {
    condition_ = 0;
    return;
  }
  LoopRecord& loop = loops_[loopTop_];
  loop.current = static_cast<std::int16_t>(loop.current + loop.step);
  variable->setInteger(loop.current);
  if (loop.direction == 0) {
    condition_ = 0;
  } else if (loop.current == loop.end) {
    condition_ = 1;
    loop.direction = 0;
  } else {
    condition_ = loop.direction > 0 ? loop.current < loop.end : loop.current > loop.end;
  }
}

void YThread::doJump(std::int32_t target)
{
  pc_ = target;
  if (loopTop_ >= 0 && loops_[loopTop_].exit == static_cast<std::uint16_t>(pc_)) --loopTop_;
}

void YThread::doIfTest(const std::uint16_t* run)
{
  YVariable* variable = operandVariable(run, 0);
  if (!variable) {
    condition_ = 1;
    return;
  }
  variable = variable->followed();
  if (variable->kind == YVariable::expression) {
    // The text of a whole number begins with "0" only when it is 0.
    double number = 0.0;
    bool numeric = evaluateExpressionNumber(*variable, number);
    if (!numeric) {
      std::string text;
      if (evaluateExpressionResult(*variable, numeric, number, text) != 0) numeric = false;
    }
    if (numeric && isPrintedAsInteger(number)) {
      condition_ = number != 0.0 ? 1 : 0;
      return;
    }
  }
  condition_ = variable->isFalse() ? 0 : 1;
}

void YThread::doSay(const std::uint16_t* run)
{
  std::string line;
  const std::size_t limit = OMEdition::isAssessment() ? assessmentSayLimit : sayLimit;
  const int count = runLength(run);
  for (int k = 0; k < count; ++k) {
    int length = 0;
    const char* text = textOf(operandVariable(run, k), &length);
    const std::size_t separator = line.empty() ? 0 : 1;
    if (line.size() + separator + static_cast<std::size_t>(length) >= limit) continue;
    if (separator) line += ' ';
    line.append(text, static_cast<std::size_t>(length));
  }
  debugLog(line.c_str());
}

void YThread::doReturn()
{
  if (inMessage_ && messageDepth_ == 0) {
    leaveMessage();
    if (scriptStepMode()) state_ = blocked;
    return;
  }
  if (stackTop_ <= 0) {
    scriptError("return without a call");
    return;
  }
  pc_ = stack_[--stackTop_];
  if (inMessage_) --messageDepth_;
}

void YThread::doAssign(const std::uint16_t* run)
{
  YVariable* destination = operandVariable(run, 0);
  if (!destination) return;
  YVariable* target = destination->followed();
  if (OMScriptableObject* held = target->getObject()) removeEventRecords(held, nullptr);
  YVariable* source = operandVariable(run, 1);
  if (!source) {
    destination->reset(true);
    return;
  }
  if (source->kind == YVariable::plainVariable && source->type == YVariable::typeEmpty &&
      isTrinketClass(source->name.c_str())) {
    clearScriptArgs();
    const int count = runLength(run);
    for (int k = 2; k < count; ++k)
      pushScriptArg(textOf(operandVariable(run, k)));
    const std::string className = source->name;
    std::unique_ptr<OMScriptableObject> made =
        createTrinketByName(className.c_str(), scriptArgTerminator);
    if (!made) {
      destination->setInteger(0);
      return;
    }
    target = destination->followed();
    OMScriptableObject* object = made.release();
    if (target->getObject() == object) return;
    // The destination owns what it made, unless the class handed out an object that another
    // variable owns already (a single instance: the event source, the one dialog): then it
    // only shares it.
    int owner = -1;
    scriptVariables.nameOfObject(object, &owner);
    const bool ownedElsewhere = owner >= 0 && owner != target->index;
    target->setObject(object);
    if (target->sharing != -1) target->sharing = ownedElsewhere ? 1 : 0;
    return;
  }
  YVariable* from = source->followed();
  if (from == target) return;
  if (from->kind == YVariable::expression) {
    assignExpression(*destination, *from);
    return;
  }
  OMScriptableObject* object = from->getObject();
  int length = 0;
  const char* text = from->getText(&length);
  if (object || (length > 0 && text[0] == YVariable::objectMarker)) {
    if (!object) {
      destination->reset(true);
      return;
    }
    if (target->sharing != 0) {
      destination->setObject(object);
      return;
    }
    std::unique_ptr<OMScriptableObject> copy = object->clone();
    destination->setObject(copy.release());
    return;
  }
  if ((from->kind == YVariable::plainVariable || from->kind == YVariable::literal) &&
      target->kind == YVariable::plainVariable && from->hasText &&
      (from->type == YVariable::typeInteger || from->type == YVariable::typeDouble)) {
    // The same text parses to the same number: copy both at once.
    target->reset(true);
    target->type = from->type;
    target->realValue = from->realValue;
    target->text = from->storedText();
    target->hasText = true;
    return;
  }
  destination->setText(text, length);
}

// The destination gets the text of the expression's value. A whole number that prints as an
// integer of at most 10 characters reads back as that integer, so it is stored as one
// without printing and parsing it.
void YThread::assignExpression(YVariable& destination, YVariable& expression)
{
  double number = 0.0;
  if (evaluateExpressionNumber(expression, number)) {
    assignNumber(destination, number);
    return;
  }
  bool numeric = false;
  std::string text;
  OMScriptableObject* object = nullptr;
  if (evaluateExpressionResult(expression, numeric, number, text, &object) != 0) {
    const std::string source = expression.name;  // an error reads as the source text
    destination.setText(source.data(), static_cast<int>(source.size()));
    return;
  }
  if (numeric) {
    assignNumber(destination, number);
    return;
  }
  if (object) {
    // An object value is shared with a sharing destination, else cloned.
    if (destination.followed()->sharing != 0) {
      destination.setObject(object);
    } else {
      destination.setObject(object->clone().release());
    }
    return;
  }
  if (!text.empty() && text[0] == YVariable::objectMarker) {
    destination.reset(true);  // the marker without an object
    return;
  }
  destination.setText(text.data(), static_cast<int>(text.size()));
}

void YThread::assignNumber(YVariable& destination, double number)
{
  if (isPrintedAsInteger(number) && number > -1000000000.0) {
    destination.setInteger(static_cast<std::int32_t>(number));
    return;
  }
  char buffer[64];
  destination.setText(buffer,
                      static_cast<int>(formatExpressionNumber(number, buffer, sizeof buffer)));
}

// A drop topic on the operand's word; true when the word was one (and consumed).
bool YThread::dumpState(const std::uint16_t* run, int& k)
{
  YVariable* word = scriptVariables.at(run[k]);
  if (!word) return false;
  const std::string& topic = word->name;
  if (topic == "schedule") {
    // The running message keeps its context: its return must find it.
    scheduleProcedure_ = 0;
    return true;
  }
  if (topic == "idle") {
    idleProcedure_ = 0;
    return true;
  }
  if (topic == "stack") {
    savedStackTop_ = 0;
    stackTop_ = 0;
    return true;
  }
  if (topic == "wait") {
    savedHeld_ = 0;
    held_ = 0;
    return true;
  }
  if (topic == "[") {
    YVariable* baseWord = run[k + 1] == endOfRun ? nullptr : scriptVariables.at(run[k + 1]);
    if (!baseWord) return true;
    ++k;
    const std::string prefix = baseWord->name + ".";
    for (int index = 3; index < scriptVariables.count(); ++index) {
      YVariable* variable = scriptVariables.at(index);
      if (variable->kind != YVariable::plainVariable || variable->type == YVariable::typeEmpty) {
        continue;
      }
      const std::string& name = variable->name;
      if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
          name.find('.', prefix.size()) != std::string::npos) {
        continue;
      }
      if (OMScriptableObject* object = variable->getObject()) {
        removeEventRecords(object, nullptr);
        scriptVariables.forgetObject(object, true);
      }
      variable->reset(true);
    }
    return true;
  }
  if (topic == "trinkets") {
    scriptVariables.clearObjects(true);
    clearEventRecords();
    return true;
  }
  if (topic == "var") {
    YVariable* named = operandVariable(run, k + 1);
    if (!named) return true;
    ++k;
    int length = 0;
    const char* text = named->getText(&length);
    YVariable* variable = scriptVariables.at(scriptVariables.find(text, length));
    if (variable) variable->reset(true);
    return true;
  }
  if (topic == "script") {
    YVariable* what = operandVariable(run, k + 1);
    if (!what) return true;
    ++k;
    if (std::strcmp(what->getText(), "stack") == 0) clearScriptStack();
    return true;
  }
  return false;
}

void YThread::doDrop(const std::uint16_t* run)
{
  if (!run) return;
  for (int k = 0; run[k] != endOfRun; ++k) {
    if (dumpState(run, k)) continue;
    YVariable* variable = operandVariable(run, k);
    if (!variable) continue;
    if (OMScriptableObject* object = variable->getObject()) {
      removeEventRecords(object, nullptr);
      if (!scriptVariables.forgetObject(object, true)) variable->reset(false);
    } else {
      variable->reset(true);
    }
  }
}

void YThread::doGlobalFunction(const std::uint16_t* run)
{
  YVariable* nameVariable = operandVariable(run, 0);
  if (!nameVariable) return;
  YNativeFunction* function = findScriptFunction(nameVariable->followed()->getText());
  if (!function) {
    traceOnce(placeOf(pc_ - 1) + ": unknown command \"" + nameVariable->followed()->getText() +
              "\"");
    return;
  }
  clearScriptArgs();
  const int count = runLength(run);
  for (int k = 1; k < count; ++k) {
    YVariable* argument = operandVariable(run, k);
    pushScriptArg(argument ? argument->followed()->getText() : "");
  }
  callScriptFunction(*function);
}

void YThread::doPeriodic(const std::uint16_t* run, bool schedule)
{
  YVariable* time = operandVariable(run, 0);
  if (!time) return;
  const double value = time->getDouble();
  if (value == 0.0) return;
  YVariable* label = operandVariable(run, 1);
  const std::int32_t procedure = procedureStart(label ? label->getInteger() : 0);
  const double ticks = value * 9.0;
  const auto period = static_cast<std::int32_t>(ticks > 2.0e9    ? 2.0e9
                                                : ticks < -2.0e9 ? -2.0e9
                                                                 : ticks);
  if (schedule) {
    scheduleProcedure_ = procedure;
    schedulePeriod_ = period;
    scheduleCounter_ = 0;
  } else {
    idleProcedure_ = procedure;
    idlePeriod_ = period;
    idleCounter_ = 0;
  }
}

void YThread::doPause(const std::uint16_t* run)
{
  YVariable* time = operandVariable(run, 0);
  if (!time) return;
  const double value = time->getDouble();
  if (value == 0.0) return;
  double milliseconds = value * 900.0;
  if (milliseconds > 2.0e9) milliseconds = 2.0e9;
  if (milliseconds < -2.0e9) milliseconds = -2.0e9;
  std::uint32_t deadline =
      timeGetTime() + static_cast<std::uint32_t>(static_cast<std::int32_t>(milliseconds));
  if (deadline == 0) deadline = 1;
  scriptEngine::pauseDeadline() = deadline;
  held_ = heldByPause;
}

bool YThread::pausedTooLong(std::uint32_t began)
{
  return timeGetTime() - began >= pausedMillisecondsPerRun;
}

bool YThread::workedTooLong(std::uint32_t working)
{
  return timeGetTime() - working >= workMillisecondsPerRun;
}

bool YThread::sleepThroughPause(std::uint32_t began, std::uint32_t& working)
{
  // Time asleep is the pauses' share, not work: the run's work began that much later.
  const std::uint32_t asleep = timeGetTime();
  const std::uint32_t held = asleep - began;
  sleepTowardPauseDeadline(held < pausedMillisecondsPerRun ? pausedMillisecondsPerRun - held : 0);
  working += timeGetTime() - asleep;
  return pausedTooLong(began);
}

// A run held by its pause sleeps toward the deadline, as the main loop sleeps when it has
// nothing to do; on a stepping clock the sleep is what moves the clock there.
void YThread::sleepTowardPauseDeadline(std::uint32_t longest)
{
  if (pauseWaitHook_) {
    pauseWaitHook_();
    return;
  }
  const std::uint32_t deadline = pauseDeadline;
  const auto left = static_cast<std::int32_t>(deadline - timeGetTime());
  if (deadline != 0 && left > 0) Sleep(std::min(static_cast<DWORD>(left), DWORD{longest}));
}

// The slices are the same on every clock, so that a run on a stepping clock answers the host
// as often under any load.
void YThread::sleepUntilPauseEnds()
{
  while (!OMProgramEnd::requested()) {
    const std::uint32_t deadline = pauseDeadline;
    if (deadline == 0 || static_cast<std::int32_t>(deadline - timeGetTime()) <= 0) return;
    sleepTowardPauseDeadline(pauseSliceMilliseconds);
    OMProgramEnd::answerEndOfSession();
  }
}

void YThread::doSet(const std::uint16_t* run)
{
  YVariable* holder = operandVariable(run, 0);
  YVariable* member = operandVariable(run, 1);
  if (!holder || !member) return;
  OMScriptableObject* object = holder->getObject();
  std::string className;
  if (!object) {
    if (!isTrinketClass(holder->name.c_str())) return;
    className = holder->name;
  }
  const std::string memberName = memberNameOf(member);
  const int count = runLength(run);
  if (count == 2) {
    if (object) {
      removeEventRecords(object, memberName.c_str());
      object->connect(memberName.c_str(), nullptr, nullptr);
    } else {
      setClassLink(className.c_str(), nullptr);
    }
    return;
  }
  clearScriptArgs();
  for (int k = 2; k < count - 1; ++k)
    pushScriptArg(textOf(operandVariable(run, k)));
  YVariable* value = operandVariable(run, count - 1);
  const char* valueText = textOf(value ? value->followed() : nullptr);
  if (valueText[0] == '+') {
    eventRecord record;
    record.procedure = procedureStart(std::strtoll(valueText + 1, nullptr, 10));
    record.receiver = object;
    record.messageName = holder->name;
    record.event = memberName;
    record.thread = this;
    if (object) removeEventRecords(object, memberName.c_str());
    const YMessageLink handler(addEventRecord(record)->serial);
    if (object) {
      const OMLinkToFct copy(&copyMessageRecord);
      object->connect(memberName.c_str(), &handler, &copy);
    } else {
      setClassLink(className.c_str(), &handler);
    }
    return;
  }
  if (object) object->setProperty(memberName.c_str(), valueText);
}

void YThread::doGet(const std::uint16_t* run)
{
  YVariable* holder = operandVariable(run, 0);
  YVariable* property = operandVariable(run, 1);
  const int count = runLength(run);
  // The destination is the last operand, with two operands the property name's variable.
  if (!holder || !property) return;
  clearScriptArgs();
  for (int k = 2; k < count - 1; ++k)
    pushScriptArg(textOf(operandVariable(run, k)));
  const std::string propertyName = memberNameOf(property);
  std::string value;
  bool found = false;
  if (propertyName == "name") {
    if (holder->index == YVariableTable::receiverIndex) {
      const char* name = nameOfScriptObject(holder->getObject());
      found = name != nullptr;
      if (name) value = name;
    } else {
      value = holder->name;
      found = true;
    }
  } else if (OMScriptableObject* object = holder->getObject()) {
    const char* text = object->getProperty(propertyName.c_str());
    found = text != nullptr;
    if (text) value = text;
  }
  YVariable* destination = operandVariable(run, count - 1);
  if (found && destination) destination->setText(value.data(), static_cast<int>(value.size()));
}

void YThread::doYield(const std::uint16_t* run)
{
  int length = 0;
  textOf(operandVariable(run, 0), &length);
  state_ = length == 2 ? yielding : notYielding;
  if (yieldHook_) yieldHook_->call();
  if (state_ == yielding) yieldFlag_ = 0;
}

void YThread::doPlay(const std::uint16_t* run)
{
  YVariable* holder = operandVariable(run, 0);
  OMScriptableObject* object = holder ? holder->getObject() : nullptr;
  if (!object) return;
  clearScriptArgs();
  const int count = runLength(run);
  std::string method;
  bool waitForCompletion = false;
  for (int k = 1; k < count; ++k) {
    const char* text = textOf(operandVariable(run, k));
    if (text[0] == '}') {
      waitForCompletion = true;
      break;
    }
    if (k == 1) {
      method = memberNameOf(operandVariable(run, k));
    } else {
      pushScriptArg(text);
    }
  }
  if (waitForCompletion) {
    waiting_ = 1;
    const OMLinkToFct endOfWait(&endThreadWait, serial_);
    object->setCompletionLink(&endOfWait);
  }
  const int called =
      object->callMethod(method.empty() ? "default" : method.c_str(), scriptArgTerminator);
  if (called == 0 && waitForCompletion) {
    object->setCompletionLink(nullptr);
    waiting_ = 0;
  }
}

void YThread::doSwitch(const std::uint16_t* run)
{
  YVariable* script = operandVariable(run, 0);
  state_ = script ? -script->index : 0;
  running_ = 0;
  scriptEngine::setPendingSwitch(this, nullptr, 0);
}

bool YThread::runPeriodic(std::int32_t procedure, int kind)
{
  eventRecord record;
  record.procedure = procedure;
  record.kind = static_cast<eventRecord::Kind>(kind);
  record.messageName = kind == eventRecord::schedule ? "schedule" : "idle";
  record.thread = this;
  eventRecord* added = addEventRecord(record);
  execute(added);
  deleteEventRecord(added);
  return state_ != blocked && state_ >= 0;
}

int YThread::runPeriodicProcedures()
{
  ++scheduleCounter_;
  ++idleCounter_;
  if (scheduleProcedure_ && schedulePeriod_ < scheduleCounter_) {
    const std::int32_t procedure = scheduleProcedure_;
    scheduleProcedure_ = 0;
    idleCounter_ = 0;
    scheduleCounter_ = 0;
    return runPeriodic(procedure, eventRecord::schedule) ? 1 : 0;
  }
  if (idleProcedure_ && idlePeriod_ < idleCounter_) {
    idleCounter_ = 0;
    return runPeriodic(idleProcedure_, eventRecord::idle) ? 1 : 0;
  }
  return 0;
}

OMWord YThread::runMessage(eventRecord* record)
{
  if (scriptEngine::switchPending() || messageNesting_ >= messageNestingLimit) return 0;
  ++messageNesting_;
  const std::int32_t savedState = state_;
  const bool stepMode = scriptStepMode() != 0;
  if (stepMode) state_ = notYielding;
  execute(record);
  // The procedure runs inside the raising call for as long as its state keeps it running, to
  // its end however long it takes; what arrives meanwhile waits in the queue.
  for (std::uint32_t untilAnswer = hostAnswerInterval_ - 1;
       !isStopState(state_) && !scriptEngine::switchPending();) {
    // A hold without a deadline, or the parked end of the code, would never end here.
    if (stop_ == Stop::held || stop_ == Stop::parked) break;
    if (stop_ == Stop::heldUntilDeadline) {
      sleepUntilPauseEnds();
    } else if (untilAnswer-- == 0) {
      OMProgramEnd::answerEndOfSession();
      untilAnswer = hostAnswerInterval_ - 1;
    }
    execute();
  }
  if (scriptEngine::switchPending() && state_ < -1) {
    scriptEngine::pendingSwitch().variable = -state_;
  }
  if (stepMode) state_ = savedState;
  --messageNesting_;
  return 1;
}

int YThread::runUntilBlocked()
{
  if (scriptEngine::tickRaised() && runPeriodicProcedures()) return 0;
  // Looked at after every instruction: read in place rather than through a call.
  const YPendingSwitch& pending = scriptEngine::pendingSwitch();
  const std::uint32_t began = timeGetTime();
  std::uint32_t working = began;
  // The share is looked at every few hundred instructions, counted down between the looks.
  int executed = 0;
  const int share = instructionShare_;
  int chunk = std::min(workLookInterval, share);
  int untilLook = chunk;
  while (pending.thread == nullptr) {
    execute();
    if (isStopState(state_)) return 0;
    // Held by "pause" with yielding off: the run waits for the deadline. Held without one
    // ("wait", hold-all) or parked, the thread waits for a later pass and the main loop
    // goes on.
    if (stop_ != Stop::none) {
      if (stop_ != Stop::heldUntilDeadline || sleepThroughPause(began, working)) return 0;
    }
    if (--untilLook == 0) {
      executed += chunk;
      if (executed >= share || workedTooLong(working)) return 0;
      untilLook = chunk = std::min(workLookInterval, share - executed);
    }
  }
  if (state_ < -1) scriptEngine::pendingSwitch().variable = -state_;
  return 1;
}
