#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/FuzzBytes.h"
#include "fuzz/support/HostileWords.h"
#include "fuzz/support/ScriptSurface.h"

// A script of the language's statements, drawn from a fuzz input over what the registries
// offer: objects made by class name, their properties set and read, their methods played,
// their events connected to procedures that drop their own receiver or other objects, global
// functions, drops, loops, pauses and script switches, with arguments drawn from hostile
// values. Beside the script, an input script of clicks and keys at times of the run (the
// headless host's form).
class SurfaceScript {
 public:
  struct Content {
    // Words that name the program's content: resource ids, file and script names.
    std::vector<std::string> words;
    // Where the clicks go: points of the stage, which the generated positions put objects at.
    std::vector<std::array<int, 2>> points;
    // The clock time of the first pass, and how long the run lasts.
    std::uint32_t start = 0;
    std::uint32_t length = 0;
  };

  SurfaceScript(const std::uint8_t* data, std::size_t size, const ScriptSurface& surface,
                const Content& content);

  const std::string& text() const { return text_; }
  const std::string& input() const { return input_; }

 private:
  static constexpr int objectCount = HostileWords::objectCount;
  static constexpr int procedureLimit = 6;
  static constexpr std::size_t statementLimit = 120;
  // Below the source limit of a script, with room for one more statement.
  static constexpr std::size_t textLimit = 24000;

  // Where a statement goes: the main code (-1) or a procedure.
  struct Place {
    int procedure = -1;
    int depth = 0;
  };

  void writeStatement(const Place& place, std::string& out);
  void writeCreation(std::string& out);
  void writeSetProperty(std::string& out);
  void writeConnection(const Place& place, std::string& out);
  void writeGet(std::string& out);
  void writePlay(const Place& place, std::string& out);
  void writeGlobalCall(std::string& out);
  void writeDrop(const Place& place, std::string& out);
  void writeFlow(const Place& place, std::string& out);
  void writeAssignment(std::string& out);
  void writeLoop(const Place& place, std::string& out);
  void writeCondition(const Place& place, std::string& out);
  void writeCall(const Place& place, std::string& out);
  void writeBody(const Place& place, std::string& out);
  void writeInput();

  std::string objectVariable(const Place& place);
  // A member of the kind for the object variable: of its class when known, else of any.
  std::string member(const std::string& object, int kind);
  int classIndexOf(const std::string& object) const;
  const ScriptSurface::ClassSurface* classOf(const std::string& object) const;

  FuzzBytes bytes_;
  const ScriptSurface& surface_;
  const Content& content_;
  HostileWords words_;
  int procedures_ = 0;
  std::array<int, objectCount> classes_{};
  std::size_t statements_ = 0;
  std::string text_;
  std::string input_;
};
