#pragma once

#include "framework/OMList.h"

// The start and stop functions of one framework module. Each module holds one static entry;
// entries stand in the module list in static-initialisation order. The program's entry point
// runs every init before its main routine and every term after it, both in list order.
class OMAppInitTerm {
 public:
  using Function = void (*)();

  OMAppInitTerm(Function init, Function term);
  OMAppInitTerm(const OMAppInitTerm&) = delete;
  OMAppInitTerm& operator=(const OMAppInitTerm&) = delete;

  Function init() const { return init_; }
  Function term() const { return term_; }

  // The module list, made on first use.
  static OMList<OMAppInitTerm>& modules();
  static void runInits();
  static void runTerms();

 private:
  Function init_;
  Function term_;
};
