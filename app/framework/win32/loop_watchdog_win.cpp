// On Windows the guard has nothing to watch for: the desktop cannot disappear under the
// program, a window destroyed by its parent's owner reaches the loop as WM_DESTROY, and
// Direct3D 9 returns errors where an X11 driver would block. The loop ends by itself.

#include "app/framework/loop_watchdog.h"

namespace framework {

void GuardWindow(WindowHandle) {}
void UnguardWindow(WindowHandle) {}
void SetLoopRunning(bool) {}
void NoteTerminationSignal(int) {}

}  // namespace framework
