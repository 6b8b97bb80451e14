// The interpreter against Lua 5.4 on the same loop: 2,500,000 rounds of four simple
// statements (assignments, arithmetic, a comparison), reported per statement. Both sides count
// processor time (Lua's os.clock), so that a loaded machine does not tilt the ratio; Lua runs
// first and the interpreter's line gives the ratio to it ("vs_lua"). The loop gives the pass
// back every so many instructions, so the interpreter's side runs the script tick until the
// thread parks at the end of its code.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bench/ProcessorTime.h"
#include "platform/host/HostClock.h"
#include "trinkets/src/rthread/ScriptMessages.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/YThread.h"

namespace {

constexpr double statements = 2500.0 * 1000.0 * 4.0;
double luaNsPerStatement = 0.0;

const char scriptLoop[] =
    "yield off\r"
    "s=0\r"
    "c=0\r"
    "for a 1 2500\r"
    "  for b 1 1000\r"
    "  [\r"
    "    s=s+b\r"
    "    t=b*2\r"
    "    if t>100\r"
    "      c=c+1\r"
    "  ]\r";

const char luaLoop[] =
    "local start = os.clock()\n"
    "s = 0; c = 0\n"
    "for a = 1, 2500 do\n"
    "  for b = 1, 1000 do\n"
    "    s = s + b\n"
    "    t = b * 2\n"
    "    if t > 100 then c = c + 1 end\n"
    "  end\n"
    "end\n"
    "print(os.clock() - start)\n";

// The main code ends on the entry after its last instruction, where the thread parks.
bool parkedAtTheEnd(const YThread& thread)
{
  return thread.pc() + 1 >= static_cast<int>(thread.code().size());
}

void scriptInterpreter(benchmark::State& state)
{
  {
    std::ofstream file("bench-loop.mps", std::ios::binary);
    file << scriptLoop;
  }
  double total = 0.0;
  for (auto _ : state) {
    YThread thread("bench-loop.mps", nullptr);
    thread.start();
    const double begin = benchtime::processorNanoseconds();
    while (!parkedAtTheEnd(thread))
      scriptTick();
    const double elapsed = (benchtime::processorNanoseconds() - begin) / 1e9;
    state.SetIterationTime(elapsed);
    total += elapsed;
  }
  const double perStatement = total / static_cast<double>(state.iterations()) / statements * 1e9;
  state.counters["ns_per_statement"] = perStatement;
  if (luaNsPerStatement > 0.0) state.counters["vs_lua"] = perStatement / luaNsPerStatement;
  std::remove("bench-loop.mps");
}

// Lua runs as Debian's lua5.4 program; it times its own loop, so start-up is not counted.
void luaInterpreter(benchmark::State& state)
{
  {
    std::ofstream file("bench-loop.lua", std::ios::binary);
    file << luaLoop;
  }
  double total = 0.0;
  for (auto _ : state) {
    std::FILE* lua = popen("lua5.4 bench-loop.lua", "r");
    if (!lua) {
      state.SkipWithError("lua5.4 cannot be started");
      break;
    }
    double seconds = 0.0;
    const int read = std::fscanf(lua, "%lf", &seconds);
    if (pclose(lua) != 0 || read != 1) {
      state.SkipWithError("lua5.4 did not run the loop");
      break;
    }
    state.SetIterationTime(seconds);
    total += seconds;
  }
  luaNsPerStatement = total / static_cast<double>(state.iterations()) / statements * 1e9;
  state.counters["ns_per_statement"] = luaNsPerStatement;
  std::remove("bench-loop.lua");
}

}  // namespace

BENCHMARK(luaInterpreter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(scriptInterpreter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
