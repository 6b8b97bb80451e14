#pragma once

#include "framework/OMRect.h"

// What the next print job is to print and how; the program's printing reads it.
struct OMPrintParameters {
  int mode = 1;
  OMRect source;
  int firstWord = 0;
  int secondWord = 1;
  OMRect page;
  // Cleared on each store.
  bool flag = false;
};

void setPrintParameters(int mode, const OMRect& source, int firstWord, int secondWord,
                        const OMRect& page);
const OMPrintParameters& printParameters();
