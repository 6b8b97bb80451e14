#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMBackgroundJob.h"
#include "framework/OMCachedFile.h"
#include "game/RResourcePort.h"
#include "game/ResourceFileRegistry.h"
#include "tests/game/ResourceTestSupport.h"
#include "tests/support/ScopedEdition.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using Lines = std::vector<std::string>;
using restest::pattern;
using restest::writeResourceFile;

// Scripts on resource ports over a real registry: "big.rsc" (a large BK16 9, two ASEQ and
// an RRGB of the id of one) and "small.rsc" in the work folder's "RSC\", the cache directory the
// work folder itself.
class ResourcePortTest : public restest::ResourceFolders {
 protected:
  void SetUp() override
  {
    writeResourceFile(work, "RSC/big.rsc",
                      {{"BK16", 9, pattern(300000, 1)},
                       {"ASEQ", 2, "two"},
                       {"ASEQ", 3, "three"},
                       {"RRGB", 2, "colours"}});
    writeResourceFile(work, "RSC/small.rsc", {{"ASEQ", 4, "four"}});
    work.makeFolder("RSC");
    addSearchPath("RSC\\", 1);
    registerResourceFile("big.rsc");
    registerResourceFile("small.rsc");
    ASSERT_EQ(resourceFileCount(), 2);
    setResourceCacheDirectory((work.path() + "/").c_str());
    app_ = std::make_unique<OMApp>(3, OMRect(0, 0, 640, 480), OMRGBColor(), 16, 0);
    setScriptStepMode(1);
  }
  void TearDown() override
  {
    threads_.clear();
    scriptVariables.clear();
    clearEventRecords();
    setScriptStepMode(0);
    app_.reset();
  }

  // Runs the lines as a script of their own, yielding off, so that they run in one pass.
  void run(const std::string& lines)
  {
    const std::string name = "p" + std::to_string(threads_.size()) + ".mps";
    std::ofstream(name, std::ios::binary) << "yield off\r" << lines << "wait\r" << procedures_;
    threads_.push_back(std::make_unique<YThread>(name.c_str(), nullptr));
    threads_.back()->start();
    app_->runPass();
  }
  // Main-loop passes until the condition holds (or a generous bound passes).
  template <typename Condition>
  bool passUntil(Condition done)
  {
    for (long pass = 0; pass < 200000 && !done(); ++pass) {
      app_->runPass();
      std::this_thread::yield();
    }
    return done();
  }
  // ... until the log has that many lines.
  bool passUntilLines(std::size_t lines)
  {
    return passUntil([&] { return debugLines().size() >= lines; });
  }
  // Passes enough for any further completion to come.
  void settle()
  {
    for (int pass = 0; pass < 20000; ++pass)
      app_->runPass();
  }
  static std::string text(const char* name)
  {
    YVariable* found = scriptVariables.at(scriptVariables.find(name, -1));
    return found ? found->getText() : std::string("<none>");
  }
  Lines debugLines() const
  {
    std::ifstream file("debug.txt", std::ios::binary);
    Lines lines;
    for (std::string line; std::getline(file, line);)
      lines.push_back(line.substr(0, line.find('\r')));
    return lines;
  }
  // "a1 s1 k0 c0": active, sticky, keep and whether the file is cached.
  static std::string state(const char* name)
  {
    const ResourceFileRecord* r = findResourceFileRecord(name);
    if (!r) return "<none>";
    return "a" + std::to_string(r->active) + " s" + std::to_string(r->sticky) + " k" +
           std::to_string(r->keep) + " c" + std::to_string(isFileCached(name) ? 1 : 0);
  }

  std::string procedures_;
  std::unique_ptr<OMApp> app_;
  std::vector<std::unique_ptr<YThread>> threads_;
  ScopedEdition edition_{OMEdition::game};
};

// The methods at once, one line after another, and the state of the file they leave.
TEST_F(ResourcePortTest, MethodsActivateCacheAndUncacheFiles)
{
  const struct {
    const char* line;
    const char* file;
    const char* expected;
  } steps[] = {
      {"activateDLL \"Big.RSC\" 1", "big.rsc", "a1 s1 k0 c0"},
      // An active file keeps its first sticky value, and only a forced deactivation ends it.
      {"activateDLL \"big.rsc\" 0", "big.rsc", "a1 s1 k0 c0"},
      {"deactivateDLL \"big.rsc\"", "big.rsc", "a1 s1 k0 c0"},
      {"deactivateAllDLLs", "big.rsc", "a1 s1 k0 c0"},
      {"deactivateAllDLLs 1", "big.rsc", "a0 s1 k0 c0"},
      {"activateDLL \"SMALL.rsc\"", "small.rsc", "a1 s0 k0 c0"},
      {"deactivateDLL \"small.RSC\"", "small.rsc", "a0 s0 k0 c0"},
      // Only a name: cached at once, without keep.
      {"cacheDLL \"Small.rsc\"", "small.rsc", "a0 s0 k0 c1"},
      {"uncacheDLL \"small.rsc\"", "small.rsc", "a0 s0 k0 c0"},
      {"cacheDLL \"small.rsc\" 0 1", "small.rsc", "a0 s0 k1 c1"},
      {"uncacheDLL \"small.rsc\"", "small.rsc", "a0 s0 k1 c1"},
      {"uncacheAllDLLs", "small.rsc", "a0 s0 k1 c1"},
      {"uncacheAllDLLs 1", "small.rsc", "a0 s0 k1 c0"},
      {"cacheDLL \"nosuch.rsc\" 0 1", "nosuch.rsc", "<none>"},
  };
  run("p=RResourcePort\r");
  for (const auto& step : steps) {
    run(std::string("play p ") + step.line + "\r");
    EXPECT_EQ(state(step.file), step.expected) << step.line;
  }
  // With the copy flag the cached copy is kept in the cache directory.
  run("play p cacheDLL \"small.rsc\" \"\" \"\" 1\r");
  EXPECT_EQ(state("small.rsc"), "a0 s0 k0 c1");
  EXPECT_TRUE(passUntil([&] { return std::filesystem::exists(work / "small.rsc"); }));
  run("play p uncacheAllDLLs\r");
  EXPECT_EQ(state("small.rsc"), "a0 s0 k0 c0");
  // Nothing cached in the background yet: the properties say so, and a port is no clone.
  run("get p cachedDLLName a\rget p cachedResourceID b\rget p cachedResourceType c\r");
  EXPECT_EQ((Lines{text("a"), text("b"), text("c")}), (Lines{"", "0", ""}));
  auto* port = dynamic_cast<RResourcePort*>(scriptVariables.getObjectByName("p", false));
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->clone(), nullptr);
}

// Background caching reports to every port, in the order the ports were made; a port made
// later still reports the last file; the cached resources go with "uncacheResources".
TEST_F(ResourcePortTest, BackgroundCompletionsRaiseEventsOnEveryPort)
{
  procedures_ =
      "procedure onFile\r[\r  get a cachedDLLName n\r  say A n\r]\r"
      "procedure onFileB\r[\r  get b cachedDLLName n\r  say B n\r]\r"
      "procedure onRes\r[\r  get a cachedResourceID i\r  get a cachedResourceType t\r"
      "  say A i t\r]\r"
      "procedure onResB\r[\r  get b cachedResourceID i\r  get b cachedResourceType t\r"
      "  say B i t\r]\r"
      "procedure dropB\r[\r  say A dropping\r  b=0\r]\r";
  run("a=RResourcePort\rb=RResourcePort\rset a DLLCached onFile\rset b DLLCached onFileB\r"
      "set a resourceCached onRes\rset b resourceCached onResB\rplay a cacheDLL \"BIG.rsc\" 1\r");
  EXPECT_TRUE(debugLines().empty());
  EXPECT_EQ(state("big.rsc"), "a0 s0 k0 c1");
  ASSERT_TRUE(passUntilLines(2));
  EXPECT_EQ(debugLines(), (Lines{"A big.rsc", "B big.rsc"}));

  // Read from the file, not from its cached copy, so that each read takes its time.
  run("c=RResourcePort\rget c cachedDLLName n\rsay C n\rplay c uncacheAllDLLs 1\r"
      "play b cacheResources 9 BK16 0 2 ASEQ 1 3 ASEQ \"\" 4 \"\" 1 4 ASEQ 1\r");
  EXPECT_EQ(cachedResourceCount(), 3);
  ASSERT_TRUE(passUntilLines(9));
  settle();
  const Lines lines = debugLines();
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[2], "C big.rsc");
  // Each completion once on each port, "a" first; every one of the three.
  std::set<std::string> cached;
  for (std::size_t i = 3; i + 1 < lines.size(); i += 2) {
    ASSERT_EQ(lines[i].substr(0, 2), "A ");
    EXPECT_EQ(lines[i + 1], "B " + lines[i].substr(2));
    cached.insert(lines[i].substr(2));
  }
  EXPECT_EQ(cached, (std::set<std::string>{"9 BK16", "2 ASEQ", "3 ASEQ"}));

  // The last cached resource is known by its id and its type: uncaching the other type of its
  // id leaves it, uncaching it clears it.
  run("play b cacheResources 2 RRGB\r");
  ASSERT_TRUE(passUntilLines(11));
  settle();
  EXPECT_EQ(debugLines()[9], "A 2 RRGB");
  const std::string last = "get c cachedResourceID i\rget c cachedResourceType t\r";
  for (const auto& [uncached, id, type] :
       {std::tuple{"2 ASEQ", "2", "RRGB"}, std::tuple{"2 RRGB", "0", ""}}) {
    run(std::string("play c uncacheResources ") + uncached + "\r" + last);
    EXPECT_EQ((Lines{text("i"), text("t")}), (Lines{id, type})) << uncached;
  }

  // The first empty id ends the list; no id at all clears every cached resource.
  run("play c uncacheResources 2 ASEQ \"\" 3 ASEQ\r");
  EXPECT_EQ(cachedResourceCount(), 2);
  run("play c uncacheResources\rget c cachedResourceID i\rget c cachedResourceType t\r");
  EXPECT_EQ(cachedResourceCount(), 0);
  EXPECT_EQ((Lines{text("i"), text("t")}), (Lines{"0", ""}));

  // A handler that drops a later port: that port hears nothing, and nothing breaks.
  run("set a DLLCached dropB\rplay c uncacheAllDLLs 1\rplay c cacheDLL \"big.rsc\" 1\r");
  ASSERT_EQ(RResourcePort::ports().size(), 3u);
  ASSERT_TRUE(passUntilLines(12));
  settle();
  const Lines after = debugLines();
  EXPECT_EQ(Lines(after.begin() + 11, after.end()), (Lines{"A dropping"}));
  EXPECT_EQ(RResourcePort::ports().size(), 2u);
}

}  // namespace

namespace {

// Busy loops on every core for as long as it lives.
class MachineLoad {
 public:
  MachineLoad()
  {
    for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i)
      loops_.emplace_back([this] {
        while (!stop_.load(std::memory_order_relaxed)) {
        }
      });
  }
  ~MachineLoad() { stop_ = true; }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::jthread> loops_;
};

// Under a stepping clock a background caching ends after the same passes and at the same clock
// time on every run, however the machine is loaded: the clock waits for the job's worker.
TEST_F(ResourcePortTest, SteppingClockRunsBackgroundCachingTheSameEveryTime)
{
  procedures_ = "procedure onFile\r[\r  say cached\r]\r";
  omhost::useSteppingClock(10);
  std::set<std::pair<long, std::uint32_t>> ends;
  {
    MachineLoad load;
    for (int attempt = 0; attempt < 20; ++attempt) {
      std::remove("debug.txt");
      run("a=RResourcePort\rset a DLLCached onFile\rplay a uncacheAllDLLs 1\r"
          "play a cacheDLL \"big.rsc\" 1\r");
      const std::uint32_t start = omhost::clockMilliseconds();
      long passes = 0;
      while (debugLines().empty() && passes < 100000) {
        app_->runPass();
        ++passes;
      }
      ends.insert({passes, omhost::clockMilliseconds() - start});
    }
  }
  omhost::useManualClock();
  ASSERT_EQ(ends.size(), 1u) << "first " << ends.begin()->first << " passes, last "
                             << ends.rbegin()->first;
  // A chunk a pass, and the clock one step a pass.
  const auto [passes, milliseconds] = *ends.begin();
  EXPECT_GT(passes, 10);
  EXPECT_EQ(milliseconds, 10u * passes);
}

}  // namespace
