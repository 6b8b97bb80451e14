// Reads arbitrary bytes as the user store and walks it as the sign-in list does: the walk
// ends within the count, new users get a number above every user's, and removals end too.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "assessment/src/RDatFile.h"
#include "assessment/src/UserStore.h"
#include "fuzz/support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  // Removals delete "users\\user%d.dat" files: only ever in the run's own folder.
  omfuzz::workFolder();
  RDatFile store(1000, "");
  store.readImage(data, size);
  UserStore users(store);
  if (users.count() < 0 || users.count() > UserStore::maxUsers) __builtin_trap();
  const std::vector<std::string> before = users.names();
  if (static_cast<int>(before.size()) > users.count()) __builtin_trap();
  const int next = users.nextNumber();
  if (next < 1) __builtin_trap();
  const char name[] = "Fuzzy Newname";
  const bool known = users.signInUser(name) == 1;
  if (std::strcmp(store.get("currentUser"), "empty") == 0 && store.usedCount() < store.slotCount())
    __builtin_trap();
  const bool room = store.usedCount() < store.slotCount() - 4;
  if (!known && users.nextNumber() <= next && next < UserStore::lastNumber && room) __builtin_trap();
  // A new user never takes the place of one already there.
  if (!known && room && users.names().size() < before.size()) __builtin_trap();
  for (const std::string& user : before)
    users.removeUser(user.c_str());
  return 0;
}
