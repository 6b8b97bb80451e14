#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"

// One piece of periodic work: the main loop runs every registered task once per pass, in
// ascending order of the task word. A suspended task keeps its place and is skipped.
class OMTask {
 public:
  OMTask(const OMLink* link, std::uint32_t word);
  virtual ~OMTask();
  OMTask(const OMTask&) = delete;
  OMTask& operator=(const OMTask&) = delete;

  // Calls the link without argument: the callee receives the link's own bound word.
  virtual void run();
  static void runOnce(OMTask* task);

  void setLink(const OMLink* link);
  std::uint32_t word() const { return word_; }
  void suspend() { suspended_ = true; }
  void resume() { suspended_ = false; }
  bool isSuspended() const { return suspended_; }

 private:
  std::uint32_t word_;
  std::unique_ptr<OMLink> link_;
  bool suspended_ = false;
};
