#pragma once

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/AnimationBuilder.h"
#include "tests/support/TestStage.h"
#include "tools/ColorTableWriter.h"
#include "trinkets/src/OMFrameEntry.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace omtest {

inline OMFrameEntry showImage(int image, int x = 0, int y = 0, int param = 0)
{
  return OMFrameEntry{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                      static_cast<std::int16_t>(image), static_cast<std::int16_t>(param)};
}
inline OMFrameEntry controlCode(int c, int param = 0)
{
  return OMFrameEntry{0, 0, static_cast<std::int16_t>(c), static_cast<std::int16_t>(param)};
}

// Colour index i (1 to 4) is red, green, blue, yellow; the rest black.
inline std::vector<std::uint8_t> primaryColorTable()
{
  std::array<std::uint8_t, 768> rgb{};
  const std::uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
  for (int i = 0; i < 4; ++i) {
    for (int c = 0; c < 3; ++c)
      rgb[3 * (i + 1) + c] = colours[i][c];
  }
  return writeColorTable(rgb);
}

// A test stage running one script: "say" lines land in "debug.txt", read back line by line.
class StageScript {
 public:
  explicit StageScript(TestStage& stage) : stage_(stage) {}
  ~StageScript() { stop(); }

  void run(const std::string& body, int passes = 2)
  {
    std::ofstream("stage.mps", std::ios::binary) << "yield off\rdebug\r" << body;
    thread_ = std::make_unique<YThread>("stage.mps", nullptr);
    thread_->start();
    stage_.passes(passes);
  }
  // The lines said since the last call.
  std::vector<std::string> said()
  {
    const std::vector<std::string> all = stage_.debugLines();
    std::vector<std::string> fresh(all.begin() + std::min(seen_, all.size()), all.end());
    seen_ = all.size();
    return fresh;
  }
  template <typename T>
  static T* object(const char* name)
  {
    return dynamic_cast<T*>(scriptVariables.getObjectByName(name, false));
  }
  void stop()
  {
    thread_.reset();
    scriptVariables.clear();
    clearEventRecords();
  }

 private:
  TestStage& stage_;
  std::unique_ptr<YThread> thread_;
  std::size_t seen_ = 0;
};

}  // namespace omtest
