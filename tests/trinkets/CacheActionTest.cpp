#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TestStage.h"
#include "trinkets/src/Action.h"
#include "trinkets/src/ActionCreateRecord.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/ResourceCachePort.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using Log = std::vector<std::string>;

// A port that logs each call and keeps the completion links it is given, to call them when
// the test says the work is done (or at once, when it says so before).
class RecordingPort : public ResourceCachePort {
 public:
  RecordingPort() { install(this); }
  ~RecordingPort() override { install(nullptr); }

  void activateDLL(const char* fileName, int owner, int cacheCopy) override
  {
    note("activateDLL " + std::string(fileName) + " " + std::to_string(owner) + " " +
         std::to_string(cacheCopy));
  }
  void cacheDLL(const char* fileName, const OMLink* completion, int priority, int owner,
                int cacheCopy) override
  {
    note("cacheDLL " + std::string(fileName) + link(completion) + " " + std::to_string(priority) +
         " " + std::to_string(owner) + " " + std::to_string(cacheCopy));
    keep(completion);
  }
  void uncacheDLL(const char* fileName) override { note("uncacheDLL " + std::string(fileName)); }
  void cacheResource(std::uint16_t id, const char* type, const OMLink* completion, int owner,
                     int priority) override
  {
    note("cacheResource " + std::to_string(id) + " " + type + link(completion) + " " +
         std::to_string(owner) + " " + std::to_string(priority));
    keep(completion);
  }
  void uncacheResource(std::uint16_t id, const char* type) override
  {
    note("uncacheResource " + std::to_string(id) + " " + type);
  }

  // Calls every kept link, as the port does when its reads are done; answers how many
  // reported that they finished something.
  int complete()
  {
    std::vector<std::unique_ptr<OMLink>> links = std::move(kept_);
    int finished = 0;
    for (auto& l : links)
      finished += l->call() != 0;
    return finished;
  }

  Log calls;
  bool completeAtOnce = false;

 private:
  void note(std::string call) { calls.push_back(std::move(call)); }
  static std::string link(const OMLink* completion) { return completion ? " link" : " none"; }
  void keep(const OMLink* completion)
  {
    if (!completion) return;
    if (completeAtOnce)
      completion->clone()->call();
    else
      kept_.push_back(completion->clone());
  }

  std::vector<std::unique_ptr<OMLink>> kept_;
};

int finishedCount = 0;
OMWord countFinish(OMWord)
{
  ++finishedCount;
  return 1;
}

std::unique_ptr<Action> make(const char* name, const std::vector<const char*>& words)
{
  clearScriptArgs();
  for (const char* word : words)
    pushScriptArg(word);
  rewindScriptArgs();
  std::unique_ptr<Action> action = createAction(name, 1);
  if (action) {
    const OMLinkToFct counter(&countFinish);
    action->setFinishedCallback(&counter);
  }
  return action;
}

class CacheActionTest : public ::testing::Test {
 protected:
  void SetUp() override { finishedCount = 0; }
};

// What each form asks of the port on start, on the port's report and on a halt before it.
TEST_F(CacheActionTest, EachFormAsksThePortAndFinishesWhenItReports)
{
  struct Case {
    const char* name;
    std::vector<const char*> words;
    bool haltEarly;
    Log calls;
    int finishedAtStart, finishedAtReport;
  };
  const std::vector<Case> cases = {
      {"CacheDLLAction", {"a.rsc"}, false, {"activateDLL a.rsc 0 0"}, 1, 0},
      {"CacheDLLAction", {"a.rsc", "0", "4", "1"}, false, {"activateDLL a.rsc 4 1"}, 1, 0},
      {"CacheDLLAction", {"a.rsc", "1", "3", "1"}, false, {"cacheDLL a.rsc link 0 3 1"}, 0, 1},
      {"CacheDLLAction",
       {"a.rsc", "1", "3", "1"},
       true,
       {"cacheDLL a.rsc link 0 3 1", "cacheDLL a.rsc link 10 3 1"},
       0,
       0},
      {"CacheDLLAction",
       {"a.rsc", "1", "0", "0", "1"},
       true,
       {"cacheDLL a.rsc link 0 0 0", "uncacheDLL a.rsc"},
       0,
       0},
      // The uncaching forms finish at once; a halt uncaches again.
      {"UncacheDLLAction", {"a.rsc"}, true, {"uncacheDLL a.rsc", "uncacheDLL a.rsc"}, 1, 0},
      {"CacheResourceAction", {"7", "WAVE", "1"}, false, {"cacheResource 7 WAVE link 1 0"}, 0, 1},
      {"CacheResourceAction",
       {"70000", "WAVE", "2"},
       true,
       {"cacheResource 4464 WAVE link 2 0", "cacheResource 4464 WAVE none 2 0"},
       0,
       0},
      {"CacheResourceAction",
       {"7", "NFNT", "0"},
       true,
       {"cacheResource 7 NFNT link 0 0", "uncacheResource 7 NFNT"},
       0,
       0},
      {"UncacheResourceAction",
       {"7", "WAVE"},
       true,
       {"uncacheResource 7 WAVE", "uncacheResource 7 WAVE"},
       1,
       0},
      {"UncacheResourceAction", {"7", "", "1"}, false, {"uncacheResource 7 "}, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.words.size()));
    RecordingPort port;
    finishedCount = 0;
    std::unique_ptr<Action> action = make(c.name, c.words);
    ASSERT_NE(action, nullptr);
    action->start();
    EXPECT_EQ(finishedCount, c.finishedAtStart);
    EXPECT_EQ(action->isActive(), c.finishedAtStart ? 0 : 1);
    if (c.haltEarly) action->halt();
    EXPECT_EQ(port.calls, c.calls);
    port.complete();
    EXPECT_EQ(finishedCount, c.finishedAtStart + c.finishedAtReport);
    EXPECT_EQ(action->isActive(), 0);
    // Pause and resume do nothing; a port that reports at once finishes within the start.
    action->pause();
    action->resume();
    EXPECT_EQ(port.calls, c.calls);
    port.completeAtOnce = true;
    action->start();
    EXPECT_EQ(action->isActive(), 0);
    EXPECT_EQ(finishedCount, 2 * c.finishedAtStart + 2 * c.finishedAtReport +
                                 (c.finishedAtStart || c.finishedAtReport ? 0 : 1));
  }
}

TEST_F(CacheActionTest, FactoriesRefuseWhatTheyCannotMake)
{
  struct Case {
    const char* name;
    std::vector<const char*> words;
    bool made;
  };
  const std::vector<Case> cases = {
      {"CacheDLLAction", {}, false},
      {"CacheDLLAction", {"", "", "", "", "", ""}, false},
      {"CacheDLLAction", {"", "1"}, true},
      {"CacheDLLAction", {"", "", "", "", "", "0"}, true},
      {"UncacheDLLAction", {"", ""}, false},
      {"UncacheDLLAction", {"", "0"}, true},
      {"CacheResourceAction", {"7", "WAVE"}, false},
      {"CacheResourceAction", {"x", "", "y"}, true},
      {"UncacheResourceAction", {"7", ""}, false},
      {"UncacheResourceAction", {"", "", "1"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.words.size()));
    EXPECT_EQ(make(c.name, c.words) != nullptr, c.made);
  }
  // The interruptible flag: given, or the container's.
  clearScriptArgs();
  pushScriptArg("a.rsc");
  rewindScriptArgs();
  EXPECT_EQ(createAction("UncacheDLLAction", 0)->isInterruptible(), 0);
  clearScriptArgs();
  for (const char* word : {"7", "WAVE", "1", "1"})
    pushScriptArg(word);
  rewindScriptArgs();
  EXPECT_EQ(createAction("CacheResourceAction", 0)->isInterruptible(), 1);
}

// A report that comes after a halt, after a restart or after the action is gone finishes
// nothing; without a port, a start finishes at once.
TEST_F(CacheActionTest, LateReportsFinishNothing)
{
  for (const char* name : {"CacheDLLAction", "CacheResourceAction"}) {
    SCOPED_TRACE(name);
    const std::vector<const char*> words = std::string(name) == "CacheDLLAction"
                                               ? std::vector<const char*>{"a.rsc", "1"}
                                               : std::vector<const char*>{"7", "WAVE", "1"};
    {
      RecordingPort port;
      finishedCount = 0;
      std::unique_ptr<Action> action = make(name, words);
      action->start();
      action.reset();  // halted first: one more call
      EXPECT_EQ(port.calls.size(), 2u);
      EXPECT_EQ(port.complete(), 0);
      EXPECT_EQ(finishedCount, 0);

      // Started twice: only the second request's report counts.
      action = make(name, words);
      action->start();
      action->halt();
      action->start();
      EXPECT_EQ(port.complete(), 1);
      EXPECT_EQ(finishedCount, 1);
    }
    finishedCount = 0;
    std::unique_ptr<Action> alone = make(name, words);
    alone->start();
    EXPECT_EQ(finishedCount, 1);
    EXPECT_EQ(alone->isActive(), 0);
    alone->halt();
  }
}

// A script's queue waits on a background resource read until the port reports it.
TEST_F(CacheActionTest, AScriptQueueWaitsForTheReport)
{
  omtest::TestStage stage;
  RecordingPort port;
  std::ofstream("cache.mps", std::ios::binary)
      << "yield off\rdebug\rq=RQueue\rplay q add CacheResourceAction 12 WAVE 1\r"
         "play q add UncacheDLLAction \"b.rsc\"\rset q finished onDone\rsay waiting\r"
         "play q start\rwait\rprocedure onDone\r  say done\r";
  auto thread = std::make_unique<YThread>("cache.mps", nullptr);
  thread->start();
  stage.passes(20, 10);
  EXPECT_EQ(stage.debugLines(), Log{"waiting"});
  EXPECT_EQ(port.calls, Log{"cacheResource 12 WAVE link 1 0"});
  EXPECT_EQ(port.complete(), 1);
  stage.passes(20, 10);
  EXPECT_EQ(stage.debugLines(), (Log{"waiting", "done"}));
  EXPECT_EQ(port.calls, (Log{"cacheResource 12 WAVE link 1 0", "uncacheDLL b.rsc"}));
  thread.reset();
  scriptVariables.clear();
  clearEventRecords();
}

// The assessment edition has none of the four.
TEST_F(CacheActionTest, OnlyTheGameEditionHasThem)
{
  const char* names[] = {"CacheDLLAction", "UncacheDLLAction", "CacheResourceAction",
                         "UncacheResourceAction"};
  for (OMEdition::Kind kind : {OMEdition::game, OMEdition::assessment}) {
    ScopedEdition edition(kind);
    std::vector<std::string> listed;
    forEachActionClass([&](const char* name) { listed.emplace_back(name); });
    for (const char* name : names) {
      SCOPED_TRACE(std::string(name) + " " + std::to_string(kind));
      const bool game = kind == OMEdition::game;
      EXPECT_EQ(std::count(listed.begin(), listed.end(), name), game ? 1 : 0);
      EXPECT_EQ(make(name, {"7", "WAVE", "1", "1", "1", "1"}) != nullptr, game);
    }
  }
}

}  // namespace
