#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// Runs write(i) for i = 0, 1, 2, ... in a child process and kills it (SIGKILL) right after it
// has finished `writes` of them, or that many microseconds later, so that the kill lands
// somewhere in a later write. False when the child could not be made or stopped early.
inline bool killWriterMidway(const std::function<void(int)>& write, int writes,
                             unsigned delayMicroseconds = 0)
{
  int ready[2];
  if (::pipe(ready) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    ::close(ready[0]);
    for (int i = 0;; ++i) {
      write(i);
      if (::write(ready[1], "x", 1) != 1) ::_exit(1);
    }
  }
  ::close(ready[1]);
  bool complete = true;
  char byte;
  for (int i = 0; i < writes && complete; ++i)
    complete = ::read(ready[0], &byte, 1) == 1;
  if (delayMicroseconds) ::usleep(delayMicroseconds);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  return complete;
}
