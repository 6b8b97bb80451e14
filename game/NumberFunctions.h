#pragma once

#include "framework/OMWord.h"

// The scripts' numbers: random numbers from the C library's generator, the random list, and
// the bitwise operations. Each is a global script function answering in RESULT.
namespace scriptfn {

// "RandomNumber" a b [excluded]: a number between a and b, both included, never the
// excluded one unless it is the only one there is.
OMWord randomNumber(OMWord unused);
// "randomList" new count range order | delete | index: makes, forgets or reads the list.
OMWord randomList(OMWord unused);
// "AND" a b, "OR" a b.
OMWord bitwiseAnd(OMWord unused);
OMWord bitwiseOr(OMWord unused);

}  // namespace scriptfn

// Forgets the random list.
void deleteRandomList();
