#pragma once

#include <string>

class RDatFile;

// The users kept in a data file: "user%d" holds a name ("empty" once removed), "currentUser"
// the key of the last to sign in, "newUserID" the next number and "totalUsers" the count.
// Walks end at the next number, so that a damaged store never walks without end.
class UserStore {
 public:
  static constexpr int maxUsers = 99;
  // Keys hold at most nine digits.
  static constexpr int lastNumber = 999999999;

  // The count comes from "totalUsers", kept to 0-99.
  explicit UserStore(RDatFile& store);

  int count() const { return count_; }
  // The first and the next user's name; null past the last number.
  const char* firstUser();
  const char* nextUser();
  // 1 when the name was there (it becomes the current user), 0 when it was added.
  int signInUser(const char* name);
  // 1 when the name was found and removed with its "users\user%d.dat", else 0.
  int removeUser(const char* name);
  // The number the next new user gets: "newUserID", or one above the highest "user%d" when
  // that is missing, not positive or already taken.
  int nextNumber() const;

 private:
  // Walks the users for a name; the number of the match, or 0.
  int find(const char* name);
  int highestNumber() const;
  // The next number, or the lowest free one when the next is the last there is and taken.
  int freeNumber();
  void setNumber(const char* key, int value);

  RDatFile& store_;
  int count_ = 0;
  int cursor_ = 1;
};
