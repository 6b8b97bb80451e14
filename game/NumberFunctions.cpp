#include "game/NumberFunctions.h"

#include <omcrt.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "game/MachineChecks.h"
#include "game/WorldField.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

// Made by "randomList new"; empty when there is none. Its size is kept, so that an index
// outside it reads nothing.
std::vector<std::int16_t> randomEntries;

int popNumber()
{
  return decimalValueOf(popScriptArg());
}

std::int16_t popShort()
{
  return static_cast<std::int16_t>(popNumber());
}

// 0 .. count - 1, shuffled unless in order: count x 10 swaps of two drawn positions.
void fillCounting(int count, int order)
{
  for (int i = 0; i < count; ++i)
    randomEntries[std::size_t(i)] = static_cast<std::int16_t>(i);
  if (order != 0) return;
  for (int swap = 0; swap < count * 10; ++swap) {
    const int first = std::rand() % count;
    const int second = std::rand() % count;
    std::swap(randomEntries[std::size_t(first)], randomEntries[std::size_t(second)]);
  }
}

// Draws from the range (or counts up from it in order), the last entry drawn apart from the
// first; then the first two are 0 and 1.
void fillFromRange(int count, int range, int order)
{
  for (int i = 0; i < count - 1; ++i)
    randomEntries[std::size_t(i)] =
        static_cast<std::int16_t>(order == 0 ? std::rand() % range : range + i);
  if (count != 1) {
    std::int16_t& last = randomEntries[std::size_t(count - 1)];
    last = static_cast<std::int16_t>(std::rand() % range);
    // A range of 1 draws nothing but 0: drawing again could never end.
    const bool canDiffer = range != 1 && range != -1;
    while (canDiffer && last == randomEntries[0])
      last = static_cast<std::int16_t>(std::rand() % range);
  }
  randomEntries[0] = 0;
  if (count > 1) randomEntries[1] = 1;
}

void makeRandomList()
{
  randomEntries.clear();
  const int count = popShort();
  const int range = popShort();
  const int order = popNumber();
  if (count < 1) return;
  randomEntries.assign(std::size_t(count), 0);
  if (range == 0) {
    fillCounting(count, order);
  } else {
    fillFromRange(count, range, order);
  }
}

void readRandomList()
{
  if (randomEntries.empty()) return;
  const int index = popNumber();
  if (index < 0 || std::size_t(index) >= randomEntries.size()) return;
  setScriptResultInt(randomEntries[std::size_t(index)]);
}

}  // namespace

namespace scriptfn {

OMWord randomNumber(OMWord)
{
  const int a = popNumber();
  const int b = popNumber();
  const char* excluded = popScriptArg();
  if (a == b) {
    setScriptResultInt(a);
    return 1;
  }
  const long long low = std::min(a, b), high = std::max(a, b);
  // Bounds wider than an int draw from the low end.
  const int span = static_cast<int>(std::min<long long>(high - low + 1, INT_MAX));
  long long offset = *excluded ? decimalValueOf(excluded) - low : -1;
  if (offset < 0 || offset >= span) offset = -1;
  const int pick = randomExcept(span, static_cast<int>(offset));
  setScriptResultInt(static_cast<std::int32_t>(low + pick));
  return 1;
}

OMWord randomList(OMWord)
{
  const std::string command = popScriptArg();
  if (_stricmp(command.c_str(), "new") == 0) {
    makeRandomList();
  } else if (_stricmp(command.c_str(), "delete") == 0) {
    deleteRandomList();
  } else {
    readRandomList();
  }
  return 1;
}

OMWord bitwiseAnd(OMWord)
{
  const int a = popNumber();
  setScriptResultInt(a & popNumber());
  return 1;
}

OMWord bitwiseOr(OMWord)
{
  const int a = popNumber();
  setScriptResultInt(a | popNumber());
  return 1;
}

}  // namespace scriptfn

void deleteRandomList()
{
  randomEntries.clear();
  randomEntries.shrink_to_fit();
}
