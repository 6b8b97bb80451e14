#include "assessment/src/UserStore.h"

#include <omcrt.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assessment/src/RDatFile.h"

namespace {

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

}  // namespace

UserStore::UserStore(RDatFile& store) : store_(store)
{
  count_ = std::clamp(std::atoi(store_.get("totalUsers")), 0, maxUsers);
}

int UserStore::freeNumber()
{
  const int next = nextNumber();
  if (std::strcmp(store_.get(userKey(next).c_str()), "empty") == 0) return next;
  // Only a damaged store reaches the highest number with it taken: the lowest free number
  // serves, so that no user is written over.
  int number = 1;
  while (number < next && std::strcmp(store_.get(userKey(number).c_str()), "empty") != 0)
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
      if (number >= cursor_ && number < lowest && std::strcmp(slot.value(), "empty") != 0)
        lowest = number;
    }
    cursor_ = lowest + 1;
    if (lowest == end) break;
    // The store answers for a key by its first slot of that name.
    const char* name = store_.get(userKey(lowest).c_str());
    if (std::strcmp(name, "empty") != 0) return name;
  }
  cursor_ = end;
  return nullptr;
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
  setNumber("newUserID", number + 1);
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
