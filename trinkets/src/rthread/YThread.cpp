#include "trinkets/src/rthread/YThread.h"

#include <algorithm>

#include "trinkets/src/rthread/ThreadStack.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

void (*YThread::pauseWaitHook_)() = nullptr;
int YThread::instructionShare_ = instructionsPerRun;
std::uint32_t YThread::hostAnswerInterval_ = instructionsBetweenHostAnswers;

void YThread::setInstructionShares(int perRun, std::uint32_t betweenHostAnswers)
{
  instructionShare_ = std::max(1, perRun);
  hostAnswerInterval_ = std::max<std::uint32_t>(1, betweenHostAnswers);
}

YThread::YThread(std::istream& stream) : serial_(scriptEngine::newThreadSerial())
{
  resetFields();
  scriptVariables.init();
  if (findScript(&stream, 0)) {
    scriptEngine::addThread(this);
  } else {
    code_.clear();
    operands_.clear();
  }
}

YThread::YThread(const char* name, Opener opener) : serial_(scriptEngine::newThreadSerial())
{
  opener_ = opener;
  resetFields();
  scriptVariables.init();
  if (name) name_.assign(name, 0, nameLimit);
  if (loadByName(name)) {
    scriptEngine::addThread(this);
  } else {
    code_.clear();
    operands_.clear();
  }
}

YThread::~YThread()
{
  clearEventRecords();
  scriptEngine::forgetThread(this);
  if (scriptEngine::threads().empty()) scriptVariables.clear();
}

void YThread::resetFields()
{
  state_ = yielding;
  pc_ = 0;
  loopTop_ = -1;
  stackTop_ = 0;
  condition_ = 1;
  acceptsMessages_ = 1;
  yieldFlag_ = 1;
  running_ = 0;
  waiting_ = 0;
  inMessage_ = 0;
  held_ = 0;
  messageDepth_ = 0;
  idleProcedure_ = 0;
  scheduleProcedure_ = 0;
  idleCounter_ = 0;
  idlePeriod_ = 0;
  schedulePeriod_ = 0;
  savedPc_ = 0;
  savedHeld_ = 0;
  savedStackTop_ = 0;
  savedCondition_ = 1;
  savedLoopTop_ = -1;
  stop_ = Stop::none;
}

bool YThread::load(const char* name)
{
  unload();
  resetFields();
  name_.clear();
  char chosen[scriptDialogBufferSize];
  if (!name || !*name) {
    chooseScriptFile(chosen, false);
    // A cancelled dialog loads nothing.
    if (!*chosen) return false;
    name = chosen;
  }
  name_.assign(name, 0, nameLimit);
  if (loadByName(name)) return true;
  code_.clear();
  operands_.clear();
  return false;
}

bool YThread::loadByName(const char* name)
{
  if (!name) return false;
  return readSource(name, 0);
}

void YThread::unload()
{
  if (loaded_) {
    running_ = 0;
    clearEventRecords();
    code_.clear();
    operands_.clear();
    scriptVariables.clear();
    scriptVariables.init();
    loaded_ = 0;
  }
  if (endedHook_) endedHook_->call();
}

void YThread::start()
{
  if (!loaded_) return;
  running_ = 1;
  if (startedHook_) startedHook_->call();
}

void YThread::switchScript(const char* name)
{
  if (!name || name_ == name) return;
  pushScriptStack(name_.c_str());
  requestScript(name);
}

void YThread::requestScript(const char* name)
{
  if (!name || name_ == name) return;
  scriptEngine::setPendingSwitch(this, name, 0);
}
