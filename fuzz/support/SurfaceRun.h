#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/RunRecord.h"
#include "fuzz/support/ScriptSurface.h"
#include "fuzz/support/SurfaceContent.h"
#include "fuzz/support/SurfaceScript.h"

// One bounded run of a program on a generated script: the program's files are written into
// the empty working folder, the first script among them, and the program starts as its main
// starts it, on a fresh headless session with the stepping clock; its main loop runs until the
// program ends or the run's bound ends it; then the program is taken down as its main takes
// it down. Nothing of the run may stay behind.
class SurfaceRun {
 public:
  // What an edition's target supplies.
  struct Program {
    // The program's files, made once and written into the working folder (the current one)
    // before each run, and where the script goes as the program's first script.
    std::vector<surfacecontent::File> files;
    std::string firstScript;
    // The program's main up to its main loop; false when it did not start.
    bool (*start)();
    void (*runLoop)();
    void (*end)();
    // Words of the content, and where clicks land.
    SurfaceScript::Content content;
    // The content's resource ids.
    std::vector<std::string> resourceIds;
  };

  static constexpr std::uint32_t clockStart = 10000;
  static constexpr std::uint32_t clockStep = 25;
  static constexpr std::uint32_t runLength = 5000;
  static constexpr int passLimit = 4000;
  static constexpr int instructionShare = 100;
  static constexpr std::uint32_t hostAnswerInterval = 64;
  static constexpr std::size_t hugeTextSize = 100 * 1024;

  // An input that begins with this comment line is a script itself, not choices for one;
  // the kept findings are such scripts, which read as what they do.
  static constexpr const char* scriptMark = "; script\n";
  static constexpr const char* inputMark = "\n; input\n";
  // An input that begins "; sweep N" and a line end goes through part N of the whole surface
  // (SurfaceSweep), the rest of it choosing the values.
  static constexpr const char* sweepMark = "; sweep ";

  static void run(const Program& program, const std::uint8_t* data, std::size_t size);
  // The content with the run's times filled in.
  static SurfaceScript::Content timed(SurfaceScript::Content content);

 private:
  // Gathered once, on a run of the program with an empty script.
  static const ScriptSurface& surface(const Program& program);
  // A run gathers the surface, or runs a script that a generator made or one written out.
  enum Kind { gathering, generated, written };
  static void once(const Program& program, const std::string& script, const std::string& input,
                   Kind kind, RunRecord* record = nullptr);
  // The run under way, for the program main that the program's entry calls.
  struct Running {
    const Program* program = nullptr;
    bool gathering = false;
  };
  static Running& running();
  static int programMain();
  static void presetVariables();
  static void checkNothingStayed();
};
