// The sign-in list over its user store: typing, look-up and order, the slider, removal, the
// messages, and the store's bytes as the main program will read them.
#include <gtest/gtest.h>

#include <omcrt.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "assessment/src/FileReport.h"
#include "assessment/src/RDatFile.h"
#include "assessment/src/RWSlider.h"
#include "assessment/src/UserStore.h"
#include "assessment/src/signin.h"
#include "framework/OMLinkToFct.h"
#include "tests/assessment/DamagedFiles.h"
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
    const std::string stored = readFile("users\\users.dat");
    EXPECT_EQ(stored, std::string("\4\0\0\0", 4) + slot("user1", "Ann", time) +
                          slot("currentUser", "user1", time) + slot("newUserID", "2", time) +
                          slot("totalUsers", "1", time));
    // The same name again as a new player: refused, the result and the store as they were.
    list->callMethod("enable", scriptArgTerminator);
    list->callMethod("newplayer", scriptArgTerminator);
    type(*list, "ann");
    key(VK_RETURN);
    EXPECT_EQ(boxes().back(), "This user name is already on the list. Use a new name.");
    EXPECT_STREQ(list->getProperty("isNew"), "1");
    EXPECT_EQ(events.back(), "cSignin");
    list->store().save();
    EXPECT_EQ(readFile("users\\users.dat"), stored);
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

// A user count that does not match the users the list holds: every user is listed, the file
// is kept as it was beside the list and standard error names it, and a new user becomes the
// fifth with the count the records give.
TEST_F(SignInTest, AWrongOrMissingCountListsEveryUserTheFileHolds)
{
  const std::vector<std::string> damagedCounts = {"0", "-5", "x", "2147483648", ""};
  for (const std::string& count : damagedCounts) {
    SCOPED_TRACE("totalUsers \"" + count + "\"");
    std::filesystem::remove(stage.folder() / "users/USERS.DAT");
    writeUsers({"Ann", "Ben", "Cid", "Dot"});
    {
      RDatFile store(1000, "users\\users.dat");
      if (count.empty())
        store.remove("totalUsers");
      else
        store.set("totalUsers", count.c_str());
    }
    const std::string damaged = readFile("users\\users.dat");
    std::filesystem::remove(stage.folder() / "users/USERS.BAD");
    filereport::forgetReports();
    testing::internal::CaptureStderr();
    std::unique_ptr<signin> list = open();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(entries(*list), (std::vector<std::string>{"Ann", "Ben", "Cid", "Dot"}));
    EXPECT_EQ(readFile("users\\users.bad"), damaged);
    EXPECT_NE(said.find("USERS.DAT"), std::string::npos) << said;
    list->callMethod("newplayer", scriptArgTerminator);
    type(*list, "eve");
    key(VK_RETURN);
    EXPECT_STREQ(list->getProperty("isNew"), "1");
    EXPECT_STREQ(list->store().get("user5"), "Eve");
    EXPECT_STREQ(list->store().get("totalUsers"), "5");
    for (const char* user : {"user1", "user2", "user3", "user4"})
      EXPECT_STRNE(list->store().get(user), "empty") << user;
  }
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

// The user list as five sign-ins leave it, slot by slot, made without the class.
struct KnownUser {
  int number;
  const char* name;
};
constexpr KnownUser fiveUsers[] = {{1, "Ann"}, {2, "Ben"}, {3, "Cid"}, {4, "Dot"}, {5, "Eve"}};
constexpr std::int32_t savedAt = 1000000010;

std::string userSlot(const KnownUser& user)
{
  return slot("user" + std::to_string(user.number), user.name, savedAt);
}

std::vector<std::string> fiveUserParts()
{
  std::vector<std::string> parts = {std::string("\x08\0\0\0", 4), userSlot(fiveUsers[0]),
                                    slot("currentUser", "user5", savedAt),
                                    slot("newUserID", "6", savedAt),
                                    slot("totalUsers", "5", savedAt)};
  for (std::size_t i = 1; i < std::size(fiveUsers); ++i)
    parts.push_back(userSlot(fiveUsers[i]));
  return parts;
}

// The damaged lists: a changed letter of a name, or one in place of its end, reads as another
// name, and nothing can tell it from one typed so.
std::vector<DamagedCopy> damagedUserLists()
{
  const std::vector<std::string> parts = fiveUserParts();
  std::string whole;
  for (const std::string& part : parts)
    whole += part;
  std::vector<bool> inName(whole.size(), false);
  for (const KnownUser& user : fiveUsers) {
    const std::size_t value = whole.find(userSlot(user)) + 32;
    for (std::size_t i = 0; i <= std::strlen(user.name); ++i)
      inName[value + i] = true;
  }
  return damagedCopies(parts, inName);
}

// What the sign-in makes of a list: the names it lists, the key each of them signs in with,
// the key a new user gets, and whether the damage was told (the file kept beside it as it
// was, and named on standard error).
struct ListReading {
  bool told = false;
  std::vector<std::string> listed;
  std::map<std::string, std::string> keys;
  std::string newcomerKey;
  bool keptAfterNewcomer = true;
};

// Whether the bytes hold two slots of one key with different values: users that no reading
// can tell apart.
bool keyHeldTwice(const std::string& bytes, const std::string& key)
{
  const std::string field = key + std::string(32 - key.size(), '\0');
  std::vector<std::string> values;
  for (std::size_t at = bytes.find(field); at != std::string::npos; at = bytes.find(field, at + 1))
    values.push_back(bytes.substr(at + 32, 32));
  return std::find_if(values.begin(), values.end(),
                      [&](const std::string& value) { return value != values.front(); }) !=
         values.end();
}

ListReading readDamagedList(const TempFolder& work, const std::string& bytes)
{
  // Each user has a file of its own, as the main program keeps them.
  for (const KnownUser& user : fiveUsers) {
    const std::string file = "users/user" + std::to_string(user.number) + ".dat";
    if (!std::filesystem::exists(work / file)) work.write(file, "data of " + std::string(user.name));
  }
  work.write("users/USERS.DAT", bytes);
  std::filesystem::remove(work / "users/USERS.BAD");
  filereport::forgetReports();
  ListReading reading;
  testing::internal::CaptureStderr();
  {
    // Room for the file's slots doubled, and the new user's.
    RDatFile store(24, "users\\users.dat");
    UserStore users(store);
    reading.listed = users.names();
    for (const std::string& name : reading.listed) {
      if (users.signInUser(name.c_str()) == 1) reading.keys[name] = store.get("currentUser");
    }
    if (users.signInUser("Zed") == 0) reading.newcomerKey = store.get("currentUser");
    std::vector<std::string> after = users.names();
    for (const std::string& name : reading.listed)
      reading.keptAfterNewcomer = reading.keptAfterNewcomer &&
                                  std::find(after.begin(), after.end(), name) != after.end();
  }
  const std::string said = testing::internal::GetCapturedStderr();
  reading.told = work.read("users/USERS.BAD") == bytes && said.find("USERS.DAT") != std::string::npos;
  return reading;
}

// The damage table over the user list. Whatever the damage, a user whose own slot is in the
// file is listed and signs in with its own key (or, where another slot holds that key too, with
// a key no one had); a user who is not is only missed where the damage is told; no one, a new
// user included, signs in with another known user's key.
TEST(UserStoreTest, NoDamageToTheListLosesAUserSilentlyOrMergesTwo)
{
  ScopedEnv inMemory("TMPDIR", std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
  TempFolder work;
  ScopedCurrentFolder inWork(work.path());
  ScopedEnv zone("TZ", "UTC");
  struct Tally {
    int lists = 0, intactLost = 0, silentlyLost = 0, merged = 0;
  };
  std::map<std::string, Tally> tallies;
  const auto keyOf = [](const KnownUser& user) { return "user" + std::to_string(user.number); };
  for (const DamagedCopy& list : damagedUserLists()) {
    const ListReading reading = readDamagedList(work, list.bytes);
    Tally& tally = tallies[list.kind];
    ++tally.lists;
    bool intactLost = false, silentlyLost = false, merged = !reading.keptAfterNewcomer;
    for (const KnownUser& user : fiveUsers) {
      const auto key = reading.keys.find(user.name);
      const bool known = key != reading.keys.end();
      const bool keyOfOther =
          known && std::any_of(std::begin(fiveUsers), std::end(fiveUsers),
                               [&](const KnownUser& other) { return key->second == keyOf(other); });
      const bool kept = known && (key->second == keyOf(user) ||
                                  (keyHeldTwice(list.bytes, keyOf(user)) && !keyOfOther));
      const bool intact = list.bytes.find(userSlot(user)) != std::string::npos;
      intactLost = intactLost || (intact && !kept);
      silentlyLost = silentlyLost || (!kept && !reading.told);
      for (const KnownUser& other : fiveUsers) {
        const bool takesOthers = other.number != user.number && key != reading.keys.end() &&
                                 key->second == keyOf(other);
        merged = merged || takesOthers || reading.newcomerKey == keyOf(other);
      }
    }
    tally.intactLost += intactLost;
    tally.silentlyLost += silentlyLost;
    tally.merged += merged;
  }
  for (const auto& [kind, tally] : tallies) {
    EXPECT_EQ(tally.intactLost + tally.silentlyLost + tally.merged, 0)
        << kind << ": " << tally.lists << " lists, " << tally.intactLost
        << " lose an intact user, " << tally.silentlyLost << " lose one untold, " << tally.merged
        << " merge two";
  }
}

}  // namespace
