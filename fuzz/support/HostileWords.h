#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "fuzz/support/FuzzBytes.h"
#include "fuzz/support/ScriptSurface.h"

// The words that generated scripts pass as arguments and values, drawn from the input:
// numbers at and past the edges of what content uses, texts that are no number, the content's
// own ids and names, objects and the names of objects that may be gone, texts that the run
// fills in (longer than any script line, or marked as objects that are none), and names from
// the registries.
class HostileWords {
 public:
  // Object variables are o0 to o5, text variables t0 to t2, procedures p0 onwards.
  static constexpr int objectCount = 6;
  static constexpr int textCount = 3;

  // Variables that the run fills in before the script starts.
  static constexpr const char* hugeText = "huge";
  static constexpr const char* markerText = "mark";
  static constexpr const char* markedText = "markx";

  HostileWords(FuzzBytes& bytes, const ScriptSurface& surface,
               const std::vector<std::string>& contentWords);

  void setProcedures(int procedures) { procedures_ = procedures; }

  std::string argument();
  // Up to `most` arguments, each after a blank.
  std::string arguments(std::size_t most);
  // The words after the class's name in an assignment, each after a blank: the arguments that
  // made an instance of it when the surface was gathered, with the point (when given) in the
  // place of the position they begin with, or before them when they are none; each other
  // word kept or, `hostile` times in eight, put in a hostile value's place; then up to
  // `extra` arguments more.
  std::string creationArguments(const ScriptSurface::ClassSurface& made,
                                const std::array<int, 2>* point, int hostile, std::size_t extra);
  std::string number();
  std::string text();
  // A name of a class, an action class, a global function or a member.
  std::string name();
  // A loop bound: mostly small, sometimes hostile.
  std::string count();
  // A count that can stand after an operator.
  std::string operand();
  std::string textVariable();
  std::string procedureLabel();

 private:
  FuzzBytes& bytes_;
  const ScriptSurface& surface_;
  const std::vector<std::string>& contentWords_;
  int procedures_ = 1;
};
