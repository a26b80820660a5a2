#include "app/cover_wnd.h"

#include "app/main_frame.h"

CCoverWnd::CCoverWnd(CMainFrame& frame_) : frame(frame_) {}

bool CCoverWnd::Create(const char* className, const framework::Rect& area) {
    using namespace framework;
    CreateStruct cs;
    cs.className = className;
    cs.style = WS_POPUP;
    cs.exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    cs.x = area.left;
    cs.y = area.top;
    cs.cx = area.Width();
    cs.cy = area.Height();
    if (!CreateEx(cs)) return false;
    // Shown without the focus, which stays with the picture's window: on Windows its
    // full-screen device would otherwise be lost.
    ShowWindow(SW_SHOWNOACTIVATE);
    SetCursor(CursorKind::kNone);  // hidden also before the pointer first moves over it
    return true;
}

void CCoverWnd::OnKeyDown(unsigned, unsigned, unsigned) { frame.PostMessage(framework::WM_CLOSE); }

void CCoverWnd::OnMouseMove(unsigned, framework::Point point) {
    if (frame.PointerLeftItsStart(point)) frame.PostMessage(framework::WM_CLOSE);
}

bool CCoverWnd::OnSetCursor() {
    SetCursor(framework::CursorKind::kNone);
    return true;
}

void CCoverWnd::OnClose() { frame.PostMessage(framework::WM_CLOSE); }
