#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/FuzzBytes.h"
#include "fuzz/support/HostileWords.h"
#include "fuzz/support/ScriptSurface.h"
#include "fuzz/support/SurfaceScript.h"

// A script that goes through one part of the whole surface in turn, so that every class,
// member and global function is reached by some input however the fuzzer's choices fall: each
// class of the part is made at a point where a click lands, each of its properties set and
// read, each of its methods played, each of its events connected to a procedure that drops
// its receiver; time passes and the object is dropped; then each global function of the part
// is called. The values are the input's choices among the hostile words.
class SurfaceSweep {
 public:
  // The surface is cut into this many parts: each part's script stays well below the source
  // limit and its run within the run's passes.
  static constexpr int parts = 12;

  SurfaceSweep(int part, const std::uint8_t* data, std::size_t size, const ScriptSurface& surface,
               const SurfaceScript::Content& content);

  const std::string& text() const { return text_; }
  // Clicks on the objects' point all through the run.
  const std::string& input() const { return input_; }

 private:
  void sweepClass(const ScriptSurface::ClassSurface& surface);
  void sweepFunction(const std::string& name);

  FuzzBytes bytes_;
  HostileWords words_;
  std::array<int, 2> point_{};
  std::string text_;
  std::string input_;
};
