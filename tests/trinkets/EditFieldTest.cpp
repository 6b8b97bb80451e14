// The number entry field: keys as a script sees them, its caret, fonts and rectangle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "framework/OMFont.h"
#include "framework/OMLinkToFct.h"
#include "tests/support/TestStage.h"
#include "tools/NFNTWriter.h"
#include "trinkets/lib/REditTxt.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

constexpr int pixelFontId = 300;

class EditFieldTest : public ::testing::Test {
 protected:
  EditFieldTest()
  {
    NEResourceWriter writer;
    writer.add("NFNT", std::to_string(pixelFontId),
               nfntwriter::write(
                   nfntwriter::scaledFont(nfntwriter::caselessFont(nfntwriter::pixelFont()), 3)));
    stage.addResourceFile("fonts.rsc", writer);
  }
  ~EditFieldTest() override
  {
    thread_.reset();
    scriptVariables.clear();
    clearEventRecords();
  }

  // A field "e" at (100, 100) of at most maxChars digits whose events are said.
  REditTxt* run(const std::string& maxChars)
  {
    std::ofstream("edit.mps", std::ios::binary)
        << "yield off\rdebug\re=REditTxt 100 100 0 20 0 " << maxChars << " \"\"\r"
        << "set e finished onFinished\rset e cancel onCancel\rset e tab onTab\rwait\r"
           "procedure onFinished\r[\r  say finished\r]\r"
           "procedure onCancel\r[\r  say cancel\r]\r"
           "procedure onTab\r[\r  say tab\r]\r";
    thread_ = std::make_unique<YThread>("edit.mps", nullptr);
    thread_->start();
    stage.passes(3);
    return static_cast<REditTxt*>(scriptVariables.getObjectByName("e"));
  }
  // Digits and letters as typed; B Backspace, E Enter, X Esc, T Tab.
  void type(const std::string& keys)
  {
    for (char c : keys) {
      const int key = c == 'B'   ? VK_BACK
                      : c == 'E' ? VK_RETURN
                      : c == 'X' ? VK_ESCAPE
                      : c == 'T' ? VK_TAB
                                 : std::toupper(static_cast<unsigned char>(c));
      stage.host().typeKey(key);
      stage.settle();
    }
  }

  omtest::TestStage stage;
  std::unique_ptr<YThread> thread_;
};

TEST_F(EditFieldTest, KeysBuildTheCaptionAndReachTheScript)
{
  const struct {
    const char* name;
    const char* maxChars;
    std::string keys;
    std::string caption;
    std::vector<std::string> said;
  } cases[] = {
      {"at most three", "3", "1234", "123", {}},
      {"0 allows 80", "0", std::string(85, '7'), std::string(80, '7'), {}},
      {"Backspace, also on nothing", "5", "B12B", "1", {}},
      {"letters are ignored", "5", "1a2", "12", {}},
      {"Enter finishes and locks", "5", "12E34", "12", {"finished"}},
      {"Esc cancels and goes on", "5", "1X2", "12", {"cancel"}},
      {"Tab", "5", "1T", "1", {"tab"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    thread_.reset();
    scriptVariables.clear();
    clearEventRecords();
    std::filesystem::remove("debug.txt");
    REditTxt* edit = run(c.maxChars);
    ASSERT_NE(edit, nullptr);
    type(c.keys);
    EXPECT_EQ(edit->caption(), c.caption);
    EXPECT_EQ(stage.debugLines(), c.said);
  }
}

TEST_F(EditFieldTest, ReadingTheCaptionLocksUntilReset)
{
  REditTxt* edit = run("5");
  type("12");
  EXPECT_STREQ(edit->getProperty("caption"), "12");
  type("3E");
  EXPECT_EQ(edit->caption(), "12");
  EXPECT_TRUE(stage.debugLines().empty());
  edit->callMethod("reset", scriptArgTerminator);
  type("3");
  EXPECT_EQ(edit->caption(), "123");

  edit->setProperty("caption", "12a");
  EXPECT_STREQ(edit->getProperty("numFlag"), "0");
  edit->setProperty("caption", "");
  EXPECT_STREQ(edit->getProperty("numFlag"), "1");
  for (const auto& [given, kept] : {std::pair{"0", "1"}, {"100", "30"}, {"7", "7"}}) {
    edit->setProperty("blinkRate", given);
    EXPECT_STREQ(edit->getProperty("blinkRate"), kept);
  }

  // Tab goes to the callback instead of the script.
  static int tabs = 0;
  const OMLinkToFct counting(+[](OMWord) -> OMWord { return ++tabs; });
  edit->callMethod("reset", scriptArgTerminator);
  edit->setTabCallback(&counting);
  type("T");
  EXPECT_EQ(tabs, 1);
  EXPECT_TRUE(stage.debugLines().empty());
}

TEST_F(EditFieldTest, TheCaretBlinksAfterTheTextAndFontsResizeTheField)
{
  REditTxt* edit = run("5");
  edit->setProperty("NFNTFontName", std::to_string(pixelFontId).c_str());
  type("42");
  const OMFont* font = edit->fontInUse();
  // The pixel font three times over: ascent 15, descent 3, digits 12 wide, "r" 9.
  EXPECT_EQ(edit->rect(), OMRect(100, 100, 100 + font->textBounds("42").right() + 20, 118));
  const int caretX = 100 + font->textWidth("42") + 3, caretY = 100 + 15 - 2;
  const int width = font->textWidth("r");
  const std::uint32_t start = omhost::clockMilliseconds();
  const std::uint32_t background = stage.pixel(caretX, caretY + 3);
  // Two blinks a second: off after 30 ticks of 1/60 s, on again after 60.
  for (const auto& [at, on] : {std::pair{0u, true}, {499u, true}, {500u, false}, {1000u, true}}) {
    stage.passAt(start + at);
    SCOPED_TRACE(at);
    EXPECT_EQ(edit->isCaretOn(), on);
    for (int x = caretX; x <= caretX + width; ++x)
      EXPECT_EQ(stage.pixel(x, caretY) != background, on) << x;
  }

  // An unknown font id keeps a font.
  edit->setProperty("NFNTFontName", "999");
  ASSERT_NE(edit->fontInUse(), nullptr);
}

TEST_F(EditFieldTest, TrueTypeSizesAndStylesResizeTheField)
{
  REditTxt* edit = run("5");
  edit->setProperty("caption", "iii");
  stage.passes(1);
  const OMRect small = edit->rect();
  edit->callMethod("setFont", "Arial", "40", "0", "3", scriptArgTerminator);
  stage.passes(1);
  EXPECT_STREQ(edit->getProperty("fontSize"), "40");
  EXPECT_STREQ(edit->getProperty("fontColor"), "3");
  const OMRect large = edit->rect();
  EXPECT_GT(large.height(), small.height());
  EXPECT_GT(large.width(), small.width());
  edit->setProperty("fontStyle", "1");
  stage.passes(1);
  EXPECT_STREQ(edit->getProperty("fontStyle"), "1");
  EXPECT_GT(edit->rect().width(), large.width());
  EXPECT_EQ(edit->rect().left(), 100);
}

TEST_F(EditFieldTest, RandomKeysKeepTheCaptionDigitsWithinItsLength)
{
  REditTxt* edit = run("6");
  std::mt19937 random(35);
  const std::string keys = "0123456789aZ BXT";
  for (int round = 0; round < 1000; ++round) {
    std::string sequence;
    for (int i = 0; i < 4; ++i)
      sequence += keys[random() % keys.size()];
    type(sequence);
    ASSERT_LE(edit->caption().size(), 6u) << sequence;
    ASSERT_EQ(edit->caption().find_first_not_of("0123456789"), std::string::npos) << sequence;
  }
}

}  // namespace
