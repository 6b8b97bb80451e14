#include <filesystem>
#include <random>

#include "framework/OMPathDirectory.h"
#include "framework/OMXMLElement.h"
#include "tests/support/KilledWriter.h"
#include "tests/trinkets/ScriptedStageTest.h"
#include "trinkets/lib/RXMLDatFile.h"
#include "trinkets/src/OMSParameter.h"

namespace {

std::string dataDirectory;
const char* lookUpDataDirectory()
{
  return dataDirectory.c_str();
}

class XMLVariableFileTest : public ScriptedStageTest {
 protected:
  void SetUp() override
  {
    if (!scriptVariables.isInitialised()) scriptVariables.init();
    dataDirectory = "E:\\";
    RXMLDatFile::setDataDirectoryLookup(&lookUpDataDirectory);
  }
  void TearDown() override
  {
    RXMLDatFile::setDataDirectoryLookup(nullptr);
    ScriptedStageTest::TearDown();
  }
  std::unique_ptr<RXMLDatFile> open(const char* name)
  {
    auto file = std::make_unique<RXMLDatFile>(name, true);
    file->bindClass("RXMLDatFile");
    return file;
  }
  static std::string result() { return scriptResult(); }
  std::string onDisk(const char* name) const { return stage.folder().read(name); }

  ScopedEnv driveE_{"OM_DRIVE_E", stage.folder().path()};
};

TEST_F(XMLVariableFileTest, ANewFileHoldsTheVariableGroup)
{
  auto file = open("Progress");
  EXPECT_EQ(file->path(), "e:\\progress.xml");
  EXPECT_EQ(file->writeCount(), 1);
  const std::string text = onDisk("progress.xml");
  EXPECT_NE(text.find("<?xml version=\"1.0\" standalone=\"yes\"?>"), std::string::npos);
  EXPECT_NE(text.find("<ZEB_DATA_FILE>"), std::string::npos);
  EXPECT_STREQ(file->getProperty("currentNode"), "VARIABLES");
  // A name with a dot keeps it; the whole path goes to lower case and still finds the file.
  stage.folder().write("Saves/Foo.XML",
                       "<?xml version=\"1.0\"?>\n<ZEB_DATA_FILE>\n<VARIABLES>\n"
                       "<a VALUE=\"1\">\n</a>\n</VARIABLES>\n</ZEB_DATA_FILE>\n");
  auto found = open("Saves\\Foo.XML");
  EXPECT_EQ(found->path(), "e:\\saves\\foo.xml");
  EXPECT_EQ(found->writeCount(), 0);
  EXPECT_STREQ(found->getProperty("children"), "1");
  // A name no search path finds gives an object without a document.
  setSearchPathStrict(1);
  RXMLDatFile lost("nowhere.xml", false);
  setSearchPathStrict(0);
  lost.bindClass("RXMLDatFile");
  EXPECT_EQ(lost.document(), nullptr);
  EXPECT_TRUE(lost.callMethod("addNode", "x", scriptArgTerminator));
  EXPECT_TRUE(lost.callMethod("saveNode", "VARIABLES", scriptArgTerminator));
  EXPECT_STREQ(lost.getProperty("version"), "");
  // A name without a dot is looked for with its ".xml", in the first search path that holds
  // it.
  stage.folder().makeFolder("A");
  stage.folder().makeFolder("B");
  stage.folder().write("A/Scores.xml",
                       "<ZEB_DATA_FILE>\n<VARIABLES>\n<best VALUE=\"9\">\n"
                       "</best>\n</VARIABLES>\n</ZEB_DATA_FILE>\n");
  addSearchPath("E:\\A", 0);
  addSearchPath("E:\\B", 0);
  for (int strict : {0, 1}) {
    setSearchPathStrict(strict);
    RXMLDatFile scores("scores", false);
    EXPECT_EQ(scores.path(), "e:\\a\\scores.xml");
    EXPECT_EQ(scores.writeCount(), 0);
    ASSERT_NE(scores.current(), nullptr);
    EXPECT_EQ(scores.current()->children().count(), 1);
  }
  clearSearchPaths();
}

// The writing operations, each with the writes it makes under method 0.
TEST_F(XMLVariableFileTest, WriteMethods)
{
  for (int method : {0, 2, 5}) {
    const std::string name = "m" + std::to_string(method);
    int writes = 0;
    {
      auto file = open(name.c_str());
      file->setProperty("writeMethod", std::to_string(method).c_str());
      const int before = file->writeCount();
      const struct {
        const char* member;
        std::vector<const char*> arguments;
        int writes;
      } steps[] = {
          {"addNode", {"Level"}, 0},
          {"addAttribute", {"score", "1"}, 0},
          {"addAttribute", {"score", "2"}, 1},
          // An array is written once it is whole; it holds at most as many elements as a
          // script has variables.
          {"createArray", {"box", "3", "0", ""}, 1},
          {"createArray", {"VARIABLES", "n", "2", "x"}, 1},
          {"createArray", {"VARIABLES", "big", "2147483647", "y"}, 1},
          {"saveNode", {"VARIABLES"}, 1},
      };
      for (const auto& step : steps) {
        const int was = file->writeCount();
        clearScriptArgs();
        for (const char* argument : step.arguments)
          pushScriptArg(argument);
        ASSERT_TRUE(file->callMethod(step.member, scriptArgTerminator)) << step.member;
        EXPECT_EQ(file->writeCount() - was, method == 0 ? step.writes : 0)
            << method << " " << step.member;
      }
      ASSERT_TRUE(file->callMethod("write", scriptArgTerminator));
      writes = file->writeCount() - before;
    }
    EXPECT_EQ(writes, method == 0 ? 6 : 1) << method;
    const std::string text = onDisk((name + ".xml").c_str());
    EXPECT_NE(text.find("<box.3 VALUE=\"0\">"), std::string::npos) << method;
    EXPECT_NE(text.find("<big.32768 "), std::string::npos) << method;
    EXPECT_EQ(text.find("<big.32769 "), std::string::npos) << method;
    EXPECT_NE(text.find("<n.2 VALUE="), std::string::npos) << method;
    EXPECT_NE(text.find("score=\"2\""), std::string::npos) << method;
  }
  // Method 2 writes once more at the end.
  {
    auto file = open("late");
    file->setProperty("writeMethod", "2");
    file->callMethod("addNode", "Late", scriptArgTerminator);
  }
  EXPECT_NE(onDisk("late.xml").find("<Late>"), std::string::npos);
}

TEST_F(XMLVariableFileTest, VariablesRoundTrip)
{
  const std::string tricky = "say \"hi\" <b> & 'so' >";
  {
    auto file = open("vars");
    for (const char* name : {"alpha", "beta", "9bad", "a b"})
      file->setVariable("VARIABLES", name, "");
    setVariable("alpha", tricky.c_str());
    setVariable("beta", "42");
    ASSERT_TRUE(file->callMethod("saveNode", "VARIABLES", scriptArgTerminator));
    EXPECT_STREQ(file->getProperty("children"), "2");  // names that are no XML names
  }
  scriptVariables.clear();
  stage.folder().write("more.xml",
                       "<?xml version=\"1.0\"?>\n<ZEB_DATA_FILE>\n<VARIABLES>\n"
                       "<gamma>\n</gamma>\n</VARIABLES>\n</ZEB_DATA_FILE>\n");
  auto file = open("vars");
  ASSERT_TRUE(file->callMethod("loadNode", "VARIABLES", scriptArgTerminator));
  EXPECT_EQ(std::string(scriptVariables.getTextByName("alpha")), tricky);
  EXPECT_STREQ(scriptVariables.getTextByName("beta"), "42");
  // An element without "VALUE" loads as empty text and gets one when saved.
  auto more = open("more.xml");
  setVariable("gamma", "old");
  more->callMethod("loadNode", "VARIABLES", scriptArgTerminator);
  EXPECT_STREQ(scriptVariables.getTextByName("gamma"), "");
  setVariable("gamma", "7");
  more->callMethod("saveNode", "VARIABLES", scriptArgTerminator);
  EXPECT_NE(onDisk("more.xml").find("<gamma VALUE=\"7\">"), std::string::npos);
}

TEST_F(XMLVariableFileTest, CursorWalks)
{
  stage.folder().write(
      "tree.xml",
      "<?xml version=\"1.0\"?>\n<ZEB_DATA_FILE>\n<VARIABLES>\n<a x=\"1\" y=\"2\">\n"
      "<b>\n</b>\n</a>\n<b n=\"late\">\n<b n=\"inner\">\n</b>\n</b>\n</VARIABLES>\n"
      "</ZEB_DATA_FILE>\n");
  auto file = open("tree.xml");
  file->callMethod("findNode", "b", scriptArgTerminator);
  EXPECT_EQ(result(), "b");
  EXPECT_STREQ(file->getProperty("children"), "1");  // the later one, not searched below
  file->callMethod("findNode", "zzz", scriptArgTerminator);
  EXPECT_EQ(result(), "b");
  clearScriptArgs();
  pushScriptArg("n");
  EXPECT_STREQ(file->getProperty("var"), "late");
  file->callMethod("selectParent", scriptArgTerminator);
  EXPECT_STREQ(file->getProperty("currentNode"), "VARIABLES");
  file->setProperty("currentNode", "a");
  const struct {
    const char* member;
    const char* n;
    const char* result;
  } reads[] = {{"getChild", "0", ""},     {"getChild", "1", "b"},       {"getChild", "2", ""},
               {"getAttribute", "0", ""}, {"getAttribute", "2", "y:2"}, {"getAttribute", "3", ""}};
  for (const auto& r : reads) {
    file->callMethod(r.member, r.n, scriptArgTerminator);
    EXPECT_EQ(result(), r.result) << r.member << " " << r.n;
  }
  // Limits: a name and value of 1023 characters together fit, 1024 do not; the contents
  // stop before 1024.
  file->callMethod("addAttribute", "long", std::string(1019, 'v').c_str(), scriptArgTerminator);
  file->callMethod("getAttribute", "3", scriptArgTerminator);
  EXPECT_EQ(result().size(), 1024u);
  file->callMethod("addAttribute", "long", std::string(1020, 'v').c_str(), scriptArgTerminator);
  file->callMethod("getAttribute", "3", scriptArgTerminator);
  EXPECT_EQ(result(), "");
  for (int i = 0; i < 300; ++i)
    file->current()->addText("word");
  file->callMethod("getContents", scriptArgTerminator);
  EXPECT_EQ(result().size(), 1020u);
  file->callMethod("deleteNode", "now", scriptArgTerminator);
  EXPECT_STREQ(file->getProperty("currentNode"), "VARIABLES");
  EXPECT_STREQ(file->getProperty("children"), "1");
  // After "selectRoot" a new node goes under the root, beside the variable file's own tree,
  // and is read back from there.
  file->callMethod("selectRoot", scriptArgTerminator);
  file->callMethod("addNode", "SETTINGS", scriptArgTerminator);
  file->callMethod("selectParent", scriptArgTerminator);
  EXPECT_STREQ(file->getProperty("children"), "2");
  file->callMethod("write", scriptArgTerminator);
  auto again = open("tree.xml");
  again->callMethod("selectRoot", scriptArgTerminator);
  again->callMethod("getChild", "2", scriptArgTerminator);
  EXPECT_EQ(result(), "SETTINGS");
}

// "findNode" takes the last match in document order, not one below another match, in a file
// nested deeper than a recursive search could go.
TEST_F(XMLVariableFileTest, FindNodeReachesAnyDepth)
{
  constexpr int depth = 100000;
  std::string text = "<?xml version=\"1.0\"?>\n<ZEB_DATA_FILE>\n<b n=\"first\">\n</b>\n";
  for (int i = 0; i < depth; ++i)
    text += "<d>\n";
  text += "<b n=\"deep\">\n<b n=\"below\">\n</b>\n</b>\n";
  for (int i = 0; i < depth; ++i)
    text += "</d>\n";
  stage.folder().write("deep.xml", text + "</ZEB_DATA_FILE>\n");
  auto file = open("deep.xml");
  file->callMethod("findNode", "b", scriptArgTerminator);
  EXPECT_EQ(result(), "b");
  clearScriptArgs();
  pushScriptArg("n");
  EXPECT_STREQ(file->getProperty("var"), "deep");
}

// A damaged file is kept aside and an empty one started; what the writers write is read: a
// value holding a quote, unescaped, and groups nested however deep.
TEST_F(XMLVariableFileTest, OnlyADamagedFileIsKeptAside)
{
  const std::string head = "<?xml version=\"1.0\" standalone=\"yes\"?>\n<ZEB_DATA_FILE>\n";
  std::string nested = head + "<VARIABLES>\n";
  std::string closing = "</VARIABLES>\n</ZEB_DATA_FILE>\n";
  for (int level = 1; level <= 300; ++level) {
    nested += "<g" + std::to_string(level) + ">\n";
    closing = "</g" + std::to_string(level) + ">\n" + closing;
  }
  const struct {
    const char* name;
    std::string text;
    bool keptAside;
    const char* group;
    std::vector<std::pair<const char*, const char*>> values;
  } cases[] = {
      {"broken", head + "<VARIABLES\n", true, "VARIABLES", {}},
      {"quoted",
       head + "<VARIABLES>\n<size VALUE=\"5\"\">\n</size>\n<who VALUE=\"Ann\">\n</who>\n" +
           "</VARIABLES>\n</ZEB_DATA_FILE>\n",
       false,
       "VARIABLES",
       {{"size", "5"}, {"who", "Ann"}}},
      {"nested",
       nested + "<deep VALUE=\"7\">\n</deep>\n" + closing,
       false,
       "g300",
       {{"deep", "7"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    scriptVariables.clear();
    const std::string file = std::string(c.name) + ".xml";
    stage.folder().write(file, c.text);
    testing::internal::CaptureStderr();
    auto opened = open(c.name);
    testing::internal::GetCapturedStderr();
    ASSERT_NE(opened->document(), nullptr);
    EXPECT_EQ(std::filesystem::exists(stage.folder().file(file + ".bad")), c.keptAside);
    if (c.keptAside) {
      EXPECT_EQ(onDisk((file + ".bad").c_str()), c.text);
      EXPECT_NE(onDisk(file.c_str()).find("<VARIABLES>"), std::string::npos);
      continue;
    }
    EXPECT_EQ(opened->writeCount(), 0);
    ASSERT_TRUE(opened->callMethod("loadNode", c.group, scriptArgTerminator));
    for (const auto& [variable, value] : c.values)
      EXPECT_STREQ(scriptVariables.getTextByName(variable), value) << variable;
  }
}

TEST_F(XMLVariableFileTest, AKilledWriteLeavesTheOldOrTheNewFile)
{
  auto file = open("kill");
  std::string versions[2];
  for (int i = 0; i < 2; ++i) {
    file->setVariable("VARIABLES", "big", std::string(20000 + i, char('a' + i)).c_str());
    ASSERT_TRUE(file->write());
    versions[i] = onDisk("kill.xml");
  }
  std::mt19937 random(5);
  for (int kill = 0; kill < 60; ++kill) {
    ASSERT_TRUE(killWriterMidway(
        [&](int i) {
          file->setVariable("VARIABLES", "big",
                            std::string(20000 + i % 2, char('a' + i % 2)).c_str());
          file->write();
        },
        static_cast<int>(random() % 3), static_cast<unsigned>(random() % 2000)));
    const std::string now = onDisk("kill.xml");
    ASSERT_TRUE(now == versions[0] || now == versions[1]) << "kill " << kill;
  }
}

}  // namespace
