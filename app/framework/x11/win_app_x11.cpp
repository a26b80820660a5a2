// The message loop on the X11 display: posted messages and display events, with the toolkit's
// own work done between them.

#include <glib.h>

#include "app/framework/loop_watchdog.h"
#include "app/framework/message_queue.h"
#include "app/framework/win_app.h"
#include "app/framework/wnd.h"
#include "platform/heartbeat.h"

namespace framework {

int CWinApp::Run() {
    // Already caught from the start when AfxWinMain runs the program; a nested catch is harmless.
    const TerminationSignals closeOnTermination;
    // A main thread stuck where the loop cannot end it (in a graphics driver whose window or
    // display has gone) is ended from outside.
    struct Guarded {
        explicit Guarded(CWnd* main) {
            if (main) GuardWindow(main->GetSafeHwnd());
            SetLoopRunning(true);
        }
        ~Guarded() { SetLoopRunning(false); }
        Guarded(const Guarded&) = delete;
        Guarded& operator=(const Guarded&) = delete;
    } guarded(mainWnd);
    for (;;) {
        long idleCount = 0;
        while (!MessagesPending()) {
            // Toolkit dialogs that have closed may still have work queued for their windows.
            while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
            platform::Heartbeat();
            if (!OnIdle(idleCount++)) break;
        }
        // Waits for the next message when idle processing is done.
        do {
            platform::Heartbeat();
            if (!PumpMessage(quitCode)) return ExitInstance();
        } while (MessagesPending());
    }
}

}  // namespace framework
