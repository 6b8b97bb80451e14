#pragma once

#include <memory>

// Ends the argument lists of callMethod and createTrinketByName: a text whose first byte is 1.
extern const char scriptArgTerminator[];

// One argument of the script argument stack: an owned copy of its text.
class OMSParameter {
 public:
  explicit OMSParameter(const char* text);

  const char* text() const { return text_.get(); }

 private:
  std::unique_ptr<char[]> text_;
};

// The program-wide argument stack through which scripts pass texts to native code. It is a
// queue with a read cursor: push appends, pop reads forward, rewind reads again from the
// first. It lives from the first class registration to the last unregistration; outside that
// time pushes are dropped and pops give the empty text.
void clearScriptArgs();
void pushScriptArg(const char* text);
void rewindScriptArgs();
// The next argument, or the empty text when none is left. Valid until the next clear.
const char* popScriptArg();

// Called by the class registry with its first and last record.
void createScriptArgs();
void destroyScriptArgs();
