// The interpreter against Lua 5.4 on the same loop: 2,500,000 rounds of four simple
// statements (assignments, arithmetic, a comparison), reported per statement.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/host/HostClock.h"
#include "trinkets/src/rthread/ScriptMessages.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/YThread.h"

namespace {

constexpr double statements = 2500.0 * 1000.0 * 4.0;

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
    const auto begin = std::chrono::steady_clock::now();
    scriptTick();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - begin;
    state.SetIterationTime(elapsed.count());
    total += elapsed.count();
  }
  state.counters["ns_per_statement"] =
      total / static_cast<double>(state.iterations()) / statements * 1e9;
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
  state.counters["ns_per_statement"] =
      total / static_cast<double>(state.iterations()) / statements * 1e9;
  std::remove("bench-loop.lua");
}

}  // namespace

BENCHMARK(scriptInterpreter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(luaInterpreter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
