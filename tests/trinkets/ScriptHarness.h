#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "framework/OMLinkToObj.h"
#include "platform/host/HostClock.h"
#include "tests/support/AppTestSupport.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObject.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/ScriptMessages.h"
#include "trinkets/src/rthread/ThreadStack.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace scripttest {

inline std::vector<std::string> alerts;
inline std::vector<int> exitCodes;
inline std::vector<std::string> probeLog;
inline int probesAlive = 0;

inline void recordAlert(const char* text)
{
  alerts.emplace_back(text);
}
inline void recordExit(int code)
{
  exitCodes.push_back(code);
}

// A script-visible class for the tests: a text property "value" whose setter logs the
// arguments it pops, methods that log their arguments, one that fails and one that raises
// "ping" (which is then not delivered), and the event "ping".
class TProbe : public OMScriptableObject {
 public:
  TProbe() { ++probesAlive; }
  TProbe(const TProbe& other) : OMScriptableObject(other), value(other.value) { ++probesAlive; }
  ~TProbe() override { --probesAlive; }

  static std::unique_ptr<OMScriptableObject> create()
  {
    std::string made = "made";
    for (const char* argument = popScriptArg(); *argument; argument = popScriptArg()) {
      made += std::string(" ") + argument;
    }
    probeLog.push_back(made);
    return std::make_unique<TProbe>();
  }

  std::unique_ptr<OMScriptableObject> clone() const override
  {
    auto copy = std::make_unique<TProbe>(*this);
    copyMembers(copy.get());
    return copy;
  }

  void registerMembers() override
  {
    const OMLinkToObj<TProbe> setter(this, &TProbe::setValue, 0);
    const OMLinkToObj<TProbe> getter(this, &TProbe::getValue, 0);
    addProperty("value", &setter, &getter);
    addMethod("start", OMLinkToObj<TProbe>(this, &TProbe::start));
    addMethod("fail", OMLinkToObj<TProbe>(this, &TProbe::fail));
    addMethod("poke", OMLinkToObj<TProbe>(this, &TProbe::poke));
    const OMLinkToObj<TProbe> byDefaultLink(this, &TProbe::byDefault);
    addDefaultMethod(&byDefaultLink);
    addEvent("ping");
  }

  std::string value;
  int pokeRaised = -1;

 private:
  static std::string arguments()
  {
    std::string all;
    for (const char* argument = popScriptArg(); *argument; argument = popScriptArg()) {
      all += std::string(" ") + argument;
    }
    return all;
  }
  OMWord setValue(OMWord text)
  {
    value = reinterpret_cast<const char*>(text);
    probeLog.push_back("set" + arguments() + " = " + value);
    return 1;
  }
  OMWord getValue(OMWord buffer)
  {
    std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%s", value.c_str());
    return 1;
  }
  OMWord start()
  {
    probeLog.push_back("start" + arguments());
    return 1;
  }
  OMWord fail() { return 0; }
  OMWord poke()
  {
    pokeRaised = raise("ping");
    return 1;
  }
  OMWord byDefault()
  {
    probeLog.push_back("default" + arguments());
    return 1;
  }
};

inline TrinketRecord probeRecord("TProbe", &TProbe::create);

// Compiles and runs real script text on threads, in a temporary folder, on the manual clock.
class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    original_ = std::filesystem::current_path();
    char pattern[] = "/tmp/om-script-XXXXXX";
    const char* made = mkdtemp(pattern);
    ASSERT_NE(made, nullptr);
    folder_ = made;
    std::filesystem::current_path(folder_);
    app_ = std::make_unique<omtest::TestApp>();
    alerts.clear();
    exitCodes.clear();
    probeLog.clear();
    setScriptAlertHandler(&recordAlert);
    setScriptExitHandler(&recordExit);
    setScriptStepMode(0);
    YThread::setPauseWaitHook(&timeGoesOn);
  }

  void TearDown() override
  {
    threads_.clear();
    scriptVariables.clear();
    clearEventRecords();
    clearScriptStack();
    setScriptStepMode(0);
    setScriptQuitHandler(nullptr);
    YThread::setPauseWaitHook(nullptr);
    setScriptAlertHandler(nullptr);
    setScriptExitHandler(nullptr);
    std::filesystem::current_path(original_);
    std::filesystem::remove_all(folder_);
    app_.reset();
  }

 public:
  static void writeFile(const std::string& name, const std::string& text)
  {
    std::ofstream file(name, std::ios::binary);
    file << text;
  }

 protected:
  // A thread on the named script file, started when it loaded.
  YThread* thread(const std::string& name)
  {
    threads_.push_back(std::make_unique<YThread>(name.c_str(), nullptr));
    YThread* made = threads_.back().get();
    made->start();
    return made;
  }

  // Writes the text (lines joined with line ends) and makes a thread on it.
  YThread* load(const std::string& text, const std::string& name = "test.mps")
  {
    writeFile(name, text);
    return thread(name);
  }

  // Loads with yielding off, so that one pass runs the main code to its end.
  YThread* run(const std::string& text, int passCount = 1)
  {
    YThread* made = load("yield off\r" + text);
    passes(passCount);
    return made;
  }

  static void passes(int count) { omtest::runPasses(count); }

  // A run that waits for a pause sees the time go on.
  static void timeGoesOn() { omhost::advanceClock(1); }

  // Runs the steps without the hook above, on a clock that steps as the programs' clock does,
  // so that only the interpreter's own wait takes a run to a pause's deadline. A run still
  // waiting after some real seconds is ended by moving the clock far on: the answer is then
  // false.
  template <typename Steps>
  static bool endsWithoutTheWaitHook(Steps steps)
  {
    YThread::setPauseWaitHook(nullptr);
    omhost::useSteppingClock(10, omhost::clockMilliseconds());
    std::atomic<bool> stuck{false};
    {
      std::mutex mutex;
      std::condition_variable_any ended;
      const std::jthread watch([&](std::stop_token stop) {
        std::unique_lock lock(mutex);
        ended.wait_for(lock, stop, std::chrono::seconds(5), [] { return false; });
        if (stop.stop_requested()) return;
        stuck = true;
        omhost::advanceClock(1u << 30);
      });
      steps();
    }
    omhost::useManualClock(omhost::clockMilliseconds());
    YThread::setPauseWaitHook(&timeGoesOn);
    return !stuck;
  }

  // One tick of at least 100 ms.
  static void ticks(int count) { omtest::runPasses(count, 101); }

  std::string debugText() const
  {
    std::ifstream file("debug.txt", std::ios::binary);
    std::stringstream all;
    all << file.rdbuf();
    return all.str();
  }

  std::vector<std::string> debugLines() const
  {
    std::vector<std::string> lines;
    std::stringstream all(debugText());
    for (std::string line; std::getline(all, line);)
      lines.push_back(line);
    return lines;
  }

  static YVariable* variable(const char* name)
  {
    return scriptVariables.at(scriptVariables.find(name, -1));
  }

  static std::string text(const char* name)
  {
    YVariable* found = variable(name);
    return found ? found->getText() : std::string("<none>");
  }

  static TProbe* probe(const char* name)
  {
    return dynamic_cast<TProbe*>(scriptVariables.getObjectByName(name, false));
  }

  void dropThreads() { threads_.clear(); }

  std::unique_ptr<omtest::TestApp> app_;
  std::vector<std::unique_ptr<YThread>> threads_;

 private:
  std::filesystem::path original_;
  std::filesystem::path folder_;
};

}  // namespace scripttest
