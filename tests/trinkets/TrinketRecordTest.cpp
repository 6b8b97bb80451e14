#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "trinkets/src/OMPluginLibrary.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObject.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

// A class that keeps every argument its factory popped.
class Recorder : public OMScriptableObject {
 public:
  std::unique_ptr<OMScriptableObject> clone() const override
  {
    auto copy = std::make_unique<Recorder>(*this);
    copyMembers(copy.get());
    return copy;
  }
  void registerMembers() override
  {
    ++registrations;
    addEvent("poked");
  }
  static std::unique_ptr<OMScriptableObject> create()
  {
    auto recorder = std::make_unique<Recorder>();
    for (int i = 0; i < 4; ++i)
      recorder->arguments.emplace_back(popScriptArg());
    if (recorder->arguments[0] == "none") return nullptr;
    return recorder;
  }
  std::vector<std::string> arguments;
  int registrations = 0;
};

TrinketRecord recorderRecord("TRecorder", &Recorder::create);

Recorder* asRecorder(const std::unique_ptr<OMScriptableObject>& object)
{
  return static_cast<Recorder*>(object.get());
}

TEST(ClassRegistry, ClassNamesAreFoundWhateverTheirCase)
{
  for (const char* name : {"TRecorder", "trecorder", "TRECORDER", "tReCoRdEr"}) {
    EXPECT_EQ(findTrinketClass(name), 1) << name;
    EXPECT_EQ(currentTrinketRecord(), &recorderRecord) << name;
  }
  EXPECT_EQ(findTrinketClass(nullptr), 0);
  EXPECT_EQ(currentTrinketRecord(), nullptr);
  EXPECT_EQ(isTrinketClass("TRecorderX"), 0);
}

TEST(ClassRegistry, CreationByNameBindsClassNameAndMembers)
{
  auto object = createTrinketByName("trecorder", "1", "two", scriptArgTerminator);
  ASSERT_NE(object, nullptr);
  EXPECT_STREQ(object->className(), "TRecorder");
  EXPECT_EQ(asRecorder(object)->registrations, 1);
  EXPECT_EQ(asRecorder(object)->arguments, (std::vector<std::string>{"1", "two", "", ""}));
  EXPECT_NE(object->findMember("poked"), nullptr);

  EXPECT_EQ(createTrinketByName("trecorder", "none", scriptArgTerminator), nullptr);
  EXPECT_EQ(createTrinketByName(nullptr, "1", scriptArgTerminator), nullptr);
}

TEST(ClassRegistry, TerminatorFirstCreatesFromTheArgumentsAlreadyOnTheStack)
{
  clearScriptArgs();
  pushScriptArg("x");
  pushScriptArg("y");
  auto object = createTrinketByName("TRecorder", scriptArgTerminator);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(asRecorder(object)->arguments, (std::vector<std::string>{"x", "y", "", ""}));
}

TEST(ClassRegistry, ArgumentLineIsSplitAtBlanksWithQuotedWords)
{
  auto arguments = [](const char* line) {
    auto object = createTrinketFromCommand("TRecorder", line);
    return object ? asRecorder(object)->arguments : std::vector<std::string>{"<none>"};
  };
  EXPECT_EQ(arguments("a \"b c\" d"), (std::vector<std::string>{"a", "b c", "d", ""}));
  EXPECT_EQ(arguments("a  b"), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(arguments("a "), (std::vector<std::string>{"a", "", "", ""}));
  EXPECT_EQ(arguments("\"a b\""), (std::vector<std::string>{"a b", "", "", ""}));
  // An unclosed quote runs to the next blank and ends the line.
  EXPECT_EQ(arguments("\"a b c"), (std::vector<std::string>{"a", "", "", ""}));
  EXPECT_EQ(arguments("x \"q\"r s"), (std::vector<std::string>{"x", "q", "s", ""}));
  EXPECT_EQ(arguments(std::string(1024, 'a').c_str()), (std::vector<std::string>{"<none>"}));
  EXPECT_EQ(arguments(std::string(1023, 'a').c_str())[0].size(), 1023u);
  EXPECT_EQ(createTrinketFromCommand("TRecorder", nullptr), nullptr);
  EXPECT_EQ(createTrinketFromCommand("NoSuchClass", "a"), nullptr);
}

int classLinkCalls = 0;
OMScriptableObject* seenByClassLink = nullptr;
OMWord noteClassLink(OMWord)
{
  ++classLinkCalls;
  seenByClassLink = OMScriptableObject::current();
  return 1;
}

TEST(ClassRegistry, ClassLinkRunsWhenAnObjectIsBoundOrCopied)
{
  classLinkCalls = 0;
  OMLinkToFct link(&noteClassLink);
  EXPECT_EQ(setClassLink("trecorder", &link), 1);
  EXPECT_EQ(setClassLink("NoSuchClass", &link), 0);

  Recorder recorder;
  recorder.bindClass("TRECORDER");
  EXPECT_STREQ(recorder.className(), "TRecorder");
  EXPECT_EQ(recorder.registrations, 1);
  EXPECT_EQ(classLinkCalls, 1);
  EXPECT_EQ(seenByClassLink, &recorder);
  recorder.bindClass("TRecorder");  // bound once only
  EXPECT_EQ(recorder.registrations, 1);
  EXPECT_EQ(classLinkCalls, 1);

  auto copy = recorder.clone();
  EXPECT_STREQ(copy->className(), "TRecorder");
  EXPECT_EQ(classLinkCalls, 2);
  EXPECT_EQ(seenByClassLink, copy.get());
  EXPECT_NE(copy->findMember("poked"), nullptr);

  setClassLink("TRecorder", nullptr);
  EXPECT_EQ(recorderRecord.classLink(), nullptr);
}

// Plug-in libraries are looked up in the current folder, where the build puts the test
// plug-in "TPlugThing.qzl".
class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(OM_TEST_PLUGIN_DIR);
  }
  void TearDown() override
  {
    for (const std::string& file : madeFiles_)
      std::filesystem::remove(file);
    std::filesystem::current_path(previous_);
  }
  // A copy of the plug-in under another name, unique to this process.
  std::string copyPlugin(const char* stem)
  {
    const std::string name = stem + std::to_string(getpid());
    std::filesystem::copy_file("TPlugThing.qzl", name + ".qzl",
                               std::filesystem::copy_options::overwrite_existing);
    madeFiles_.push_back(name + ".qzl");
    return name;
  }
  static int recordCount() { return trinketRecords() ? trinketRecords()->count() : 0; }

 private:
  std::filesystem::path previous_;
  std::vector<std::string> madeFiles_;
};

TEST_F(PluginTest, ScriptCreationFindsAClassOfAPluginLibrary)
{
  ASSERT_TRUE(isPluginLoading());
  const int before = recordCount();
  auto object = createTrinketByName("tplugTHING", "17", scriptArgTerminator);
  ASSERT_NE(object, nullptr);
  EXPECT_STREQ(object->className(), "TPlugThing");
  EXPECT_STREQ(object->getProperty("weight"), "17");
  EXPECT_EQ(recordCount(), before + 1);
  ASSERT_EQ(findTrinketClass("TPlugThing"), 1);
  EXPECT_NE(currentTrinketRecord()->module(), nullptr);
  EXPECT_EQ(recorderRecord.module(), nullptr);
  // Once registered, the library is not loaded again.
  EXPECT_NE(createTrinketByName("TPLUGTHING", "1", scriptArgTerminator), nullptr);
  EXPECT_EQ(recordCount(), before + 1);
}

TEST_F(PluginTest, MissingOrUnsafeNamesCreateNothing)
{
  const int before = recordCount();
  EXPECT_EQ(createTrinketByName("NoSuchThing", scriptArgTerminator), nullptr);
  for (const char* name : {"../plugin/TPlugThing", "/tmp/TPlugThing", "TPlug Thing", ".qzl",
                           "TPlugThing.qzl.qzl", "TPlug\\Thing", "TPlugThing."}) {
    loadTrinketPlugin(name);
    EXPECT_EQ(findTrinketClass(name), 0) << name;
  }
  EXPECT_EQ(findTrinketClass(std::string(200, 'a').c_str()), 0);
  EXPECT_EQ(recordCount(), before);
}

TEST_F(PluginTest, AMissingLibraryIsTriedAgainAtTheNextLookup)
{
  const int before = recordCount();
  const std::string late = "Late" + std::to_string(getpid());
  EXPECT_EQ(findTrinketClass(late.c_str()), 0);
  EXPECT_EQ(recordCount(), before);
  // The file appears afterwards: the next lookup loads it, and the copy registers its class
  // a second time.
  EXPECT_EQ(copyPlugin("Late"), late);
  EXPECT_EQ(findTrinketClass(late.c_str()), 0);
  EXPECT_EQ(recordCount(), before + 1);
}

// A host that names the libraries its folders hold: another file is not loaded even when it
// is there, and a named one (in any case) is; without the list every file is looked for.
TEST_F(PluginTest, AHostThatNamesItsLibrariesHasOnlyThoseLookedFor)
{
  const int before = recordCount();
  const std::string known = copyPlugin("Known"), unnamed = copyPlugin("Unnamed");
  std::string spelledOtherwise = known + ".QZL";
  spelledOtherwise[0] = 'k';
  setKnownPluginLibraries(std::vector<std::string>{spelledOtherwise});
  EXPECT_EQ(findTrinketClass(unnamed.c_str()), 0);
  EXPECT_EQ(recordCount(), before);
  // Each copy registers its class once more when it is loaded.
  findTrinketClass(known.c_str());
  EXPECT_EQ(recordCount(), before + 1);
  setKnownPluginLibraries(std::nullopt);
  findTrinketClass(unnamed.c_str());
  EXPECT_EQ(recordCount(), before + 2);
}

TEST_F(PluginTest, NameWithADotLoadsThatFileForTheClassBeforeTheDot)
{
  setPluginLoading(0);
  const int registeredAlready = findTrinketClass("TPlugThing");
  setPluginLoading(1);
  // Run in one process with the other plug-in tests, the class may be there already.
  if (registeredAlready) GTEST_SKIP() << "TPlugThing was loaded by an earlier test";
  const std::string stem = copyPlugin("Dotted");
  std::filesystem::rename(stem + ".qzl", "TPlugThing.bin" + std::to_string(getpid()));
  const int before = recordCount();
  loadTrinketPlugin(("TPlugThing.bin" + std::to_string(getpid())).c_str());
  std::filesystem::remove("TPlugThing.bin" + std::to_string(getpid()));
  EXPECT_EQ(recordCount(), before + 1);
  ASSERT_EQ(findTrinketClass("tplugthing"), 1);
  EXPECT_NE(currentTrinketRecord()->module(), nullptr);
}

TEST_F(PluginTest, LoadingWithoutANameLoadsEveryLibraryOfTheFolder)
{
  setPluginLoading(0);
  const int registeredAlready = findTrinketClass("TPlugThing");
  if (registeredAlready) {
    setPluginLoading(1);
    GTEST_SKIP() << "TPlugThing was loaded by an earlier test";
  }
  loadTrinketPlugin(nullptr);
  EXPECT_EQ(findTrinketClass("tplugthing"), 1);
  setPluginLoading(1);
}

}  // namespace
