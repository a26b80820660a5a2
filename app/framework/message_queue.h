#pragma once
// The thread's message queue: messages posted to windows and the quit message first, then the
// display's events, as the message loop takes them.

#include <csignal>
#include <iterator>

#include "app/framework/types.h"

namespace framework {

// Whether a posted message or a display event is waiting.
bool MessagesPending();

// Takes one message, waiting for it if none is there, and delivers it to its window. False
// when it was the quit message (its exit code in `exitCode`) or when nothing can ever arrive
// (no display and nothing posted).
bool PumpMessage(int& exitCode);

// Queues `message` for `window`, to be delivered on a later turn of the loop.
void PostWindowMessage(WindowHandle window, unsigned message);

// Queues the quit message that ends the message loop.
void AfxPostQuitMessage(int exitCode);

// While alive, SIGTERM, SIGINT and SIGHUP close the main window on the loop's next turn (so
// that it is destroyed with all its handling) instead of killing the process; the loop's guard
// ends the process if the loop has not ended shortly after (see loop_watchdog.h).
// Toolkit loops outside the message loop (the modal dialogs) end on a termination signal too:
// they watch this descriptor, readable once a signal has come (-1 before the signals are caught),
// and ask TerminationRequested.
int TerminationWakeDescriptor();
bool TerminationRequested();

class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction previous[std::size(kSignals)];
};

}  // namespace framework
