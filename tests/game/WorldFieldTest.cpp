#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/WorldIntField.h"
#include "game/WorldStringField.h"
#include "tests/game/PlayerFieldNames.h"
#include "tests/game/WorldTestSupport.h"

namespace {

using worldtest::get;
using worldtest::set;

std::string textOf(WorldField& field)
{
  char buffer[WorldField::textSize] = "untouched";
  field.toText(buffer);
  return buffer;
}

TEST(WorldFieldText, IntFieldsTakeTheNumberThatBeginsTheText)
{
  const struct {
    const char* given;
    const char* expected;
  } cases[] = {
      {"12abc", "12"},
      {"abc", "0"},
      {"", "0"},
      {"  -7", "-7"},
      {"+8", "8"},
      {"99999999999", "2147483647"},
      {"-2147483648", "-2147483648"},
  };
  for (const auto& each : cases) {
    WorldIntField field("n", 1, 2);
    field.fromText(each.given);
    EXPECT_EQ(textOf(field), each.expected) << each.given;
  }
  WorldIntField fresh("n", 1, 2);
  EXPECT_EQ(textOf(fresh), "0");
}

TEST(WorldFieldText, LongTextsAreCutToTheBuffer)
{
  WorldStringField field("s", 1, 2);
  field.fromText(std::string(3000, 'x').c_str());
  char buffer[WorldField::textSize + 8];
  std::fill(std::begin(buffer), std::end(buffer), '#');
  field.toText(buffer);
  EXPECT_EQ(std::string(buffer), std::string(WorldField::maxTextLength, 'x'));
  EXPECT_EQ(buffer[WorldField::textSize], '#');
}

// Mode 2 gives both links, 1 only the getter, 0 only the setter; clones keep the mode and
// their own value.
TEST(WorldFieldModes, LinksFollowTheModeAndClonesAreIndependent)
{
  for (int mode = 0; mode <= 2; ++mode) {
    WorldIntField number("n", 0, mode);
    WorldStringField text("t", 1, mode);
    for (WorldField* field : {static_cast<WorldField*>(&number), static_cast<WorldField*>(&text)}) {
      EXPECT_EQ(field->getter() != nullptr, mode >= 1) << mode;
      EXPECT_EQ(field->setter() != nullptr, mode != 1) << mode;
      field->fromText("7");
      std::unique_ptr<WorldField> copy = field->clone();
      EXPECT_STREQ(copy->name(), field->name());
      EXPECT_EQ(copy->saved(), field->saved());
      EXPECT_EQ(copy->getter() != nullptr, mode >= 1);
      EXPECT_EQ(copy->setter() != nullptr, mode != 1);
      EXPECT_EQ(textOf(*copy), "7");
      copy->fromText("9");
      EXPECT_EQ(textOf(*field), "7");
      // The clone's links reach the clone.
      if (copy->setter()) copy->setter()->call(reinterpret_cast<OMWord>("11"));
      EXPECT_EQ(textOf(*copy), mode == 1 ? "9" : "11");
      EXPECT_EQ(textOf(*field), "7");
    }
  }
}

class WorldFieldPropertyTest : public worldtest::WorldTest {};

// A field bound as a property: mode 1 can be read and not set, mode 0 set and not read.
TEST_F(WorldFieldPropertyTest, ModesDecideWhatAScriptMayDo)
{
  RWorldPort* world = port();
  WorldIntField readOnly("ro", 1, 1);
  WorldIntField writeOnly("wo", 1, 0);
  readOnly.fromText("4");
  world->addProperty("ro", readOnly.setter(), readOnly.getter());
  world->addProperty("wo", writeOnly.setter(), writeOnly.getter());
  EXPECT_EQ(set(world, "ro", "5"), 0);
  EXPECT_EQ(get(world, "ro"), "4");
  EXPECT_EQ(set(world, "wo", "6"), 1);
  EXPECT_EQ(writeOnly.value(), 6);
  std::snprintf(OMScriptableObject::resultBuffer(), 8, "before");
  EXPECT_EQ(get(world, "wo"), "before");
  world->removeMember("ro");
  world->removeMember("wo");
}

TEST(WorldPlayerSchema, ListsHoldTheFieldsInOrderAndTemplatesFollow)
{
  OMList<WorldField> templates;
  templates.add(new WorldIntField("extraNumber", 0, 2));
  templates.add(new WorldStringField("extraText", 1, 2));
  for (int withTemplates = 0; withTemplates <= 1; ++withTemplates) {
    WorldPlayer player;
    player.buildSchema();
    if (withTemplates) player.appendTemplates(templates);
    std::vector<std::string> names;
    std::vector<int> saved;
    player.fieldsA().forEach([&](WorldField* field) {
      names.emplace_back(field->name());
      saved.push_back(field->saved());
    });
    std::vector<std::string> expected(playerFieldNames.begin(), playerFieldNames.end());
    std::vector<int> expectedSaved(playerFieldNames.size(), 1);
    if (withTemplates) {
      expected.insert(expected.end(), {"extraNumber", "extraText"});
      expectedSaved.insert(expectedSaved.end(), {0, 1});
    }
    EXPECT_EQ(saved, expectedSaved);
    EXPECT_EQ(names, expected);
    std::vector<std::string> bound;
    player.fieldsB().forEach([&](WorldField* field) { bound.emplace_back(field->name()); });
    EXPECT_EQ(bound,
              (std::vector<std::string>{"isAutoLevelingEnabled", "currentDataset", "currentLevel",
                                        "levelColor", "visitedCount", "wsCurrentLevelEntryCount",
                                        "wsTotalCorrectGuessCount", "wsTotalGuessCount"}));
  }
  // Only "currentLocation" (the eleventh) and the text template hold texts.
  WorldPlayer player;
  player.buildSchema();
  player.appendTemplates(templates);
  int position = 0;
  player.fieldsA().forEach([&](WorldField* field) {
    ++position;
    field->fromText("5x");
    const std::string expected = position == 1 || position == 11 || position == 176 ? "5x" : "5";
    EXPECT_EQ(textOf(*field), expected) << field->name();
  });
  EXPECT_EQ(player.name(), "5x");
  templates.deleteAll(1);
}

}  // namespace
