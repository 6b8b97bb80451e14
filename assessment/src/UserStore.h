#pragma once

#include <set>
#include <string>
#include <vector>

class RDatFile;

// The users kept in a data file: "user%d" holds a name ("empty" once removed), "currentUser"
// the key of the last to sign in, "newUserID" the next number and "totalUsers" the count.
// Walks end at the next number, so that a damaged store never walks without end.
class UserStore {
 public:
  static constexpr int maxUsers = 99;
  // Keys hold at most nine digits.
  static constexpr int lastNumber = 999999999;

  // The store is checked against the users its records hold, and mended where it does not
  // match them (the file is then kept as damaged): a count or next number that is no number
  // or not the records', a user twice, two users under one number (both get numbers of their
  // own, so that neither takes the other's data), a key that damage changed.
  explicit UserStore(RDatFile& store);

  int count() const { return count_; }
  // The first and the next user's name; null past the last number.
  const char* firstUser();
  const char* nextUser();
  // The names of the count's users, walked from the first.
  std::vector<std::string> names();
  // 1 when the name was there (it becomes the current user), 0 when it was added.
  int signInUser(const char* name);
  // 1 when the name was found and removed with its "users\user%d.dat", else 0.
  int removeUser(const char* name);
  // The number the next new user gets: "newUserID", or one above the highest "user%d" when
  // that is missing, not positive or already taken.
  int nextNumber() const;

 private:
  // Mends the store as above; true when it was damaged.
  bool mend();
  // A slot under a key that is not the store's: one of the store's own keys it is missing, a
  // user (at the one free number its key can have been, else among those to number anew), or
  // nothing to keep.
  void placeStray(int slot, std::set<std::string>& own, std::set<int>& moving);
  // Each true when the value did not match the records and was mended.
  bool mendNextNumber();
  bool mendCount();
  // Walks the users for a name; the number of the match, or 0.
  int find(const char* name);
  int highestNumber() const;
  bool isTaken(int number) const;
  // The next number no user holds and no user's file has: the next, or the lowest free one
  // when the next is the last there is.
  int freeNumber();
  void setNumber(const char* key, int value);

  RDatFile& store_;
  int count_ = 0;
  int cursor_ = 1;
};
