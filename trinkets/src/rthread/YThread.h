#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMLink.h"
#include "framework/OMWord.h"

struct eventRecord;
class YVariable;

// A script thread: one compiled script, run cooperatively on the main thread by the script
// tick, and the procedures that events of connected objects run on it.
class YThread {
 public:
  // Opens a script that is not a readable file (the shell's lookup); null when unknown.
  using Opener = std::unique_ptr<std::istream> (*)(const char* name);

  struct Instruction {
    std::uint32_t opcode;
    // A jump's target, or the index of the instruction's first operand word.
    std::int16_t operand;
  };
  struct LoopRecord {
    std::int16_t current;
    std::int16_t direction;
    std::int16_t end;
    std::int16_t step;
    std::uint16_t exit;
  };

  // Capacities.
  static constexpr int instructionCapacity = 8000;
  static constexpr int operandCapacity = 20000;
  static constexpr int stackCapacity = 2048;
  static constexpr int loopCapacity = 128;
  static constexpr std::size_t nameLimit = 515;
  static constexpr std::size_t sourceLimit = 32767;
  static constexpr std::uint16_t endOfRun = 0xFFFF;
  // A main code with yielding off that has not blocked after this many instructions, or whose
  // pauses have held it this many milliseconds, or that has worked this long (instructions that
  // search the disk are slow), gives the pass back, as a blocked one does, and goes on at the
  // next pass: a loop without end, or one of pauses, must not hold the program's loop for ever.
  // Work is measured on the program's clock, so that on a stepping clock, which stands still
  // while a run works, the share depends only on what the run does.
  static constexpr int instructionsPerRun = 100000;
  static constexpr std::uint32_t pausedMillisecondsPerRun = 1000;
  static constexpr std::uint32_t workMillisecondsPerRun = 250;
  static constexpr int workLookInterval = 256;
  // An event's procedure runs to its end inside the raising call, pauses included; every this
  // many instructions, and between the slices of its pauses, the host's end requests are
  // answered (input waits in the queue until the call returns).
  static constexpr std::uint32_t instructionsBetweenHostAnswers = 8192;
  static constexpr std::uint32_t pauseSliceMilliseconds = 50;
  // Messages that reach a thread while a message of it runs (an event raised by what a
  // procedure does) nest; deeper than this they are refused, so that a procedure whose work
  // raises its own event again does not recur until the stack runs out.
  static constexpr int messageNestingLimit = 16;

  // The states of the scheduler.
  static constexpr std::int32_t yielding = 0;
  static constexpr std::int32_t notYielding = 1;
  static constexpr std::int32_t stopped = 333;
  static constexpr std::int32_t blocked = 777;

  // Compile errors beyond those of expressions.
  static constexpr int errorUnquoted = 6;
  static constexpr int errorCapacity = 8;
  static constexpr int errorStructure = 10;
  // An include that cannot be loaded: the program ends.
  static constexpr int errorFatal = 11;

  explicit YThread(std::istream& stream);
  YThread(const char* name, Opener opener);
  ~YThread();
  YThread(const YThread&) = delete;
  YThread& operator=(const YThread&) = delete;

  bool load(const char* name);
  void unload();
  // The common file dialog for a script (open, or save): the chosen path into the buffer of
  // scriptDialogBufferSize bytes, which is emptied when the user cancels.
  static void chooseScriptFile(char* buffer, bool save);
  static constexpr std::size_t scriptDialogBufferSize = 128;
  void start();
  // Halts the thread before its next statement or message; start runs it on again.
  void stop() { running_ = 0; }

  // Interpreter.
  void execute(eventRecord* record = nullptr);
  int runUntilBlocked();
  OMWord runMessage(eventRecord* record);
  void enterMessage(std::int32_t procedure);
  void leaveMessage();
  int runPeriodicProcedures();
  void endWait() { waiting_ = 0; }

  // Script switching, performed by the tick after its walk.
  void switchScript(const char* name);
  void requestScript(const char* name);

  // Compiler: the loaded source into code and operand words.
  bool compile();
  int compileStatement();
  void emit(std::uint32_t opcode, std::int32_t operand);
  void emitOperands();
  int internOperand(const char* token, int length);
  void closeBlock();
  bool skipBlanks(bool operandMode);
  void skipToHead();
  // The next operand token: its start and length; a line end, "[" or "]" is a token of one
  // character, the end of the text an empty one.
  int nextToken(std::size_t& start);
  int readToken(bool headMode, std::size_t& start);

  // Script files and compiled images.
  bool readSource(const char* name, std::size_t position);
  bool findScript(std::istream* stream, std::size_t position);
  bool writeCompiled(const char* fileName) const;
  bool readCompiled(const char* fileName, bool swap);
  bool readCompiledImage(const unsigned char* data, std::size_t size, bool swap);
  // The compiled form as bytes: version 2 native, or version 1 with every field swapped.
  std::vector<unsigned char> compiledImage(bool swapped) const;

  // Hooks: a clone of the link is kept (null clears).
  void setEndedHook(const OMLink* link) { endedHook_ = cloneLink(link); }
  void setYieldHook(const OMLink* link) { yieldHook_ = cloneLink(link); }
  void setStartedHook(const OMLink* link) { startedHook_ = cloneLink(link); }
  void setStepHook(const OMLink* link) { stepHook_ = cloneLink(link); }

  // Held by "wait", "pause" or hold-all.
  void setHeld(bool held) { held_ = held ? heldFully : 0; }
  // Waiting for an object's completion, or paused with all threads.
  void setWaiting(bool waiting) { waiting_ = waiting ? 1 : 0; }
  void clearIdleCounter() { idleCounter_ = 0; }

  bool isLoaded() const { return loaded_ != 0; }
  bool isRunning() const { return running_ != 0; }
  bool isHeld() const { return held_ != 0; }
  bool isWaiting() const { return waiting_ != 0; }
  bool isInMessage() const { return inMessage_ != 0; }
  bool acceptsMessages() const { return acceptsMessages_ != 0; }
  std::int32_t state() const { return state_; }
  std::int32_t pc() const { return pc_; }
  int stackDepth() const { return stackTop_; }
  const std::string& name() const { return name_; }
  const std::vector<Instruction>& code() const { return code_; }
  const std::vector<std::uint16_t>& operands() const { return operands_; }
  std::uint32_t serial() const { return serial_; }

  // A hook that runs in place of the sleep while a run with yielding off waits for the end
  // of a "pause" (by default none: the run sleeps to the deadline).
  static void setPauseWaitHook(void (*hook)()) { pauseWaitHook_ = hook; }
  // Smaller shares for bounded runs (the fuzz targets), where a share of slow instructions on
  // the stepping clock would hold a pass for minutes: the instructions of a main code's run,
  // and those of an event's procedure between two answers to the host.
  static void setInstructionShares(int perRun, std::uint32_t betweenHostAnswers);

 private:
  // Why the last execute stopped short of an instruction.
  enum class Stop { none, heldUntilDeadline, held, parked };
  // What holds the thread: only its own "pause" ends with the deadline; "wait" and hold-all
  // last until released, whatever another thread's pause does meanwhile.
  static constexpr std::uint32_t heldFully = 1;
  static constexpr std::uint32_t heldByPause = 2;

  void resetFields();
  bool loadByName(const char* name);
  bool takeScriptData(std::string data, std::size_t position, bool include);
  bool takeSourceText(std::string data, std::size_t position);
  // A script that cannot be loaded: the alert, the end of the program, and inside an include
  // the end of the compilation. `detail` says more on standard error.
  bool failLoad(const std::string& alert, const std::string& detail);
  bool reportCompileError();
  // Names the script, the line at the position and its text, and what was expected there.
  void sayCompileProblem(std::size_t position, const std::string& problem);
  // A "]" outside every block ends the compilation; lines after it are named, not compiled.
  void reportTextAfterStrayBracket();
  void compileError(int code);
  // Where a statement stands, for messages: the line of a source position, and "file line N"
  // of an instruction (the script's name alone for a compiled image).
  long lineAt(std::size_t position);
  std::string placeOf(std::int32_t instruction) const;
  struct Place {
    std::string file;
    long line = 0;  // 0: a compiled image, which has no lines
  };
  Place placeAt(std::int32_t instruction) const;
  // A fault found while the script runs, on standard error as compile errors are: the script,
  // the line and its text as the file holds it, and the problem.
  void reportFaultAt(const Place& place, const std::string& problem) const;
  std::string sourceLine(const std::string& file, long line) const;
  bool pushBlock(std::int32_t index);
  bool compileBody();
  void compileAssignment(int destination);
  void compileList(int destination);
  void compileKeyword(std::uint32_t opcode);
  bool includeFile();
  bool resumeIncludingFile();
  bool pushOperandWord(std::uint16_t word);

  // Interpreter helpers.
  const std::uint16_t* operandRun(const Instruction& instruction) const;
  static int runLength(const std::uint16_t* run);
  static YVariable* operandVariable(const std::uint16_t* run, int k);
  void scriptError(const char* what);
  bool push(std::int16_t word);
  void park(std::uint32_t opcode);
  void callStep();
  void doCall(const std::uint16_t* run);
  void doProcedure(const std::uint16_t* run);
  void doForSetUp(const std::uint16_t* run);
  void doForTest(const std::uint16_t* run);
  void doJump(std::int32_t target);
  void doIfTest(const std::uint16_t* run);
  void doSay(const std::uint16_t* run);
  void doReturn();
  void doAssign(const std::uint16_t* run);
  static void assignExpression(YVariable& destination, YVariable& expression);
  static void assignNumber(YVariable& destination, double number);
  void doDrop(const std::uint16_t* run);
  bool dumpState(const std::uint16_t* run, int& k);
  void doGlobalFunction(const std::uint16_t* run);
  void doPeriodic(const std::uint16_t* run, bool schedule);
  void doPause(const std::uint16_t* run);
  // Sleeps toward the pause's deadline, no longer than the given milliseconds (a hook, in
  // tests, moves the clock instead).
  static void sleepTowardPauseDeadline(std::uint32_t longest);
  // Whether the pauses of a run begun at that clock time have held it its share of the pass.
  static bool pausedTooLong(std::uint32_t began);
  // Whether a run whose work began then has worked its share (looked at every few hundred
  // instructions).
  static bool workedTooLong(std::uint32_t working);
  // A main run's pause: sleeps toward the deadline within the run's share, moving the start of
  // the run's work on by the time asleep; true when the run's pauses have held it their share.
  static bool sleepThroughPause(std::uint32_t began, std::uint32_t& working);
  // An event's pause: holds the raising call until the deadline, answering the host between
  // slices; an end of the program cuts it short.
  static void sleepUntilPauseEnds();
  void doSet(const std::uint16_t* run);
  void doGet(const std::uint16_t* run);
  void doYield(const std::uint16_t* run);
  void doPlay(const std::uint16_t* run);
  void doSwitch(const std::uint16_t* run);
  bool runPeriodic(std::int32_t procedure, int kind);

  Opener opener_ = nullptr;
  std::uint32_t stepRequest_ = 1;
  std::unique_ptr<OMLink> endedHook_, yieldHook_, startedHook_, stepHook_;
  std::vector<Instruction> code_;
  std::vector<std::uint16_t> operands_;
  std::array<std::int16_t, stackCapacity> stack_{};
  std::string name_;
  std::array<LoopRecord, loopCapacity> loops_{};
  std::int32_t loopTop_ = -1;
  std::int32_t idleProcedure_ = 0, scheduleProcedure_ = 0;
  std::int32_t scheduleCounter_ = 0, idleCounter_ = 0;
  std::int32_t schedulePeriod_ = 0, idlePeriod_ = 0;
  std::uint32_t waiting_ = 0;
  std::uint32_t loaded_ = 0;
  std::uint32_t acceptsMessages_ = 1;
  std::uint32_t inMessage_ = 0;
  std::uint32_t running_ = 0;
  std::uint32_t yieldFlag_ = 1;
  std::int32_t messageDepth_ = 0;
  std::int32_t state_ = yielding;
  std::int32_t pc_ = 0;
  std::uint32_t held_ = 0;
  std::int32_t stackTop_ = 0;
  std::uint32_t condition_ = 1;
  // The main code's context while a message runs (the loop depth too, so that a message
  // abandoned inside a loop does not leave its loop behind).
  std::int32_t savedPc_ = 0;
  std::uint32_t savedHeld_ = 0;
  std::int32_t savedStackTop_ = 0;
  std::uint32_t savedCondition_ = 1;
  std::int32_t savedLoopTop_ = -1;

  Stop stop_ = Stop::none;
  int messageNesting_ = 0;
  std::uint32_t serial_ = 0;

  // Compilation state.
  std::string source_;
  std::size_t pos_ = 0;
  std::size_t errorPos_ = 0;
  std::size_t countedPos_ = 0;
  long countedLine_ = 1;
  std::vector<std::uint32_t> codeLines_;
  std::vector<std::pair<std::size_t, std::string>> codeFiles_;  // where each file's code begins
  // The "call" that asked for the script being loaded, for the report of a load that fails.
  Place callSite_;
  int error_ = 0;
  std::string fatalText_;  // what an include that ended the program said
  bool compiling_ = false;
  int nesting_ = 0;
  int loopNesting_ = 0;
  std::int32_t ifEnd_ = -1;

  static void (*pauseWaitHook_)();
  static int instructionShare_;
  static std::uint32_t hostAnswerInterval_;
};
