// The sign-in list over its user store: typing, look-up and order, the slider, removal, the
// messages, and the store's bytes as the main program will read them.
#include <gtest/gtest.h>

#include <omcrt.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "assessment/src/RDatFile.h"
#include "assessment/src/RWSlider.h"
#include "assessment/src/UserStore.h"
#include "assessment/src/signin.h"
#include "framework/OMLinkToFct.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TestStage.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

std::vector<std::string> events;

OMWord recordEvent(OMWord name)
{
  events.emplace_back(reinterpret_cast<const char*>(name));
  return 0;
}

// One slot of the user store as a save writes it.
std::string slot(const std::string& name, const std::string& value, std::int32_t time)
{
  std::string bytes(68, '\0');
  bytes.replace(0, name.size(), name);
  bytes.replace(32, value.size(), value);
  for (int i = 0; i < 4; ++i)
    bytes[64 + i] = static_cast<char>(time >> 8 * i);
  return bytes;
}

class SignInTest : public ::testing::Test {
 protected:
  SignInTest() { events.clear(); }

  std::unique_ptr<signin> open()
  {
    std::unique_ptr<OMScriptableObject> object = createTrinketFromCommand("signin", "100 50 200");
    if (!object) return nullptr;
    for (const char* name : {"hit", "noName", "cSignin", "cCancel", "killedUser"}) {
      const OMLinkToFct record(&recordEvent, reinterpret_cast<OMWord>(name));
      object->connect(name, &record, nullptr);
    }
    return std::unique_ptr<signin>(static_cast<signin*>(object.release()));
  }
  // Each typed character waits for the script's "clear", as the sign-in script gives it.
  void type(signin& list, const std::string& text)
  {
    for (char c : text) {
      list.callMethod("clear", scriptArgTerminator);
      stage.host().typeText(std::string(1, c));
      stage.settle();
    }
    list.callMethod("clear", scriptArgTerminator);
  }
  // Through the platform, which matches names as Windows does.
  static std::string readFile(const char* path)
  {
    std::string bytes;
    if (std::FILE* file = om_fopen(path, "rb")) {
      for (int c; (c = std::fgetc(file)) != EOF;)
        bytes += static_cast<char>(c);
      std::fclose(file);
    }
    return bytes;
  }
  void key(int virtualKey)
  {
    stage.host().typeKey(virtualKey);
    stage.settle();
  }
  void writeUsers(const std::vector<std::string>& names)
  {
    std::filesystem::create_directories(stage.folder() / "users");
    RDatFile store(1000, "users\\users.dat");
    for (std::size_t i = 0; i < names.size(); ++i)
      store.set(("user" + std::to_string(i + 1)).c_str(), names[i].c_str());
    store.set("totalUsers", std::to_string(names.size()).c_str());
    store.set("newUserID", std::to_string(names.size() + 1).c_str());
  }
  std::vector<std::string> boxes()
  {
    std::vector<std::string> texts;
    for (const auto& box : stage.host().messageBoxes())
      texts.push_back(box.text);
    return texts;
  }
  static std::vector<std::string> entries(const signin& list)
  {
    std::vector<std::string> names;
    for (int i = 1; i <= list.entryCount(); ++i)
      names.push_back(list.entry(i));
    return names;
  }

  ScopedEnv zone{"TZ", "UTC"};
  ScopedEdition edition{OMEdition::assessment};
  omtest::TestStage stage;
};

TEST_F(SignInTest, ANewNameIsStoredAndKnownOnTheNextRun)
{
  {
    std::unique_ptr<signin> list = open();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->row(1), OMRect(100, 70, 300, 91));
    EXPECT_EQ(list->row(6), OMRect(100, 174, 300, 195));
    stage.passes(2);
    constexpr std::uint32_t grey = 15 << 10 | 15 << 5 | 15;  // 0x7F00 channels in 5-5-5
    EXPECT_EQ(stage.pixel(290, 60), grey);                   // the selected row
    EXPECT_NE(stage.pixel(290, 80), grey);
    stage.host().typeText("x");  // nothing is typed before the script's first "clear"
    stage.settle();
    EXPECT_EQ(list->typed(), "");
    type(*list, "ann");
    EXPECT_EQ(list->typed(), "Ann");
    EXPECT_EQ(events, (std::vector<std::string>{"cSignin", "cSignin", "cSignin"}));
    key(VK_RETURN);
    EXPECT_EQ(events.back(), "hit");
    EXPECT_STREQ(list->getProperty("isNew"), "1");
    EXPECT_FALSE(list->isVisible());
    // The clock's start (10 s) past the manual epoch.
    const std::int32_t time = 1000000010;
    EXPECT_EQ(readFile("users\\users.dat"),
              std::string("\4\0\0\0", 4) + slot("user1", "Ann", time) +
                  slot("currentUser", "user1", time) + slot("newUserID", "2", time) +
                  slot("totalUsers", "1", time));
  }
  events.clear();
  std::unique_ptr<signin> list = open();
  EXPECT_EQ(entries(*list), (std::vector<std::string>{"Ann"}));
  type(*list, "a");
  key(VK_RETURN);
  EXPECT_EQ(events.back(), "hit");
  EXPECT_STREQ(list->getProperty("isNew"), "0");
}

TEST_F(SignInTest, LookUpOrderSliderBackspaceAndRemoval)
{
  writeUsers({"amy", "Bob", "Carl", "Dora", "Eve", "Finn", "Gus"});
  {
    std::unique_ptr<signin> list = open();
    EXPECT_EQ(entries(*list),
              (std::vector<std::string>{"Bob", "Carl", "Dora", "Eve", "Finn", "Gus", "amy"}));
    EXPECT_EQ(list->slider(), nullptr);
    type(*list, "b");
    EXPECT_EQ(list->selected(), 1);
    key(VK_BACK);
    EXPECT_EQ(events.back(), "noName");
    // A name that matches nothing becomes a new entry in its place; Backspace takes it out.
    type(*list, "zo");
    EXPECT_EQ(list->entry(7), "Zo");  // capitals before small letters
    EXPECT_EQ(list->slider()->maximum(), 1);
    key(VK_BACK);
    key(VK_BACK);
    EXPECT_EQ(list->entryCount(), 7);
    EXPECT_EQ(list->slider(), nullptr);
  }
  writeUsers({"amy", "Bob", "Carl", "Dora", "Eve", "Finn", "Gus", "Hal"});
  std::unique_ptr<signin> list = open();
  ASSERT_NE(list->slider(), nullptr);
  EXPECT_EQ(list->slider()->maximum(), 1);
  list->callMethod("clear", scriptArgTerminator);
  for (int i = 0; i < 7; ++i)
    key(VK_DOWN);
  EXPECT_EQ(list->selected(), 8);
  EXPECT_EQ(list->top(), 1);
  EXPECT_EQ(list->slider()->value(), 1);
  list->slider()->setValue(0);  // dragging it back moves the selection with the rows
  EXPECT_EQ(list->top(), 0);
  EXPECT_EQ(list->selected(), 7);

  // Ctrl+R on "Hal" (user8), answered Yes.
  EXPECT_EQ(list->entry(7), "Hal");
  stage.folder().write("users/user8.dat", "x");
  stage.host().queueMessageBoxAnswer(IDYES);
  stage.host().pressKey(VK_CONTROL);
  key('R');
  stage.host().releaseKey(VK_CONTROL);
  EXPECT_EQ(boxes().back(), "Do you want to remove the highlighted entry?");
  EXPECT_EQ(events.back(), "killedUser");
  EXPECT_EQ(list->entryCount(), 7);
  EXPECT_EQ(list->slider(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(stage.folder() / "users/user8.dat"));
  EXPECT_STREQ(list->store().get("user8"), "empty");
  EXPECT_EQ(list->entry(7), "amy");
  EXPECT_STREQ(list->store().get("totalUsers"), "7");
}

TEST_F(SignInTest, FullListsEmptyAndDuplicateNamesAreRefused)
{
  std::vector<std::string> names;
  for (int i = 0; i < 99; ++i)
    names.push_back("N" + std::to_string(100 + i));
  names.back() = "Ann";
  writeUsers(names);
  std::unique_ptr<signin> list = open();
  EXPECT_EQ(list->entryCount(), 99);
  list->callMethod("newplayer", scriptArgTerminator);
  EXPECT_EQ(boxes().back(), "The maximum number of users is reached.\rNew user cannot be added.");
  type(*list, "q");
  EXPECT_EQ(list->typed(), "");
  EXPECT_EQ(list->entryCount(), 99);

  list->store().remove("user1");
  list->store().set("totalUsers", "98");
  list->callMethod("cancel", scriptArgTerminator);
  EXPECT_EQ(list->entryCount(), 98);
  list->callMethod("newplayer", scriptArgTerminator);
  EXPECT_EQ(list->entry(1), "");
  key(VK_RETURN);
  EXPECT_EQ(boxes().back(), "Type a user name to start the session.");
  EXPECT_STREQ(list->getProperty("isNew"), "2");
  type(*list, "ann");
  key(VK_RETURN);
  EXPECT_EQ(boxes().back(), "This user name is already on the list. Use a new name.");
  EXPECT_STREQ(list->getProperty("isNew"), "2");
  EXPECT_TRUE(list->isVisible());
  EXPECT_NE(events.back(), "hit");
  type(*list, "abcdefghijklm");
  EXPECT_EQ(list->typed(), "Annabcdefghi");
}

// A damaged store whose next number is past the last a key can hold: the new user takes a
// free number and the user at the last number stays.
TEST(UserStoreTest, ANewUserAtTheLastNumberWritesOverNoOne)
{
  RDatFile store(1000, "");
  store.set("user1", "Amy");
  store.set(("user" + std::to_string(UserStore::lastNumber)).c_str(), "Bob");
  store.set("totalUsers", "2");
  store.set("newUserID", "5555555555555");
  UserStore users(store);
  EXPECT_EQ(users.signInUser("Cy"), 0);
  EXPECT_STREQ(store.get("user2"), "Cy");
  EXPECT_STREQ(store.get("currentUser"), "user2");
  EXPECT_STREQ(store.get(("user" + std::to_string(UserStore::lastNumber)).c_str()), "Bob");
}

}  // namespace
