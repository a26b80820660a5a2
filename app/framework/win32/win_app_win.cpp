// The message loop on the Win32 API: idle processing while the thread's queue is empty, then
// every waiting message dispatched to its window, until the quit message that the main
// window's destruction posts.

#include "app/framework/win_app.h"

#include "platform/win32/windows_api.h"

namespace framework {

int CWinApp::Run() {
    MSG message{};
    for (;;) {
        long idleCount = 0;
        while (!PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) break;
        }
        // Waits for the next message when idle processing is done.
        do {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == 0) {
                quitCode = static_cast<int>(message.wParam);
                return ExitInstance();
            }
            if (got == -1) return ExitInstance();
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
    }
}

}  // namespace framework
