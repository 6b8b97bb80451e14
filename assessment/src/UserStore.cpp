#include "assessment/src/UserStore.h"

#include <io.h>
#include <omcrt.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "assessment/src/RDatFile.h"

namespace {

const char emptyName[] = "empty";
const char* const ownKeys[] = {"currentUser", "newUserID", "totalUsers"};

std::string userKey(int number)
{
  char key[32];
  std::snprintf(key, sizeof key, "user%d", number);
  return key;
}

// N of a key "user" + N (at most nine digits, no leading zero: the key the store writes), else 0.
int numberOfKey(const char* key)
{
  if (std::strncmp(key, "user", 4) != 0) return 0;
  const char* digits = key + 4;
  const std::size_t length = std::strlen(digits);
  if (length == 0 || length > 9 || digits[0] == '0') return 0;
  for (const char* c = digits; *c; ++c)
    if (!std::isdigit(static_cast<unsigned char>(*c))) return 0;
  return std::atoi(digits);
}

bool isOwnKey(const char* key)
{
  return std::any_of(std::begin(ownKeys), std::end(ownKeys),
                     [key](const char* own) { return std::strcmp(own, key) == 0; });
}

// A whole number as "%d" writes it, from low to high; none for anything else.
std::optional<long long> decimalIn(const char* text, long long low, long long high)
{
  const char* digits = text[0] == '-' ? text + 1 : text;
  const std::size_t length = std::strlen(digits);
  if (length == 0 || length > 10 || std::strspn(digits, "0123456789") != length)
    return std::nullopt;
  const long long value = std::strtoll(text, nullptr, 10);
  if (value < low || value > high) return std::nullopt;
  return value;
}

// A value that can be a user's name: not a removed user's mark, a number or a key.
bool looksLikeName(const char* value)
{
  return value[0] != '\0' && std::strcmp(value, emptyName) != 0 &&
         !decimalIn(value, INT32_MIN, INT32_MAX) && numberOfKey(value) == 0;
}

// Whether two texts differ by at most one character changed, added or left out.
bool oneEditApart(std::string_view a, std::string_view b)
{
  if (a.size() < b.size()) std::swap(a, b);
  if (a.size() - b.size() > 1) return false;
  std::size_t same = 0;
  while (same < b.size() && a[same] == b[same])
    ++same;
  if (same == b.size()) return true;
  return a.substr(same + 1) == b.substr(a.size() == b.size() ? same + 1 : same);
}

// The numbers of the user keys one character changed, added or left out away from a key.
std::vector<int> numbersOneEditFrom(const std::string& key)
{
  static const std::string keyCharacters = "user0123456789";
  std::vector<int> numbers;
  const auto consider = [&numbers](const std::string& text) {
    if (const int number = numberOfKey(text.c_str())) numbers.push_back(number);
  };
  for (std::size_t at = 0; at <= key.size(); ++at) {
    if (at < key.size()) consider(key.substr(0, at) + key.substr(at + 1));
    for (const char c : keyCharacters) {
      consider(key.substr(0, at) + c + key.substr(at));
      if (at < key.size()) consider(key.substr(0, at) + c + key.substr(at + 1));
    }
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

bool userFileExists(int number)
{
  char file[48];
  std::snprintf(file, sizeof file, "users\\user%d.dat", number);
  struct _stat status;
  return _stat(file, &status) == 0;
}

}  // namespace

UserStore::UserStore(RDatFile& store) : store_(store)
{
  if (mend()) store_.keepDamagedFile();
}

bool UserStore::mend()
{
  bool damaged = false;
  std::map<int, int> slotOfUser;  // number -> its first slot
  std::set<int> moving;           // slots of users to number anew
  std::set<std::string> own;
  std::vector<int> strays;
  for (int i = 0; i < store_.slotCount(); ++i) {
    const RData& slot = store_.slot(i);
    if (slot.isFree()) continue;
    if (const int number = numberOfKey(slot.name())) {
      if (std::strcmp(slot.value(), emptyName) == 0) continue;
      const auto [first, added] = slotOfUser.emplace(number, i);
      if (added) continue;
      damaged = true;
      // The same user twice is one user. Two under one number cannot be told apart: both get
      // numbers of their own.
      if (std::strcmp(store_.slot(first->second).value(), slot.value()) == 0) {
        store_.removeSlot(i);
      } else {
        moving.insert(first->second);
        moving.insert(i);
      }
    } else if (isOwnKey(slot.name())) {
      if (own.insert(slot.name()).second) continue;
      damaged = true;
      store_.removeSlot(i);  // the first of the key answers for it
    } else {
      damaged = true;
      strays.push_back(i);
    }
  }
  for (const int slot : strays)
    placeStray(slot, own, moving);
  for (const int slot : moving)
    store_.renameSlot(slot, userKey(freeNumber()).c_str());
  damaged = mendNextNumber() || damaged;
  return mendCount() || damaged;
}

void UserStore::placeStray(int slot, std::set<std::string>& own, std::set<int>& moving)
{
  const std::string key = store_.slot(slot).name();
  for (const char* ownKey : ownKeys) {
    if (!own.count(ownKey) && oneEditApart(key, ownKey)) {
      store_.renameSlot(slot, ownKey);
      own.insert(ownKey);
      return;
    }
  }
  if (!looksLikeName(store_.slot(slot).value())) {
    store_.removeSlot(slot);
    return;
  }
  // A user's key that damage changed: back to its number when only one free number fits.
  const int next = nextNumber();
  std::vector<int> fitting;
  for (const int number : numbersOneEditFrom(key)) {
    if (number < next && std::strcmp(store_.get(userKey(number).c_str()), emptyName) == 0)
      fitting.push_back(number);
  }
  if (fitting.size() == 1)
    store_.renameSlot(slot, userKey(fitting.front()).c_str());
  else
    moving.insert(slot);
}

bool UserStore::mendNextNumber()
{
  const int highest = highestNumber();
  const char* stored = store_.get("newUserID");
  if (highest == 0 && std::strcmp(stored, emptyName) == 0) return false;
  // At the last number there is no number above it.
  const long long above = std::min<long long>(highest + 1LL, lastNumber);
  if (decimalIn(stored, above, lastNumber)) return false;
  setNumber("newUserID", static_cast<int>(above));
  return true;
}

bool UserStore::mendCount()
{
  int users = 0;
  for (int i = 0; i < store_.slotCount(); ++i) {
    const RData& slot = store_.slot(i);
    if (!slot.isFree() && numberOfKey(slot.name()) && std::strcmp(slot.value(), emptyName) != 0)
      ++users;
  }
  count_ = std::min(users, maxUsers);
  const char* stored = store_.get("totalUsers");
  if (users == 0 && std::strcmp(stored, emptyName) == 0) return false;
  if (decimalIn(stored, users, users)) return false;
  setNumber("totalUsers", users);
  return true;
}

bool UserStore::isTaken(int number) const
{
  return std::strcmp(store_.get(userKey(number).c_str()), emptyName) != 0 ||
         userFileExists(number);
}

int UserStore::freeNumber()
{
  // A number whose user file is there belongs to someone the store may have lost.
  int number = nextNumber();
  while (number < lastNumber && isTaken(number))
    ++number;
  if (!isTaken(number)) return number;
  // Only a damaged store reaches the last number with it taken: the lowest free number serves,
  // so that no user is written over.
  number = 1;
  while (number < lastNumber && isTaken(number))
    ++number;
  return number;
}

int UserStore::highestNumber() const
{
  int highest = 0;
  for (int i = 0; i < store_.slotCount(); ++i)
    if (!store_.slot(i).isFree()) highest = std::max(highest, numberOfKey(store_.slot(i).name()));
  return highest;
}

int UserStore::nextNumber() const
{
  const long long stored = std::atoll(store_.get("newUserID"));
  // A number at or below a user's would write over that user.
  const long long next = std::max<long long>(stored, highestNumber() + 1LL);
  return static_cast<int>(std::min<long long>(next, lastNumber));
}

const char* UserStore::firstUser()
{
  cursor_ = 1;
  return nextUser();
}

const char* UserStore::nextUser()
{
  // The store's own keys are walked, not every number up to the next: a damaged store may
  // put that near a billion.
  const int end = nextNumber();
  while (cursor_ < end) {
    int lowest = end;
    for (int i = 0; i < store_.slotCount(); ++i) {
      const RData& slot = store_.slot(i);
      if (slot.isFree()) continue;
      const int number = numberOfKey(slot.name());
      if (number >= cursor_ && number < lowest && std::strcmp(slot.value(), emptyName) != 0)
        lowest = number;
    }
    cursor_ = lowest + 1;
    if (lowest == end) break;
    // The store answers for a key by its first slot of that name.
    const char* name = store_.get(userKey(lowest).c_str());
    if (std::strcmp(name, emptyName) != 0) return name;
  }
  cursor_ = end;
  return nullptr;
}

std::vector<std::string> UserStore::names()
{
  std::vector<std::string> users;
  for (int i = 0; i < count_; ++i) {
    const char* name = i == 0 ? firstUser() : nextUser();
    if (!name) break;
    users.emplace_back(name);
  }
  return users;
}

int UserStore::find(const char* name)
{
  cursor_ = 1;
  for (int i = 0; i < count_; ++i) {
    const char* user = nextUser();
    if (!user) return 0;
    if (std::strcmp(user, name) == 0) return cursor_ - 1;
  }
  return 0;
}

void UserStore::setNumber(const char* key, int value)
{
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  store_.set(key, text);
}

int UserStore::signInUser(const char* name)
{
  if (const int number = find(name)) {
    store_.set("currentUser", userKey(number).c_str());
    return 1;
  }
  const int number = freeNumber();
  const std::string key = userKey(number);
  store_.set(key.c_str(), name);
  store_.set("currentUser", key.c_str());
  // A lower free number taken in a damaged store leaves the next one as it was.
  setNumber("newUserID", std::max(std::min(number + 1, lastNumber), nextNumber()));
  count_ = std::min(count_ + 1, maxUsers);
  setNumber("totalUsers", count_);
  return 0;
}

int UserStore::removeUser(const char* name)
{
  const int number = find(name);
  if (!number) return 0;
  store_.remove(userKey(number).c_str());
  count_ = std::max(count_ - 1, 0);
  setNumber("totalUsers", count_);
  char file[48];
  std::snprintf(file, sizeof file, "users\\user%d.dat", number);
  om_remove(file);
  return 1;
}
