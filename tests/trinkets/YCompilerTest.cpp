#include <gtest/gtest.h>

#include <functional>

#include "ScriptHarness.h"
#include "platform/host/headless/HeadlessHost.h"
#include "tests/support/TempFolder.h"
#include "trinkets/src/rthread/YKeyword.h"

using scripttest::alerts;
using scripttest::exitCodes;
using scripttest::ScriptTest;

namespace {

std::vector<std::string> recorded;

OMWord recordArguments(OMWord)
{
  std::string line;
  for (const char* argument = popScriptArg(); *argument; argument = popScriptArg()) {
    line += std::string(line.empty() ? "" : "|") + argument;
  }
  recorded.push_back(line);
  return 0;
}

class CompilerTest : public ScriptTest {
 protected:
  void SetUp() override
  {
    ScriptTest::SetUp();
    recorded.clear();
    const OMLinkToFct record(&recordArguments);
    registerScriptFunction("Record", &record);
    registerScriptFunction("x", &record);
  }

  // The line number that the compile error's message gives, or 0 without one.
  static long errorLine()
  {
    for (const std::string& alert : alerts) {
      const std::size_t colon = alert.find(": ");
      if (colon != std::string::npos && colon > 0 &&
          alert.find_first_not_of("0123456789") == colon) {
        return std::stol(alert.substr(0, colon));
      }
    }
    return 0;
  }
};

TEST_F(CompilerTest, KeywordTableHasItsTwentyThreeWordsInOrder)
{
  initScriptKeywords();
  int count = 0;
  for (const YKeyword* keyword = scriptKeywords; keyword->word; ++keyword)
    ++count;
  EXPECT_EQ(count, 23);
  EXPECT_STREQ(scriptKeywords[0].word, "if");
  EXPECT_EQ(scriptKeywords[4].opcode, 4u);
  EXPECT_EQ(scriptKeywords[4].length, 9u);
  EXPECT_STREQ(scriptKeywords[22].word, "quit");
  EXPECT_EQ(scriptKeywords[22].opcode, 46u);
}

TEST_F(CompilerTest, StatementsBecomeInstructionsAndOperandRuns)
{
  YThread* thread = load("a=1\rif a\r  say a\r");
  ASSERT_TRUE(thread->isLoaded());
  const auto& code = thread->code();
  const auto& words = thread->operands();
  ASSERT_EQ(code.size(), 6u);  // 18, 12, 10, 14, 13 and the closing 0
  EXPECT_EQ(code[0].opcode, 18u);
  EXPECT_EQ(code[1].opcode, 12u);
  EXPECT_EQ(code[2].opcode, 10u);
  EXPECT_EQ(code[2].operand, 5);  // past the block end
  EXPECT_EQ(code[1].operand, code[0].operand + 3);
  EXPECT_EQ(code[3].opcode, 14u);
  EXPECT_EQ(code[4].opcode, 13u);
  EXPECT_EQ(code[5].opcode, 0u);
  EXPECT_EQ(words[0], 0);
  EXPECT_EQ(words[1], 1);
  EXPECT_EQ(words[2], 2);
  EXPECT_EQ(words[3], scriptVariables.find("a", -1));
  EXPECT_EQ(words[4], scriptVariables.find("1", -1));
  EXPECT_EQ(words[5], 0xFFFF);
}

TEST_F(CompilerTest, NameBlankEqualsIsACallOfAGlobalFunction)
{
  run("x = 5\r");
  ASSERT_EQ(recorded.size(), 1u);
  // The lone "=" is an operand of operators only: the integer 0.
  EXPECT_EQ(recorded[0], "0|5");
}

TEST_F(CompilerTest, KeywordEndedByByte127IsAFunctionName)
{
  const OMLinkToFct record(&recordArguments);
  registerScriptFunction("say", &record);
  run("say\x7f"
      "a\rsay b\r");
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0], "a");
  EXPECT_EQ(debugText(), "b\n");
}

TEST_F(CompilerTest, LineFeedsEndLinesAsCarriageReturnsDo)
{
  for (const char* end : {"\r", "\n", "\r\n"}) {
    recorded.clear();
    dropThreads();
    const std::string e = end;
    load("yield off" + e + "Record one" + e + "Record two" + e);
    passes(1);
    ASSERT_EQ(recorded.size(), 2u) << "line end " << static_cast<int>(end[0]);
    EXPECT_EQ(recorded[0], "one");
    EXPECT_EQ(recorded[1], "two");
  }
  alerts.clear();
  load("say a\nsay b\nsay (c\n");
  EXPECT_EQ(errorLine(), 3);
}

TEST_F(CompilerTest, CompileErrorsGiveTheirLineNumber)
{
  YThread* thread = load("say a\r\rsay b\r  say (c+d\rsay e\r");
  EXPECT_FALSE(thread->isLoaded());
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0], "4: (c+d\rsay e\r\r");
  alerts.clear();
  load("say 'one\ttwo'\r");
  ASSERT_EQ(alerts.size(), 2u);
  EXPECT_EQ(alerts[0].rfind("Unquote 'one", 0), 0u) << alerts[0];
  EXPECT_EQ(errorLine(), 1);
  alerts.clear();
  load("say ok\rsay a++b\r");
  EXPECT_EQ(errorLine(), 2);
  alerts.clear();
  load("\r\rsay " + std::string(1100, 'q') + "\r");
  EXPECT_EQ(errorLine(), 3);
}

// Beside the short alert, standard error names the script, the line, its text and what was
// wanted, for the person who has to mend it; an included file is named as itself. An include
// that cannot be loaded ends the program with its one alert, and the including line is named.
// A stray "]" is no compile error, but the lines it leaves out are named the same way. Faults
// found while the script runs are named so too: a "call" of a procedure that does not exist
// (a script that cannot be loaded, which ends the program) and a runaway call.
TEST_F(CompilerTest, FaultsSayWhereAndWhatOnStandardError)
{
  writeFile("part.mps", "say b\r  if (x\r");
  writeFile("calls.mps", "say c\r\ncall nowhere\r\n");
  writeFile("big.mps", std::string(40000, ';'));
  const struct {
    std::string text;
    std::string said;
    std::size_t alertCount;
    std::vector<int> exits;
    bool loaded = false;
  } cases[] = {
      {"say a\r\rsay b\r  say (c+d\rsay e\r",
       "test.mps line 4: \"  say (c+d\": expected parentheses and quotes that close\n",
       1,
       {}},
      {"say a\r\nsay b\r\n  say (c+d\r\nsay e\r\n",
       "test.mps line 3: \"  say (c+d\": expected parentheses and quotes that close\n",
       1,
       {}},
      {"say ok\rsay 'one\ttwo'\r",
       "test.mps line 2: \"say 'one\ttwo'\": expected the closing quote before the end of the "
       "line\n",
       2,
       {}},
      {"say a\rbreak\r",
       "test.mps line 2: \"break\": expected a statement that belongs here (\"else\" right after "
       "an \"if\" block, \"break\" and \"continue\" inside a loop, \"]\" closing an open block, "
       "an include file that exists)\n",
       1,
       {}},
      {"procedure\r", "test.mps line 1: \"procedure\": expected an operand\n", 1, {}},
      {"say a\rinclude part.mps\r",
       "part.mps line 2: \"  if (x\": expected parentheses and quotes that close\n",
       1,
       {}},
      {std::string(40000, ';'), "test.mps: Script too long (40000 bytes, at most 32767)\n", 1, {1}},
      {"say a\r\ninclude nowhere.mps\r\nsay (b\r\n",
       "test.mps line 2: \"include nowhere.mps\": can't find nowhere.mps\n",
       1,
       {1}},
      {"say a\rinclude big.mps\rinclude part.mps\r",
       "test.mps line 2: \"include big.mps\": big.mps: Script too long (40000 bytes, at most "
       "32767)\n",
       1,
       {1}},
      // A procedure whose "[" is gone: its "]" ends the script, which still runs up to there.
      {"procedure a\r  say x\r]\rsay lost\r",
       "test.mps line 3: \"]\": expected a \"[\" before this \"]\", which ends the script here: "
       "the lines after it are not compiled\n",
       0,
       {},
       true},
      {"procedure a\r[\r  say x\r]\r]\r; nothing is lost\r\r", "", 0, {}, true},
      {"say a\r  call nowhere\r",
       "test.mps line 2: \"  call nowhere\": can't find nowhere\n",
       1,
       {1}},
      {"say a\rinclude calls.mps\r",
       "calls.mps line 2: \"call nowhere\": can't find nowhere\n",
       1,
       {1}},
      {"yield off\rcall again\rprocedure again\r[\r  call again\r]\r",
       "test.mps line 5: \"  call again\": script stack full\n",
       1,
       {},
       true},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    YThread* thread = load(c.text);
    passes(5);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.said) << c.text.substr(0, 40);
    EXPECT_EQ(thread->isLoaded(), c.loaded) << c.text.substr(0, 40);
    EXPECT_EQ(alerts.size(), c.alertCount) << c.text.substr(0, 40);
    EXPECT_EQ(exitCodes, c.exits) << c.text.substr(0, 40);
    alerts.clear();
    exitCodes.clear();
  }
}

TEST_F(CompilerTest, StructuralFaultsAreCompileErrors)
{
  load("say a\rbreak\r");
  EXPECT_EQ(errorLine(), 2);
  alerts.clear();
  load("a=1\relse\r  say b\r");
  EXPECT_EQ(errorLine(), 2);
  alerts.clear();
  load("else\r  say b\r");
  EXPECT_EQ(errorLine(), 1);
  alerts.clear();
  load("procedure\r");
  EXPECT_EQ(errorLine(), 1);
  alerts.clear();
  load("if a\r  say x\relse\r  say y\relse\r  say z\r");
  EXPECT_EQ(errorLine(), 5);
}

TEST_F(CompilerTest, UnbalancedBlocksFollowTheBracketRules)
{
  // An unclosed "[" is closed by the end of the text.
  YThread* open = run("[\rsay one\rsay two\r");
  EXPECT_TRUE(open->isLoaded());
  EXPECT_TRUE(alerts.empty());
  // A "]" at the top level ends the compilation without an error.
  run("say three\r]\rsay four\r");
  EXPECT_TRUE(alerts.empty());
  EXPECT_EQ(debugLines(), (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(CompilerTest, BodyLineFollowedByBracketGetsAnEmptyBody)
{
  // Were the first "]" the block's end, "say after" would follow a top-level "]".
  run("[\rif 1\r]\rsay inside\r]\rsay after\r");
  EXPECT_EQ(debugLines(), (std::vector<std::string>{"inside", "after"}));
}

TEST_F(CompilerTest, ListAssignmentMakesInstancesAtCompileTime)
{
  YThread* thread = load("a=9\rx=[a b 'c d' 5\ry=[p q ]\r");
  ASSERT_TRUE(thread->isLoaded());
  EXPECT_EQ(text("x.1"), "a");
  EXPECT_EQ(text("x.2"), "b");
  EXPECT_EQ(text("x.3"), "c d");
  EXPECT_EQ(text("x.4"), "5");
  EXPECT_EQ(text("y.3"), "]");
  EXPECT_EQ(variable("x")->instances, 4);
  // No instruction for the lists: only the first assignment.
  EXPECT_EQ(thread->code().size(), 2u);
}

TEST_F(CompilerTest, IncludeSplicesFilesInPlace)
{
  writeFile("inner.mps", "say inner\rinclude deepest.mps");
  writeFile("deepest.mps", "say deepest\rprocedure later\r  say fromLater\r");
  run("say before\rinclude inner.mps\rsay after\rcall later\r");
  EXPECT_TRUE(alerts.empty());
  EXPECT_EQ(debugLines(),
            (std::vector<std::string>{"before", "inner", "deepest", "after", "fromLater"}));
}

TEST_F(CompilerTest, MissingScriptsAreReportedAndEndTheProgram)
{
  YThread* thread = load("include nowhere.mps\r");
  EXPECT_FALSE(thread->isLoaded());
  ASSERT_FALSE(alerts.empty());
  EXPECT_EQ(alerts[0], "can't find nowhere.mps");
  EXPECT_EQ(exitCodes, std::vector<int>{1});
  alerts.clear();
  exitCodes.clear();
  thread = this->thread("absent.mps");
  EXPECT_FALSE(thread->isLoaded());
  EXPECT_EQ(alerts.at(0), "can't find absent.mps");
  alerts.clear();
  exitCodes.clear();
  writeFile("big.mps", std::string(40000, ';'));
  thread = this->thread("big.mps");
  EXPECT_FALSE(thread->isLoaded());
  EXPECT_EQ(alerts.at(0), "Script too long");
  EXPECT_EQ(exitCodes, std::vector<int>{1});
}

// Without a test's handler, an alert is a message box titled "Alert", task- and system-modal,
// with no owner.
TEST_F(CompilerTest, AlertsAreMessageBoxesByDefault)
{
  omhost::HeadlessHost& host = omhost::startHeadlessSession();
  setScriptAlertHandler(nullptr);
  load("say a\rsay (b\r");
  thread("nowhere.mps");
  const std::vector<omhost::MessageBoxRecord>& boxes = host.messageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "2: (b\r\r");
  EXPECT_EQ(boxes[1].text, "can't find nowhere.mps");
  for (const omhost::MessageBoxRecord& box : boxes) {
    EXPECT_EQ(box.caption, "Alert");
    EXPECT_EQ(box.style, 0x3000u);
  }
  EXPECT_TRUE(alerts.empty());
  EXPECT_EQ(exitCodes, std::vector<int>{1});
  omhost::setHost(nullptr);
}

// With no name the user is asked for a script with the file dialog; a cancelled dialog loads
// nothing and is no error.
TEST_F(CompilerTest, LoadingWithoutANameAsksForAScript)
{
  omhost::HeadlessHost& host = omhost::startHeadlessSession();
  writeFile("*.mps", "say wild\r");
  writeFile("chosen.mps", "yield off\rsay chosen\r");
  YThread* thread = load("say here\r");
  for (const char* noName : {static_cast<const char*>(nullptr), ""}) {
    ASSERT_TRUE(thread->load("test.mps"));
    EXPECT_FALSE(thread->load(noName));
    EXPECT_FALSE(thread->isLoaded());
  }
  host.queueFileDialogAnswer("chosen.mps");
  ASSERT_TRUE(thread->load(nullptr));
  thread->start();
  passes(1);
  EXPECT_EQ(debugLines(), std::vector<std::string>{"chosen"});
  char chosen[YThread::scriptDialogBufferSize] = "left over";
  YThread::chooseScriptFile(chosen, true);
  EXPECT_STREQ(chosen, "");
  const std::vector<omhost::FileDialogRecord>& asked = host.fileDialogs();
  ASSERT_EQ(asked.size(), 4u);
  for (const omhost::FileDialogRecord& dialog : asked) {
    EXPECT_EQ(dialog.title, "Script");
    EXPECT_EQ(dialog.initialFile, "*.mps");
    EXPECT_EQ(dialog.flags, static_cast<unsigned>(OFN_HIDEREADONLY | OFN_PATHMUSTEXIST));
  }
  EXPECT_FALSE(asked[2].save);
  EXPECT_TRUE(asked[3].save);
  EXPECT_TRUE(alerts.empty());
  EXPECT_TRUE(exitCodes.empty());
  omhost::setHost(nullptr);
}

// Script files are named by Windows paths: drives map to host folders and names match in any
// case, for the script, its includes and its compiled form.
TEST_F(CompilerTest, ScriptsAreFoundByWindowsPathsOnMappedDrives)
{
  TempFolder drive;
  ScopedEnv driveD("OM_DRIVE_D", drive.path());
  drive.write("Scripts/STARTUP.MPS", "yield off\rsay start\rinclude d:\\scripts\\Part.mps\r");
  drive.write("Scripts/part.MPS", "say part\r");
  YThread* thread = this->thread("D:\\scripts\\Startup.mps");
  ASSERT_TRUE(thread->isLoaded());
  passes(1);
  EXPECT_EQ(debugLines(), (std::vector<std::string>{"start", "part"}));
  EXPECT_TRUE(alerts.empty());
  ASSERT_TRUE(thread->writeCompiled("D:\\SCRIPTS\\startup.bin"));
  EXPECT_TRUE(std::filesystem::exists(drive / "Scripts/startup.bin"));
  EXPECT_TRUE(thread->load("d:\\Scripts\\STARTUP.BIN"));
}

TEST_F(CompilerTest, OpenerIsAskedWhenNoFileExists)
{
  auto opener = [](const char* name) -> std::unique_ptr<std::istream> {
    if (std::string(name) == "virtual.mps") {
      return std::make_unique<std::istringstream>("yield off\rsay virtual\r");
    }
    return nullptr;
  };
  threads_.push_back(std::make_unique<YThread>("virtual.mps", +opener));
  threads_.back()->start();
  passes(1);
  EXPECT_EQ(debugLines(), std::vector<std::string>{"virtual"});
  threads_.push_back(std::make_unique<YThread>("other.mps", +opener));
  EXPECT_FALSE(threads_.back()->isLoaded());
  EXPECT_EQ(alerts.at(0), "other.mps not found");
}

// Each generated file stays under the source limit; the main file includes them all.
std::string includeAll(int files, const std::function<std::string(int)>& content)
{
  std::string main;
  for (int f = 0; f < files; ++f) {
    const std::string name = "part" + std::to_string(f) + ".mps";
    ScriptTest::writeFile(name, content(f));
    main += "include " + name + "\r";
  }
  return main;
}

TEST_F(CompilerTest, FortyThousandDistinctNamesAreRefused)
{
  // Expressions of 40 names each, four to a line, so that the names and not the operand
  // words run out: 10 files of 25 lines hold 40,000 names.
  const std::string main = includeAll(10, [](int f) {
    std::string text;
    for (int line = 0; line < 25; ++line) {
      text += "say";
      for (int token = 0; token < 4; ++token) {
        text += " ";
        for (int i = 0; i < 40; ++i) {
          const int name = ((f * 25 + line) * 4 + token) * 40 + i;
          text += (i ? "+n" : "n") + std::to_string(name);
        }
      }
      text += "\r";
    }
    return text;
  });
  YThread* thread = load(main);
  EXPECT_FALSE(thread->isLoaded());
  // Each token adds its 40 names and then itself.
  const int failingToken = (YVariableTable::indexLimit - 3) / 41;
  EXPECT_EQ(errorLine(), (failingToken / 4) % 25 + 1);
  EXPECT_LE(scriptVariables.count(), YVariableTable::indexLimit);
}

TEST_F(CompilerTest, InstructionCapacityIsChecked)
{
  const std::string main = includeAll(3, [](int) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
      text += "debug\r";
    return text;
  });
  YThread* thread = load(main);
  EXPECT_FALSE(thread->isLoaded());
  EXPECT_EQ(errorLine(), 2001);
}

TEST_F(CompilerTest, OperandCapacityIsChecked)
{
  // 201 words a line: line 100 no longer fits in 20000 words.
  const std::string main = includeAll(2, [](int) {
    std::string text;
    for (int line = 0; line < 60; ++line) {
      text += "say";
      for (int i = 0; i < 200; ++i)
        text += " a";
      text += "\r";
    }
    return text;
  });
  YThread* thread = load(main);
  EXPECT_FALSE(thread->isLoaded());
  EXPECT_EQ(errorLine(), 40);
}

TEST_F(CompilerTest, DeepNestingIsRefusedNotOverflowed)
{
  std::string text;
  for (int i = 0; i < 5000; ++i)
    text += "[\r";
  YThread* thread = load(text);
  EXPECT_FALSE(thread->isLoaded());
  EXPECT_GT(errorLine(), 0);
  alerts.clear();
  std::string ifs;
  for (int i = 0; i < 3000; ++i)
    ifs += "if 1\r";
  thread = load(ifs + "say deep\r");
  EXPECT_FALSE(thread->isLoaded());
  EXPECT_GT(errorLine(), 0);
}

TEST_F(CompilerTest, WordsAfterElseAreUnusedOperands)
{
  run("x=2\rif x=1\r  say one\relse if x=3\r  say else-body\r");
  EXPECT_EQ(debugLines(), std::vector<std::string>{"else-body"});
}

TEST_F(CompilerTest, CommentsAndTrailingComments)
{
  run("; a comment line\rsay one ; not said\rsay two\r");
  EXPECT_EQ(debugLines(), (std::vector<std::string>{"one", "two"}));
}

}  // namespace

TEST_F(CompilerTest, ErrorTextBeginsWhereTheFailingWordWasReadFrom)
{
  load("say a\rsay b   (c+d\r");
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0], "2:   (c+d\r\r");
  alerts.clear();
  load("say x  'one\ttwo'\r");
  ASSERT_EQ(alerts.size(), 2u);
  EXPECT_EQ(alerts[0], "Unquote  'one\ttwo'\r\r...");
  alerts.clear();
  // A head's line is read from its start, indentation included.
  load("say a\r  'one\ttwo'\r");
  ASSERT_EQ(alerts.size(), 2u);
  EXPECT_EQ(alerts[0], "Unquote   'one\ttwo'\r\r...");
  EXPECT_EQ(errorLine(), 2);
}
