#pragma once

#include <cstdint>

// Work that the program's threads did (an event set, a message posted, a sound block played or
// written, a file read): the main loop must not idle through it. Safe from any thread.
namespace omhost {

void noteActivity();
std::uint64_t activityCount();
// The backend's way to end an idle wait early (null: none); called from any thread.
void setIdleWaker(void (*waker)());

}  // namespace omhost
