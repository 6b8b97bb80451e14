#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestStage.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariable.h"
#include "trinkets/src/rvar/YVariableTable.h"

// A test stage with one script thread: the script's lines run first, then it waits, so that
// its procedures answer events; "say" lines are read back as they come.
class ScriptedStageTest : public ::testing::Test {
 protected:
  explicit ScriptedStageTest(int depth = 16) : stage(depth) {}
  void TearDown() override
  {
    thread_.reset();
    scriptVariables.clear();
    clearEventRecords();
  }
  // Lines and procedures are separated by '\n', as in a script file.
  void runScript(const std::string& lines, const std::string& procedures = "")
  {
    std::string text = "yield off\ndebug\n" + lines + "\nwait\n" + procedures;
    for (char& c : text)
      if (c == '\n') c = '\r';
    std::ofstream("test.mps", std::ios::binary) << text;
    thread_ = std::make_unique<YThread>("test.mps", nullptr);
    thread_->start();
    stage.passes(2);
  }
  template <typename T = OMScriptableObject>
  T* object(const char* name)
  {
    return static_cast<T*>(scriptVariables.getObjectByName(name, false));
  }
  static std::string scriptResult()
  {
    YVariable* result = scriptVariables.at(YVariableTable::resultIndex);
    return result ? result->getText() : "";
  }
  static void setVariable(const char* name, const char* value)
  {
    scriptVariables.at(scriptVariables.add(name, -1, nullptr))->setText(value);
  }
  // The say lines since the last call.
  std::vector<std::string> newLines()
  {
    std::vector<std::string> all = stage.debugLines();
    std::vector<std::string> fresh(all.begin() + static_cast<long>(seen_), all.end());
    seen_ = all.size();
    return fresh;
  }

  omtest::TestStage stage;
  std::unique_ptr<YThread> thread_;
  std::size_t seen_ = 0;
};
