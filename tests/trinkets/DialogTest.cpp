// The dialog trinket end to end: made by script and from templates, shown, frozen around,
// dismissed by mouse and keys; its controls' looks and the label's line breaking.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "framework/OMCursor.h"
#include "framework/OMFont.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/PngWriter.h"
#include "tests/support/TestStage.h"
#include "trinkets/lib/OMDialogButton.h"
#include "trinkets/lib/OMDialogLabel.h"
#include "trinkets/lib/OMTrinketDialog.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/lib/RTBitmap.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using omtest::AnimationBuilder;

const OMFrameEntry hold{0, 0, OMFrameEntry::hold, 0};

// A stage with button animations 20 and 21 (30 x 20, up and pressed), a looping animation 22
// (no dialog cursor); scripts run on it and log with "say".
class DialogStage {
 public:
  explicit DialogStage(int depth = 16) : stage(depth)
  {
    NEResourceWriter writer;
    for (int id : {20, 21}) {
      AnimationBuilder b;
      b.addImage(30, 20, std::uint8_t(id - 18));
      b.addImage(30, 20, 9);
      b.addSequence({OMFrameEntry{0, 0, 0, 0}, hold, OMFrameEntry{0, 0, 1, 0}, hold});
      writer.add("ASEQ", std::to_string(id), b.build());
    }
    AnimationBuilder looping;
    looping.addImage(10, 10, 5);
    looping.addImage(10, 10, 6);
    looping.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, 1, 0},
                         OMFrameEntry{0, 0, OMFrameEntry::loop, 0}});
    writer.add("ASEQ", "22", looping.build());
    stage.addResourceFile("dialog.rsc", writer);
    OMAnimation::useEmbeddedAnimationCoordinates = 0;
  }
  ~DialogStage()
  {
    thread.reset();
    scriptVariables.clear();
    clearEventRecords();
    OMAnimation::useEmbeddedAnimationCoordinates = 1;
  }

  void run(const std::string& script)
  {
    std::ofstream("dialog.mps", std::ios::binary) << "yield off\rdebug\r" << script;
    thread = std::make_unique<YThread>("dialog.mps", nullptr);
    thread->start();
    stage.passes(3);
  }
  int count(const std::string& line) const
  {
    int n = 0;
    for (const std::string& l : stage.debugLines())
      n += l == line;
    return n;
  }
  std::string text(const char* variable) { return scriptVariables.getTextByName(variable); }
  void typeKey(int virtualKey, int modifier = 0)
  {
    if (modifier) stage.host().pressKey(modifier);
    stage.host().typeKey(virtualKey);
    stage.settle();
    if (modifier) stage.host().releaseKey(modifier);
    stage.settle();
  }

  omtest::TestStage stage;
  std::unique_ptr<YThread> thread;
};

// A dialog with a "&Yes" button (7), a default push button (20) and an escape one (21).
const char* const yesDialog =
    "d=OMTrinketDialog 100 100 400 300\r"
    "set d dismissed onDismissed\r"
    "play d addButton 110 250 190 280 \"&Yes\" 7\r"
    "play d addRPButton 200 250 20 DEFAULT\r"
    "play d addRPButton 300 250 21 escape\r"
    "play d addText 110 110 390 200 \"A question\"\r"
    "play d show\r"
    "wait\r"
    "procedure onDismissed\r[\r  say dismissed\r]\r";

TEST(DialogTest, EveryWayOfChoosingDismissesOnceWithItsId)
{
  struct Way {
    const char* name;
    std::function<void(DialogStage&)> choose;
    int id;
  };
  const Way ways[] = {
      {"click on Yes", [](DialogStage& s) { s.stage.click(150, 265); }, 7},
      {"Y", [](DialogStage& s) { s.typeKey('Y', VK_SHIFT); }, 7},
      {"y", [](DialogStage& s) { s.typeKey('Y'); }, 7},
      {"Ctrl+Y", [](DialogStage& s) { s.typeKey('Y', VK_CONTROL); }, 7},
      {"Enter", [](DialogStage& s) { s.typeKey(VK_RETURN); }, 20},
      {"Space", [](DialogStage& s) { s.typeKey(VK_SPACE); }, 20},
      {"Esc", [](DialogStage& s) { s.typeKey(VK_ESCAPE); }, 21},
      {"click on the push button", [](DialogStage& s) { s.stage.click(215, 260); }, 20},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    DialogStage s;
    s.run(yesDialog);
    OMTrinketDialog* dialog = OMTrinketDialog::currentDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->members().count(), 4);
    EXPECT_TRUE(isSoundOutputPaused());
    way.choose(s);
    EXPECT_EQ(OMTrinketDialog::currentDialog(), nullptr);
    EXPECT_EQ(s.count("dismissed"), 1);
    EXPECT_EQ(s.text("RESULT"), std::to_string(way.id));
    EXPECT_EQ(s.text("d"), std::to_string(way.id));
    EXPECT_FALSE(isSoundOutputPaused());
  }
}

OMWord countPass(OMWord counter)
{
  ++*reinterpret_cast<int*>(counter);
  return 0;
}

TEST(DialogTest, AModalDialogFreezesEverythingElseUntilItGoes)
{
  for (const char* modal : {"", "0"}) {
    SCOPED_TRACE(*modal ? "not modal" : "modal");
    const bool frozen = !*modal;
    DialogStage s;
    int passes = 0;
    const OMLinkToFct counting(&countPass, reinterpret_cast<OMWord>(&passes));
    OMTask task(&counting, 5);
    s.stage.app().addTask(&task);
    OMAnimation outside(OMAnimation::animationResolver(22), 500, 400, &s.stage.window());
    outside.restartTiming();
    s.stage.window().setDefaultTrinketFlags(0x400);
    OMCursor* cursorBefore = OMCursor::current();
    s.run(std::string("o=RPButton 10 10 20\r"
                      "set o hit onOther\r"
                      "d=OMTrinketDialog 100 100 400 300 ") +
          modal +
          "\r"
          "play d addButton 110 250 190 280 \"&Yes\" 7\r"
          "play d show\r"
          "set d dismissed onDismissed\r"
          "e=OMTrinketDialog 1 2 3 4\r"
          "wait\r"
          "procedure onOther\r[\r  say other\r]\r"
          "procedure onDismissed\r[\r  say dismissed\r]\r");
    ASSERT_NE(OMTrinketDialog::currentDialog(), nullptr);
    EXPECT_EQ(scriptVariables.getObjectByName("e"), scriptVariables.getObjectByName("d"));
    // Without a cursor animation of its own the dialog leaves the cursor as it is.
    EXPECT_EQ(OMCursor::current(), cursorBefore);
    // The frames the outside animation shows over a few beats.
    const auto framesShown = [&] {
      std::set<int> frames;
      for (int i = 0; i < 4; ++i) {
        s.stage.passes(1, omtest::TestStage::gatePeriod);
        frames.insert(outside.frameNumber());
      }
      return frames.size();
    };
    const int counted = passes;
    EXPECT_EQ(framesShown(), frozen ? 1u : 2u);
    EXPECT_EQ(passes == counted, frozen);
    EXPECT_EQ(isSoundOutputPaused(), frozen);
    s.stage.click(20, 15);
    EXPECT_EQ(s.count("other"), frozen ? 0 : 1);
    // Enter without a default button does nothing.
    s.typeKey(VK_RETURN);
    ASSERT_NE(OMTrinketDialog::currentDialog(), nullptr);

    s.stage.click(150, 265);
    EXPECT_EQ(OMTrinketDialog::currentDialog(), nullptr);
    // The second script's request left the first one's procedure connected.
    EXPECT_EQ(s.count("dismissed"), 1);
    EXPECT_EQ(s.text("d"), "7");
    EXPECT_EQ(scriptVariables.getObjectByName("e"), nullptr);
    EXPECT_EQ(s.stage.window().defaultTrinketFlags(), 0x400u);
    EXPECT_EQ(OMCursor::current(), cursorBefore);
    EXPECT_FALSE(task.isSuspended());
    EXPECT_FALSE(isSoundOutputPaused());
    const int after = passes;
    EXPECT_EQ(framesShown(), 2u);
    EXPECT_GT(passes, after);
    s.stage.click(20, 15);
    EXPECT_EQ(s.count("other"), frozen ? 1 : 2);
    s.stage.app().removeTask(&task);
  }
}

TEST(DialogTest, ADialogDroppedWhileItIsDismissedGoesOnce)
{
  DialogStage s;
  s.run(
      "d=OMTrinketDialog 100 100 400 300\r"
      "set d dismissed onDismissed\r"
      "t=RPButton 120 120 21\r"
      "play d addTrinket t\r"
      "play d addTrinket \"t\"\r"
      "play d addTrinket \"t\"\r"
      "play d addTrinket \"d\"\r"
      "play d addButton 110 250 190 280 \"&Yes\" 7\r"
      "play d show\r"
      "wait\r"
      "procedure onDismissed\r[\r  drop d\r  say dismissed\r]\r");
  OMTrinketDialog* dialog = OMTrinketDialog::currentDialog();
  ASSERT_NE(dialog, nullptr);
  // The trinket joins once; the dialog does not join itself.
  EXPECT_EQ(dialog->members().count(), 2);
  EXPECT_EQ(scriptVariables.getObjectByName("t"), dialog->members().first());
  s.stage.click(150, 265);
  EXPECT_EQ(OMTrinketDialog::currentDialog(), nullptr);
  EXPECT_EQ(s.count("dismissed"), 1);
  EXPECT_EQ(s.text("d"), "7");
  // The member went with the dialog and its variable let go of it.
  EXPECT_EQ(scriptVariables.getObjectByName("t"), nullptr);
}

TEST(DialogTest, APressDraggedOffTheButtonChoosesNothing)
{
  DialogStage s;
  s.run(yesDialog);
  auto* yes = dynamic_cast<OMDialogButton*>(OMTrinketDialog::currentDialog()->members().first());
  ASSERT_NE(yes, nullptr);
  EXPECT_EQ(yes->caption(), "Yes");
  EXPECT_EQ(yes->mnemonic(), 'Y');
  const std::uint32_t raisedCorner = s.stage.pixel(110, 250);
  s.stage.press(150, 265);
  EXPECT_EQ(yes->isPressed(), 1);
  const std::uint32_t pressedCorner = s.stage.pixel(110, 250);
  EXPECT_NE(pressedCorner, raisedCorner);
  s.stage.moveTo(20, 20);
  EXPECT_EQ(yes->isPressed(), 0);
  EXPECT_EQ(s.stage.pixel(110, 250), raisedCorner);
  s.stage.moveTo(150, 262);
  EXPECT_EQ(s.stage.pixel(110, 250), pressedCorner);
  s.stage.moveTo(20, 20);
  s.stage.release(20, 20);
  EXPECT_NE(OMTrinketDialog::currentDialog(), nullptr);
  EXPECT_EQ(s.count("dismissed"), 0);
}

// The templates lay out (in units of 6 x 13 for "MS Sans Serif" 8) to a panel of 300 x 163
// centred on the stage.
TEST(DialogTest, TemplatesOfBothFormsBecomeTheirMembers)
{
  for (int id : {500, 501}) {
    SCOPED_TRACE(id);
    DialogStage s;
    ASSERT_EQ(OMTrinketDialog::createFromTemplate(id, 1, &s.stage.window()), 1);
    OMTrinketDialog* dialog = OMTrinketDialog::currentDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->rect(), OMRect(170, 158, 470, 321));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(isSoundOutputPaused());
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 1, 0, 0, 0, 0, "MS Sans Serif");
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(OMTrinketDialog::templateFontHeight(), metrics.tmHeight);

    std::vector<OMTrinket*> members;
    dialog->members().forEach([&](OMTrinket* m) { members.push_back(m); });
    ASSERT_EQ(members.size(), 3u);
    auto* yes = dynamic_cast<OMDialogButton*>(members[0]);
    auto* label = dynamic_cast<OMDialogLabel*>(members[1]);
    auto* picture = dynamic_cast<RTBitmap*>(members[2]);
    ASSERT_TRUE(yes && label && picture);
    EXPECT_EQ(yes->rect(), OMRect(185, 272, 260, 295));
    EXPECT_EQ(yes->subclassWord(), 7);
    EXPECT_EQ(label->rect(), OMRect(185, 174, 335, 207));
    EXPECT_EQ(label->lines(), std::vector<std::string>{"Hello there"});
    // Cut at the panel's inset edge, then to the picture's 40 x 30.
    EXPECT_EQ(picture->rect(), OMRect(455, 174, 468, 204));
    EXPECT_EQ(picture->resourceId(), 4000);

    s.stage.click(200, 280);
    EXPECT_EQ(OMTrinketDialog::currentDialog(), nullptr);
    EXPECT_FALSE(isSoundOutputPaused());
  }
  // A missing template makes nothing and freezes nothing.
  DialogStage s;
  EXPECT_EQ(OMTrinketDialog::createFromTemplate(599, 1, &s.stage.window()), 0);
  EXPECT_EQ(OMTrinketDialog::currentDialog(), nullptr);
  EXPECT_FALSE(isSoundOutputPaused());
  EXPECT_EQ(s.stage.window().defaultTrinketFlags(), 0u);
}

// Compares a part of the stage's screen with a checked-in picture (at 8 bits the palette
// index as grey); a mismatch writes what was drawn as PNG into a kept temporary folder.
void expectGolden(omtest::TestStage& stage, const OMRect& area, int depth, const std::string& name)
{
  std::vector<std::uint8_t> actual;
  for (int y = area.top(); y < area.bottom(); ++y)
    for (int x = area.left(); x < area.right(); ++x) {
      const std::uint32_t v = stage.pixel(x, y);
      if (depth == 8) {
        actual.insert(actual.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
      } else {
        actual.insert(actual.end(),
                      {std::uint8_t(((v >> 10) & 31) << 3), std::uint8_t(((v >> 5) & 31) << 3),
                       std::uint8_t((v & 31) << 3)});
      }
    }
  int width = 0, height = 0;
  std::vector<std::uint8_t> expected;
  const bool read = omtest::readPng(std::string(OM_TEST_GOLDEN_DIR) + "/" + name + ".png", width,
                                    height, expected);
  if (read && width == area.width() && height == area.height() && expected == actual) return;
  std::string folder = (std::filesystem::temp_directory_path() / "omdialog-XXXXXX").string();
  if (!::mkdtemp(folder.data())) folder = std::filesystem::temp_directory_path().string();
  const std::string path = folder + "/" + name + ".png";
  omtest::writePng(path, area.width(), area.height(), actual);
  ADD_FAILURE() << name << " differs from its picture; what was drawn is in " << path;
}

TEST(DialogTest, ThePanelAndItsMembersLookAsTheyShould)
{
  for (int depth : {16, 8}) {
    SCOPED_TRACE(depth);
    DialogStage s(depth);
    s.run(
        "d=OMTrinketDialog 100 100 400 300\r"
        "play d addButton 110 250 190 280 \"&Yes\" 7\r"
        "play d addButton 200 250 280 280 \"No\" 8\r"
        "play d addRPButton 300 250 20 DEFAULT\r"
        "play d addText 110 110 250 170 \"A question that goes on and on over more lines than "
        "its box can show\"\r"
        "play d addBitmap 380 280 400\r"
        "play d show\r"
        "wait\r");
    OMTrinketDialog* dialog = OMTrinketDialog::currentDialog();
    ASSERT_NE(dialog, nullptr);
    std::vector<OMTrinket*> members;
    dialog->members().forEach([&](OMTrinket* m) { members.push_back(m); });
    ASSERT_EQ(members.size(), 5u);
    EXPECT_GT(dynamic_cast<OMDialogLabel*>(members[3])->lines().size(), 3u);
    EXPECT_EQ(members[4]->rect(), OMRect(380, 280, 400, 300));
    // "No" held down.
    s.stage.press(240, 265);
    expectGolden(s.stage, OMRect(95, 95, 405, 305), depth, "dialog-" + std::to_string(depth));
    s.stage.release(240, 265);
  }
}

TEST(DialogTest, WithoutAFontArrowCaptionsDrawTriangles)
{
  // A 40 x 40 button at (300, 300): a point inside each triangle and one beside it.
  const struct {
    const char* caption;
    OMPoint inside, outside;
  } arrows[] = {{">", {315, 321}, {329, 312}},
                {"<", {327, 321}, {312, 312}},
                {"^", {321, 327}, {312, 313}},
                {"v", {321, 315}, {312, 329}}};
  DialogStage s;
  for (const auto& arrow : arrows) {
    SCOPED_TRACE(arrow.caption);
    OMDialogButton button(OMRect(300, 300, 340, 340), arrow.caption, 1, nullptr, &s.stage.window());
    s.stage.passes(1);
    EXPECT_EQ(s.stage.pixel(arrow.inside.x, arrow.inside.y), 0u);
    EXPECT_NE(s.stage.pixel(arrow.outside.x, arrow.outside.y), 0u);
  }
}

// Ten pixels a character, whatever the character.
class FixedFont : public OMFont {
 public:
  FixedFont() : OMFont("fixed") {}
  int ascent() const override { return 8; }
  int descent() const override { return 2; }
  int leading() const override { return 0; }
  int textWidth(const char* text) const override { return 10 * int(std::strlen(text)); }
  OMRect textBounds(const char* text) const override { return OMRect(0, -8, textWidth(text), 2); }
  const OMClassDescriptor& descriptor() const override { return fixedDescriptor; }

 private:
  static constexpr OMClassDescriptor fixedDescriptor{"FixedFont"};
};

TEST(DialogLabelTest, TextsBreakIntoLinesThatFitTheWidth)
{
  using Lines = std::vector<std::string>;
  const struct {
    std::string text;
    int width;
    Lines lines;
  } cases[] = {
      {"one two three", 70, {"one two", "three"}},
      {"one two three", 200, {"one two three"}},
      // A word wider than the box is split where it stops fitting; the character there is
      // lost. The last line is cut from its end.
      {"abcdefghij more", 30, {"abc", "efg", "ij", "mor"}},
      {"ab\r\ncd", 100, {"ab", "", "cd"}},
      {"a&b c", 30, {"a&b", "c"}},
      {"ab cd", 0, {"a", "", "c"}},
      {"", 50, {}},
  };
  const FixedFont font;
  for (const auto& c : cases)
    EXPECT_EQ(OMDialogLabel::wrap(c.text, font, c.width), c.lines) << c.text << " in " << c.width;
  for (const auto& [given, kept] :
       {std::pair{"\"quoted\"", "quoted"}, {"\"", "\""}, {"\"open", "\"open"}, {"\"\"", ""}})
    EXPECT_EQ(OMDialogLabel::unquoted(given), kept);

  std::mt19937 random(113);
  const std::string alphabet = "ab &\r\n\"xyz";
  for (int round = 0; round < 10000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& ch : text)
      ch = alphabet[random() % alphabet.size()];
    const int width = int(random() % 70) - 5;
    std::size_t total = 0;
    for (const std::string& line : OMDialogLabel::wrap(text, font, width))
      total += line.size();
    ASSERT_LE(total, text.size()) << text << " in " << width;
  }
}

}  // namespace
