// What the assessment edition of the script engine and object model does differently, each
// difference checked in both editions.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMMemCanvas.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/ScopedEdition.h"
#include "tests/trinkets/ActionTestSupport.h"
#include "tests/trinkets/ScriptHarness.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/RText.h"
#include "trinkets/src/ActionCreateRecord.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

using scripttest::alerts;
using scripttest::exitCodes;
using Names = std::vector<std::string>;

bool contains(const Names& names, const char* name)
{
  return std::find(names.begin(), names.end(), name) != names.end();
}

Names classNames()
{
  Names names;
  for (const char* name : trinketClassNames())
    names.emplace_back(name);
  return names;
}

// Script values

TEST(EditionScriptValues, UnclassifiedVariableReadsAsNoTextInTheGameEdition)
{
  ScopedEdition edition(OMEdition::game);
  YVariable raw("never", -1);
  int length = -1;
  EXPECT_STREQ(raw.getText(&length), "");
  EXPECT_EQ(length, 0);
}

TEST(EditionScriptValuesDeathTest, UnclassifiedVariableStopsTheAssessmentEdition)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        ScopedEdition edition(OMEdition::assessment);
        YVariable raw("never", -1);
        raw.getText();
      },
      "Assertion failed: untyped != type, file .*YVariable.cpp, line [0-9]+");
}

// Script threads

class EditionThreadTest : public scripttest::ScriptTest {};

TEST_F(EditionThreadTest, SayLineIsShorterInTheAssessmentEdition)
{
  run("a=1\r");
  const std::string text250(250, 'q');
  variable("a")->setText(text250.c_str());
  {
    ScopedEdition edition(OMEdition::game);
    run("say a a\r");
  }
  {
    ScopedEdition edition(OMEdition::assessment);
    // 250 + 1 + 250 reaches 256: the second word is left out; a short tail still fits.
    run("say a a\rsay a tail\r");
  }
  const std::vector<std::string> lines = debugLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], text250 + " " + text250);
  EXPECT_EQ(lines[1], text250);
  EXPECT_EQ(lines[2], text250 + " tail");
}

TEST_F(EditionThreadTest, FullStackIsAScriptErrorInTheGameEdition)
{
  ScopedEdition edition(OMEdition::game);
  run("call again\rprocedure again\r  call again\r");
  ASSERT_FALSE(alerts.empty());
  EXPECT_NE(alerts[0].find("stack"), std::string::npos);
}

class EditionThreadDeathTest : public scripttest::ScriptTest {};

TEST_F(EditionThreadDeathTest, FullStackStopsTheAssessmentEdition)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        ScopedEdition edition(OMEdition::assessment);
        run("call again\rprocedure again\r  call again\r");
      },
      "Assertion failed: sp < \\(YTSTACK-1\\), file .*YThreadInterpreter.cpp");
}

// Script files

TEST_F(EditionThreadTest, MissingScriptMessageDiffersByEdition)
{
  auto opener = [](const char*) -> std::unique_ptr<std::istream> { return nullptr; };
  {
    ScopedEdition edition(OMEdition::game);
    threads_.push_back(std::make_unique<YThread>("lost.mps", +opener));
  }
  {
    ScopedEdition edition(OMEdition::assessment);
    threads_.push_back(std::make_unique<YThread>("lost.mps", +opener));
  }
  EXPECT_EQ(alerts, (std::vector<std::string>{"lost.mps not found", "unknown script"}));
  EXPECT_EQ(exitCodes, (std::vector<int>{1, 1}));
  EXPECT_FALSE(threads_[1]->isLoaded());
}

// Class registry and the action family

TEST(EditionRegistry, TheAssessmentEditionHasNoRandomAction)
{
  Names game;
  Names assessment;
  {
    ScopedEdition edition(OMEdition::game);
    game = classNames();
    EXPECT_TRUE(findTrinketClass("RRandomAction"));
  }
  {
    ScopedEdition edition(OMEdition::assessment);
    assessment = classNames();
    setPluginLoading(0);
    EXPECT_FALSE(findTrinketClass("RRandomAction"));
    EXPECT_FALSE(isTrinketClass("rrandomaction"));
    EXPECT_EQ(createTrinketByName("RRandomAction", "1", scriptArgTerminator), nullptr);
    EXPECT_NE(createTrinketByName("RQueue", "2", scriptArgTerminator), nullptr);
    setPluginLoading(1);
  }
  for (const char* name : {"RCompositeAction", "RQueue"}) {
    EXPECT_TRUE(contains(game, name)) << name;
    EXPECT_TRUE(contains(assessment, name)) << name;
  }
  EXPECT_TRUE(contains(game, "RRandomAction"));
  EXPECT_FALSE(contains(assessment, "RRandomAction"));
  // Nothing else differs, and the order of registration is kept.
  Names gameWithout = game;
  gameWithout.erase(std::find(gameWithout.begin(), gameWithout.end(), "RRandomAction"));
  EXPECT_EQ(gameWithout, assessment);
}

TEST(EditionRegistry, BothEditionsShareTheActionClassesButResourceCachingAndMovies)
{
  auto actionNames = [] {
    Names names;
    forEachActionClass([&](const char* name) { names.emplace_back(name); });
    return names;
  };
  Names game;
  Names assessment;
  {
    ScopedEdition edition(OMEdition::game);
    game = actionNames();
  }
  {
    ScopedEdition edition(OMEdition::assessment);
    assessment = actionNames();
  }
  // Only the game edition caches resources and plays movies.
  const Names gameOnly = {"CacheDLLAction", "CacheResourceAction", "UncacheDLLAction",
                          "UncacheResourceAction", "MovieAction"};
  for (const std::string& name : gameOnly) {
    EXPECT_TRUE(contains(game, name.c_str())) << name;
    EXPECT_FALSE(contains(assessment, name.c_str())) << name;
  }
  std::erase_if(game, [&](const std::string& name) { return contains(gameOnly, name.c_str()); });
  EXPECT_EQ(game, assessment);
  for (const char* name :
       {"DelayAction", "RandomDelayAction", "EmptyAction", "VerbAction", "PropertyAction"})
    EXPECT_TRUE(contains(assessment, name)) << name;
}

// A script object whose method logs the arguments it pops.
class Waver : public OMScriptableObject {
 public:
  Waver() { registerMembers(); }
  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override { addMethod("wave", OMLinkToObj<Waver>(this, &Waver::wave)); }

 private:
  OMWord wave()
  {
    std::string call = "wave";
    for (const char* argument = popScriptArg(); *argument; argument = popScriptArg())
      call += std::string(" ") + argument;
    eventLog().push_back(call);
    return 1;
  }
};

std::unique_ptr<Action> makeVerb(std::vector<const char*> words)
{
  clearScriptArgs();
  for (const char* word : words)
    pushScriptArg(word);
  rewindScriptArgs();
  return createAction("VerbAction", 1);
}

TEST(EditionVerbAction, TheAssessmentEditionReadsFourArguments)
{
  FakeVariables variables;
  Waver waver;
  variables.assign("w", &waver);
  eventLog().clear();
  {
    ScopedEdition edition(OMEdition::game);
    auto verb = makeVerb({"w", "1", "wave", "a", "b", "c"});
    ASSERT_NE(verb, nullptr);
    verb->start();
  }
  {
    ScopedEdition edition(OMEdition::assessment);
    auto verb = makeVerb({"w", "0", "wave", "a", "b", "c"});
    ASSERT_NE(verb, nullptr);
    EXPECT_EQ(verb->isInterruptible(), 0);
    verb->start();
    auto bare = makeVerb({"w", "1", "wave"});
    ASSERT_NE(bare, nullptr);
    bare->start();
    EXPECT_EQ(makeVerb({"w", "1", "", "a"}), nullptr);
  }
  EXPECT_EQ(eventLog(), (std::vector<std::string>{"wave a b c", "wave a", "wave"}));
}

// The class-wide deletion hooks of actions, animations and texts

std::vector<OMWord>& deletedObjects()
{
  static std::vector<OMWord> deleted;
  return deleted;
}

OMWord noteDeletion(OMWord object)
{
  deletedObjects().push_back(object);
  return 1;
}

TEST(EditionDeletionHooks, OnlyTheAssessmentEditionTellsTheHook)
{
  struct Case {
    const char* name;
    void (*setHook)(const OMLink*);
    std::function<std::unique_ptr<OMScriptableObject>()> make;
  };
  const Case cases[] = {
      {"Action", &Action::setDeletionHook, [] { return std::make_unique<ProbeAction>("P"); }},
      {"RAnimation", &RAnimation::setDeletionHook,
       [] { return std::make_unique<RAnimation>(nullptr, 0, 0, nullptr); }},
      {"RText", &RText::setDeletionHook,
       [] {
         return std::make_unique<RText>("T", OMPoint(0, 0), nullptr, OMRGBColor(), 0, nullptr);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    deletedObjects().clear();
    const OMLinkToFct hook(&noteDeletion, 0);
    c.setHook(&hook);
    OMWord assessmentObject = 0;
    {
      ScopedEdition edition(OMEdition::game);
      c.make();
    }
    {
      ScopedEdition edition(OMEdition::assessment);
      std::unique_ptr<OMScriptableObject> object = c.make();
      assessmentObject = reinterpret_cast<OMWord>(object.get());
      object.reset();
      c.setHook(nullptr);
      c.make();
    }
    EXPECT_EQ(deletedObjects(), std::vector<OMWord>{assessmentObject});
  }
}

}  // namespace

namespace {

// The assessment edition's host is made without size and depth: its offscreen canvas takes
// the rectangle's size, and the application's depth only with the deep-canvas flag.
TEST(EditionHost, TheHostWithoutSizeTakesTheRectangleAndTheDeepCanvasFlag)
{
  struct Case {
    OMRect rect;
    int appDepth;
    bool deep;
    int width, height, depth;
  };
  const Case cases[] = {
      {OMRect(80, 60, 720, 540), 16, false, 640, 480, 8},
      {OMRect(0, 0, 320, 200), 16, true, 320, 200, 16},
      {OMRect(10, 10, 11, 30), 8, true, 1, 20, 8},
      {OMRect(0, 0, 640, 480), 32, false, 640, 480, 8},
  };
  omtest::startAppSession();
  for (const Case& c : cases) {
    OMApp app(2, OMRect(0, 0, 800, 600), OMRGBColor(), c.appDepth, 0);
    OMApp::setDeepCanvases(c.deep);
    {
      OMTrinketWindow host(c.rect, nullptr, nullptr, 0);
      EXPECT_EQ(host.offscreen()->width(), c.width);
      EXPECT_EQ(host.offscreen()->height(), c.height);
      EXPECT_EQ(host.offscreen()->depth(), c.depth);
      EXPECT_EQ(host.getFrameRect(), c.rect);
      EXPECT_EQ(OMTrinketWindow::mainHost(), &host);
    }
    OMApp::setDeepCanvases(false);
  }
  omhost::useRealClock();
}

}  // namespace
