#include <random>
#include <set>

#include "framework/OMIStream.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMSysFont.h"
#include "tests/support/AppTestSupport.h"
#include "tests/trinkets/ScriptedStageTest.h"
#include "tools/NEResourceWriter.h"
#include "tools/NFNTWriter.h"
#include "trinkets/lib/RSelList.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

constexpr int fontId = 310;

std::unique_ptr<OMIStream> openFont(std::uint16_t id)
{
  return openResourceStream(id, "NFNT", -1);
}

class SelectionListTest : public ScriptedStageTest {
 protected:
  RSelList* makeList(const std::string& more = "")
  {
    runScript("l=RSelList 100 50 200 160\n" + more,
              "procedure onFull\n[\n  say full\n]\nprocedure onSelected\n[\n  say selected\n]\n");
    return object<RSelList>("l");
  }
  // Runs a member with its arguments; answers RESULT.
  static std::string run(RSelList* list, const char* member, const char* argument = nullptr)
  {
    setScriptResultText("");
    if (argument) {
      list->callMethod(member, argument, scriptArgTerminator);
    } else {
      list->callMethod(member, scriptArgTerminator);
    }
    return scriptResult();
  }
};

// The editing walks of the list, step by step: the text typed, the mode, the highlighted
// entry and what RESULT says.
TEST_F(SelectionListTest, TypingFindsOrGrowsEntries)
{
  struct Step {
    const char* member;
    const char* argument;
    const char* editText;
    int mode;
    const char* highlighted;
    const char* result;
    int valid;
  };
  const Step walks[][8] = {
      {{"addChar", "b", "B", 1, "Bert", "0", 1},
       {"addChar", "x", "Bx", 2, "Bx", "0", 1},
       {"deleteChar", nullptr, "B", 1, "Bert", "", 1},
       {"deleteChar", nullptr, "", 0, "Bert", "", 1}},
      {{"addChar", " ", "", 0, "Anna", "2", 1},
       {"addChar", "m", "M", 2, "M", "0", 1},
       {"addChar", " ", "M ", 2, "M ", "0", 1},
       {"addChar", " ", "M ", 2, "M ", "3", 1},
       {"addChar", "j", "M J", 2, "M J", "0", 1},
       {"addChar", "-", "M J-", 2, "M J-", "0", 1},
       {"addChar", "x", "M J-X", 2, "M J-X", "0", 1}},
      {{"startNewEntry", nullptr, "", 3, "", "", 0},
       {"addChar", "b", "B", 3, "B", "0", 1},
       {"addChar", "e", "Be", 3, "Be", "0", 1},
       {"addChar", "r", "Ber", 3, "Ber", "0", 1},
       {"addChar", "t", "Bert", 3, "Bert", "0", 0},
       {"deleteChar", nullptr, "Ber", 3, "Ber", "", 1}},
  };
  for (const auto& walk : walks) {
    RSelList* list = makeList(
        "play l addListEntry Carl\nplay l addListEntry Anna\n"
        "play l addListEntry Bert");
    ASSERT_NE(list, nullptr);
    for (const Step& s : walk) {
      if (!s.member) break;
      const std::string result = run(list, s.member, s.argument);
      const std::string at = std::string(s.member) + " " + (s.argument ? s.argument : "");
      if (*s.result) {
        EXPECT_EQ(result, s.result) << at;
      }
      EXPECT_EQ(list->editText(), s.editText) << at;
      EXPECT_EQ(list->mode(), s.mode) << at;
      ASSERT_LT(list->highlight(), list->entryCount()) << at;
      EXPECT_EQ(list->entries()[std::size_t(list->highlight())], s.highlighted) << at;
      EXPECT_EQ(list->getProperty("entryIsValid"), std::to_string(s.valid)) << at;
    }
    TearDown();
  }
}

TEST_F(SelectionListTest, LimitsScrollingAndDeleting)
{
  RSelList* list = makeList();
  ASSERT_NE(list, nullptr);
  for (const char* letter : {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"})
    run(list, "addListEntry", letter);
  EXPECT_EQ(list->entries().front(), "a");
  for (int top : {3, 6, 7, 7}) {
    run(list, "scrollListPageDown");
    EXPECT_EQ(list->topLine(), top);
  }
  EXPECT_STREQ(list->getProperty("canScrollListDown"), "0");
  EXPECT_STREQ(list->getProperty("canScrollListUp"), "1");
  // The last entry deleted: the highlight moves up one.
  list->setProperty("currentEntry", "j");
  run(list, "deleteEntry");
  EXPECT_EQ(list->entries()[std::size_t(list->highlight())], "i");
  EXPECT_STREQ(list->getProperty("deletedEntry"), "j");
  // Seventeen characters do not fit; a long entry is cut.
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(run(list, "addChar", "k"), "0");
  EXPECT_EQ(run(list, "addChar", "k"), "1");
  run(list, "addListEntry", "abcdefghijklmnopqrstuvwxyz");
  EXPECT_NE(std::find(list->entries().begin(), list->entries().end(), "abcdefghijklmnop"),
            list->entries().end());
  // Full at 99: "listFull" for a new entry, RESULT 4 for typing.
  TearDown();
  list = makeList("set l listFull onFull");
  newLines();
  for (int i = 0; i < 99; ++i)
    run(list, "addListEntry", ("n" + std::to_string(100 + i)).c_str());
  EXPECT_STREQ(list->getProperty("listIsFull"), "1");
  // Events raised inside a by-name call are not delivered: the list's own operations.
  list->addListEntry("zz");
  list->startNewEntry();
  EXPECT_EQ(run(list, "addChar", "q"), "4");
  EXPECT_EQ(list->editText(), "");
  EXPECT_EQ(newLines(), (std::vector<std::string>{"full", "full"}));
}

// A click on a line highlights it; a double click on a line below the last entry says nothing.
TEST_F(SelectionListTest, ClicksPickLines)
{
  RSelList* list = makeList("set l entrySelected onSelected\nset l visibleLines 5");
  ASSERT_NE(list, nullptr);
  for (const char* name : {"Anna", "Bert"})
    run(list, "addListEntry", name);
  const int lh = list->lineHeight();
  const int descent = OMSysFont().descent();
  ASSERT_GT(descent, 0);
  const int row1 = 50 + lh + lh / 2 + 2;
  // Rows start below the font's descent; the pixels above it truncate to row 0.
  struct Press {
    int y;
    int highlight;
  };
  const Press presses[] = {
      {row1, 1},
      {50, 0},
      {row1, 1},
      {50 + descent - 1, 0},
      {50 + descent + lh, 1},
      {50 + descent + lh - 1, 0},
      {50 + descent + 2 * lh, 0},  // below the last entry
      {row1, 1},
  };
  for (const Press& p : presses) {
    stage.passes(1, 1000);  // no double click
    stage.click(150, p.y);
    EXPECT_EQ(list->highlight(), p.highlight) << "y " << p.y;
  }
  stage.host().click(150, row1);
  stage.host().click(150, row1);
  stage.settle();
  EXPECT_EQ(newLines(), std::vector<std::string>{"selected"});
  stage.host().click(150, row1 + 2 * lh);
  stage.host().click(150, row1 + 2 * lh);
  stage.settle();
  EXPECT_TRUE(newLines().empty());
  EXPECT_EQ(list->highlight(), 1);
}

// Five lines drawn in modes 0, 1 and 2 with a bitmap font: each line band shows exactly the
// colours of its role.
TEST_F(SelectionListTest, PaintsLinesInTheirColours)
{
  using namespace nfntwriter;
  const Font font = caselessFont(scaledFont(pixelFont(), 2));
  const int lh = font.ascent + font.descent + font.leading;
  NEResourceWriter writer;
  writer.add("NFNT", std::to_string(fontId), write(font));
  stage.addResourceFile("font.rsc", writer);
  RSelList::setFontOpener(&openFont);
  OMFont* const canvasFont = stage.window().offscreen()->font();
  RSelList* list = makeList(
      "set l visibleLines 5\nset l textFontID 310\n"
      "set l listBackgroundColor 0 0 65535\n"
      "set l highlightedBackgroundColor 32768 32768 32768\n"
      "set l normalTextColor 65535 65535 65535\n"
      "set l selectedTextColor 65535 0 0\nset l matchedTextColor 0 65535 0");
  RSelList::setFontOpener(nullptr);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->lineHeight(), lh);
  for (const char* name : {"ANNA", "BERT", "CARL"})
    run(list, "addListEntry", name);
  const std::uint32_t bg = 0x001F, bar = 0x4210, normal = 0x7FFF, selected = 0x7C00,
                      matched = 0x03E0;
  const auto band = [&](int row) {
    std::set<std::uint32_t> seen;
    const int top = 50 + row * lh + font.descent;
    for (int y = top; y < top + lh; ++y)
      for (int x = 100; x < 300; ++x)
        seen.insert(stage.pixel(x, y));
    return seen;
  };
  using Colours = std::set<std::uint32_t>;
  struct Case {
    const char* typed;
    const char* visibleLines;
    Colours rows[5];
  };
  // However many lines a script asks to see, a paint walks only those that show something:
  // the same picture, drawn as quickly.
  const Case cases[] = {
      {"", "5", {{bar, selected}, {bg, normal}, {bg, normal}, {bg}, {bg}}},
      {"b", "5", {{bg, normal}, {bar, selected, matched}, {bg, normal}, {bg}, {bg}}},
      {"x", "5", {{bg, normal}, {bg, normal}, {bar, matched}, {bg, normal}, {bg}}},
      {"", "2000000000", {{bg, normal}, {bg, normal}, {bar, matched}, {bg, normal}, {bg}}},
  };
  for (const Case& c : cases) {
    for (const char* p = c.typed; *p; ++p)
      run(list, "addChar", std::string(1, *p).c_str());
    list->setProperty("visibleLines", c.visibleLines);
    const long start = omtest::threadProcessorMilliseconds();
    for (const char* background : {"0", "1"}) {
      list->setProperty("drawBackground", background);
      stage.passes(1);
    }
    EXPECT_LT(omtest::threadProcessorMilliseconds() - start, 500) << c.visibleLines << " lines";
    for (int row = 0; row < 5; ++row)
      EXPECT_EQ(band(row), c.rows[row]) << "\"" << c.typed << "\" row " << row;
    // A text made now without a font takes the canvas's: never the list's, which goes with it.
    EXPECT_EQ(stage.window().offscreen()->font(), canvasFont);
  }
}

// Any sequence of operations keeps the list's invariants.
TEST_F(SelectionListTest, RandomOperationsKeepTheInvariants)
{
  RSelList* list = makeList();
  ASSERT_NE(list, nullptr);
  const char* const methods[] = {
      "addChar",          "deleteChar",         "startNewEntry",   "addListEntry",
      "deleteEntry",      "moveHighlightDown",  "moveHighlightUp", "scrollListLineDown",
      "scrollListLineUp", "scrollListPageDown", "scrollListPageUp"};
  const char* const texts[] = {"a", " ", "-", "b", "Bo", "\x88", "", "aaaaaaaaaaaaaaaaaaaa"};
  std::mt19937 random(11);
  for (int i = 0; i < 10000; ++i) {
    const int pick = int(random() % (std::size(methods) + 2));
    const char* text = texts[random() % std::size(texts)];
    if (pick == int(std::size(methods))) {
      list->setProperty("visibleLines", std::to_string(int(random() % 7) - 1).c_str());
    } else if (pick == int(std::size(methods)) + 1) {
      list->setProperty("currentEntry", text);
    } else {
      // Entries are added more often than removed, so that the list fills up now and then.
      const int times = pick == 3 ? 3 : 1;
      for (int k = 0; k < times; ++k)
        run(list, methods[pick], text);
    }
    const int count = list->entryCount();
    ASSERT_LE(count, 99);
    ASSERT_GE(list->topLine(), 0) << i;
    ASSERT_LE(list->topLine(), std::max(0, count - list->visibleLines())) << i;
    ASSERT_LE(list->editText().size(), 16u);
    for (const std::string& entry : list->entries())
      ASSERT_LE(entry.size(), 16u);
    ASSERT_GE(list->highlight(), 0) << i;
    ASSERT_LE(list->highlight(), std::max(0, count - 1))
        << i << " " << methods[std::min<int>(pick, 10)];
    list->getProperty("currentEntry");
  }
}

}  // namespace
