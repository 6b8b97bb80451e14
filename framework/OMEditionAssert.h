#pragma once

#include "framework/OMEdition.h"

// The assessment edition checks its invariants as its C runtime did: a broken one shows
// "Assertion failed: <expression>, file <unit>, line <line>" in a message box and ends the
// program. The game edition does not check these; its code takes its own way instead.
//
// The expression text is given as the check is known, for the message names it exactly:
//   OM_EDITION_ASSERT(kind != unclassified, "untyped != type");
#define OM_EDITION_ASSERT(condition, expressionText) \
  ((!OMEdition::isAssessment() || (condition))       \
       ? static_cast<void>(0)                        \
       : omAssertionBox(expressionText, __FILE__, __LINE__))

// For the assessment program's own units, which are named by their source unit
// ("..\\src\\main"): checked whatever the edition, since only that program has them.
#define OM_UNIT_ASSERT(condition, unit) \
  ((condition) ? static_cast<void>(0) : omAssertionBox(#condition, unit, __LINE__))

// The message box text of a broken assertion.
void formatAssertionMessage(char* buffer, int size, const char* expression, const char* unit,
                            int line);
// A call made once before a broken assertion ends the program (null: none).
void setAssertionExitHook(void (*hook)());
[[noreturn]] void omAssertionBox(const char* expression, const char* unit, int line);
