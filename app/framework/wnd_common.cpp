// What windows and frames do the same on every system: the handlers' default handling and the
// frame's creation parameters.

#include "app/framework/wnd.h"

namespace framework {

bool CWnd::PreCreateWindow(CreateStruct&) { return true; }
int CWnd::OnCreate(const CreateStruct&) { return 0; }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnKeyDown(unsigned, unsigned, unsigned) { Default(); }
void CWnd::OnSysKeyDown(unsigned, unsigned, unsigned) { Default(); }
void CWnd::OnMouseMove(unsigned, Point) { Default(); }
void CWnd::OnPaint() { Default(); }
bool CWnd::OnSetCursor() {
    Default();
    return false;
}
void CWnd::OnClose() { Default(); }
void CWnd::OnDisplayChange() {}
void CWnd::PostNcDestroy() {}

bool CFrameWnd::Create(const char* className, const char* windowName, unsigned style, const Rect& rect,
                       WindowHandle parent, unsigned exStyle) {
    CreateStruct cs;
    cs.className = className ? className : "";
    cs.windowName = windowName ? windowName : "";
    cs.style = style;
    cs.exStyle = exStyle;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.Width();
    cs.cy = rect.Height();
    cs.parent = parent;
    return CreateEx(std::move(cs));
}

bool CFrameWnd::PreCreateWindow(CreateStruct& cs) {
    cs.exStyle |= WS_EX_CLIENTEDGE;
    return CWnd::PreCreateWindow(cs);
}

void CFrameWnd::PostNcDestroy() { delete this; }

}  // namespace framework
