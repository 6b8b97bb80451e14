#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/OMLink.h"

// A global script function: a line whose first word is its name calls its link, with the
// line's other words on the script argument stack. It answers through RESULT.
struct YNativeFunction {
  std::string name;
  std::unique_ptr<OMLink> link;
};

// A later registration of a name replaces the earlier one and goes to the end of the list.
void registerScriptFunction(const char* name, const OMLink* link);
YNativeFunction* findScriptFunction(const char* name);
// Rewinds the argument stack and calls the function.
void callScriptFunction(YNativeFunction& function);

void setScriptResultText(const char* text);
void setScriptResultDouble(double value);
void setScriptResultInt(std::int32_t value);

// The registered names in registration order; the last one returned makes its link current.
const char* firstScriptFunction();
const char* nextScriptFunction();
OMLink* currentScriptFunctionLink();
