#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "trinkets/src/rvar/YVariable.h"

class OMScriptableObject;

// A handle of a script variable: its table index; -1 for none.
using YVariableRef = int;

// The one table of script variables, shared by every script thread: a name used in two
// scripts is the same variable. Indices stay valid until the table is cleared.
class YVariableTable {
 public:
  static constexpr int systemIndex = 0;
  static constexpr int receiverIndex = 1;
  static constexpr int resultIndex = 2;
  // Operand words are 16-bit and read as signed, so indices stay below this.
  static constexpr int indexLimit = 32768;
  static constexpr int growth = 128;

  YVariableTable() = default;
  ~YVariableTable();
  YVariableTable(const YVariableTable&) = delete;
  YVariableTable& operator=(const YVariableTable&) = delete;

  bool isInitialised() const { return initialised_; }
  int count() const { return static_cast<int>(variables_.size()); }
  int capacity() const { return capacity_; }

  // On first use only: the reserved variables SYSTEM, RECEIVER and RESULT.
  void init();
  // Deletes every variable (and the objects they own).
  void clear();

  int find(const char* name, int length) const;
  YVariable* at(int index) const
  {
    return index >= 0 && index < count() ? variables_[index].get() : nullptr;
  }
  // The index of the entry of that name, or of a new entry, classified at once and given
  // the initial text when one is given. -1 when the table is full.
  int add(const char* name, int length, const char* initialText = nullptr);
  // The same for a name that is a plain variable whatever it looks like (the variable that a
  // dotted name denotes, the reserved ones).
  int addPlain(const char* name, int length);
  int findOrAddKind(const char* text, int length, YVariable::Kind kind);
  int append(std::unique_ptr<YVariable> variable);
  int makeInstanceName(int baseIndex);
  int bindObject(const char* name, OMScriptableObject* object);
  std::string bindInstance(const char* name, OMScriptableObject* object);
  int resolve(const char* name);
  OMScriptableObject* getObject(int index, int* marked = nullptr, bool release = false);
  OMScriptableObject* getObjectByName(const char* name, bool release = false);
  const char* nameOfObject(const OMScriptableObject* object, int* index = nullptr) const;
  bool forgetObject(OMScriptableObject* object, bool deleteIt);
  void clearObjects(bool deleteThem);
  const char* getTextByName(const char* name);
  // Variables from index 3 on, as the compiled script image stores them.
  void write(std::FILE* file) const;
  void appendImage(std::vector<unsigned char>& out, bool swapped) const;

  // Walks for the debug functions.
  const char* firstProcedureName();
  const char* nextProcedureName();
  const char* firstVariableName(YVariable::Type type);
  const char* nextVariableName();
  OMScriptableObject* lastEnumeratedObject() const { return lastEnumeratedObject_; }
  const char* firstInstance(int baseIndex);
  const char* nextInstance();

 private:
  int addEntry(const char* name, int length, bool plain, const char* initialText);
  void classify(YVariable& variable);
  void classifySubstring(YVariable& variable, std::size_t firstBar);
  void classifyLiteral(YVariable& variable);
  void classifyDotted(YVariable& variable);
  int addPart(const std::string& part);
  void noteInstance(const YVariable& variable);
  void takeKnownInstances(YVariable& variable);
  int appendEntry(std::unique_ptr<YVariable> variable);
  const char* procedureNameFrom(int index);
  const char* variableNameFrom(int index);

  bool initialised_ = false;
  int capacity_ = 0;
  std::vector<std::unique_ptr<YVariable>> variables_;
  // First index of each name, so that lookups stay fast in big scripts.
  std::unordered_map<std::string, int> byName_;
  // For each base name, the first index and highest number of its instance variables.
  struct InstanceInfo {
    int first = 0;
    int highest = 0;
  };
  std::unordered_map<std::string, InstanceInfo> instancesByBase_;
  int walkIndex_ = 0;
  YVariable::Type walkType_ = YVariable::typeEmpty;
  OMScriptableObject* lastEnumeratedObject_ = nullptr;
};

extern YVariableTable scriptVariables;
