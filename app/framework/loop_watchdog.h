#pragma once
// The guard against a main thread that cannot return: a graphics driver that spins inside a
// buffer swap, or waits for ever, once its window or its display is gone. A thread of its own
// watches, over a display connection of its own, the windows it is given, and takes the
// termination signals from their handler. The process is ended with _exit (nothing written,
// no exit handlers run), with one line on stderr, when
//   - the display's connection is lost (the server ended) while a window is guarded or the
//     message loop runs: at once, status 1;
//   - a guarded window is destroyed by someone else (its destruction by this program calls
//     off its guard) and the program has not let it go, nor shown any sign of life
//     (platform/heartbeat.h) for kLoopGrace: status 0, as the loop itself would have ended;
//   - a termination signal came while the message loop runs, and the loop has neither ended
//     nor shown any sign of life for kLoopGrace: status 0, as the loop itself would have ended.
// A loop that keeps beating (loading a programme, drawing a large frame) is left to end by
// itself, for at most kEndLimit.
// A program that crashes (SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL) after its display
// connection was closed under it, as drivers do on a dead connection, ends the same way as
// for a lost connection; any other crash goes on as it would have. SIGPIPE is ignored once a
// window is guarded: a write to a lost display fails instead of killing the process.

#include <chrono>

#include "app/framework/types.h"

namespace framework {

inline constexpr std::chrono::milliseconds kLoopGrace{500};
inline constexpr std::chrono::milliseconds kEndLimit{5000};

// Guards `window` (of the framework's display) until UnguardWindow. The first call starts the
// guard's thread; without a display it does nothing.
void GuardWindow(WindowHandle window);
// Calls off the guard of `window`, also a pending end armed by its destruction.
void UnguardWindow(WindowHandle window);

// The message loop runs (signals may arm an end) or has ended (a pending end from a signal is
// called off, and a lost connection no longer ends the process unless a window is guarded).
void SetLoopRunning(bool running);

// From a signal handler (async-signal-safe): termination signal `signal` came.
void NoteTerminationSignal(int signal);

}  // namespace framework
