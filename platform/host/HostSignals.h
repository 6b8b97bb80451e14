#pragma once

// The host's requests to end the program: the signals SIGTERM, SIGINT and SIGHUP, and the loss
// of the display. Handlers only count them; the message queue passes them on as the window
// system would: the first signal as a close request, which the program may answer, a second
// one or a lost display as the end of the session, which it cannot refuse.
namespace omhost {

enum class ExitRequest { none, close, endSession };

// Installs the signal handlers, once; programs call it (through om_catchExitSignals) so that
// test processes keep the default handlers.
void catchExitSignals();
// What came and has not been passed on; the end of the session is given once.
ExitRequest pendingExitRequest();
// The request has reached the program's windows.
void exitRequestPassed(ExitRequest request);
// The display has gone: the program ends as a hang-up ends it.
void reportDisplayLost();
bool displayLost();

}  // namespace omhost
