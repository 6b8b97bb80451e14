#pragma once

// The end of a program that cannot go on: a fatal script error, a second interrupt, a lost
// display. Nothing calls exit() from inside the main loop, where static destructors would tear
// down objects that the loop still uses: a request keeps the exit status, runs the program's
// pre-exit call once (it saves what must not be lost), and stops the main loop at the end of
// its pass. The program then shuts down as it always does and its entry point returns the
// status. A main loop started after a request does not run.
class OMProgramEnd {
 public:
  using PreExitCall = void (*)();

  // The first request's status stands; later ones only stop a loop that runs again.
  static void request(int status);
  // Asked before every script instruction: read in place.
  static bool requested() { return requested_; }
  // The status of the request, 0 without one.
  static int exitStatus();
  // The status for an end that a host signal asked for: 128 + its number (1 without one).
  static int signalStatus();
  static void setPreExitCall(PreExitCall call);
  // Takes and dispatches an end of the session that the host has asked for (a second
  // interrupt, a lost display) while a long call holds the main loop; the rest of the queue,
  // a first close request among it, waits for the loop.
  static void answerEndOfSession();
  // Forgets the request and the call, for a new start in the same process.
  static void reset();

 private:
  static inline bool requested_ = false;
};
