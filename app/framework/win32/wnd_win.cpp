// Windows and their messages on the Win32 API: the framework's one window procedure finds the
// CWnd of a window and calls the handler of each message it knows; Default() hands the message
// being handled to the system's default window procedure.

#include "app/framework/wnd.h"

#include <vector>

#include "app/framework/win32/win32_text.h"
#include "app/framework/win32/win32_window.h"
#include "app/framework/win_app.h"
#include "app/framework/window_class.h"

namespace framework {
namespace {

// The message a handler is running for, so that Default() can pass it on. Handlers nest (a
// handler that destroys its window runs OnDestroy inside it), hence a stack.
struct Dispatch {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
};

std::vector<Dispatch*>& Dispatches() {
    static std::vector<Dispatch*> stack;
    return stack;
}

// The creation parameters of the window being created, for OnCreate.
const CreateStruct* creating = nullptr;

std::vector<PAINTSTRUCT>& Paints() {
    static std::vector<PAINTSTRUCT> stack;
    return stack;
}

}  // namespace

struct WindowMessages {
    static CWnd* Attach(HWND window, LPARAM lParam) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* wnd = static_cast<CWnd*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(wnd));
        wnd->handle = reinterpret_cast<WindowHandle>(window);
        return wnd;
    }

    static void Destroyed(CWnd& wnd) { wnd.PostNcDestroy(); }

    static void Detach(CWnd& wnd, HWND window) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        wnd.handle = 0;
        // The application's main window going ends the message loop.
        if (CWinApp* app = AfxGetApp(); app && app->GetMainWnd() == &wnd) {
            app->SetMainWnd(nullptr);
            PostQuitMessage(0);
        }
    }

    static LRESULT Handle(CWnd& wnd, Dispatch& dispatch) {
        switch (dispatch.message) {
            case WM_CREATE: {
                const CreateStruct empty;
                return wnd.OnCreate(creating ? *creating : empty) == -1 ? -1 : 0;
            }
            case WM_DESTROY: wnd.OnDestroy(); return 0;
            case WM_KEYDOWN:
                wnd.OnKeyDown(static_cast<unsigned>(dispatch.wParam), LOWORD(dispatch.lParam), HIWORD(dispatch.lParam));
                return dispatch.result;
            case WM_SYSKEYDOWN:
                wnd.OnSysKeyDown(static_cast<unsigned>(dispatch.wParam), LOWORD(dispatch.lParam),
                                 HIWORD(dispatch.lParam));
                return dispatch.result;
            case WM_MOUSEMOVE: {
                POINT p{static_cast<short>(LOWORD(dispatch.lParam)), static_cast<short>(HIWORD(dispatch.lParam))};
                ClientToScreen(dispatch.window, &p);
                wnd.OnMouseMove(static_cast<unsigned>(dispatch.wParam), Point{p.x, p.y});
                return dispatch.result;
            }
            case WM_PAINT: wnd.OnPaint(); return 0;
            case WM_SETCURSOR:
                // Over the client area only; the frame's edges and caption keep their cursors.
                if (LOWORD(dispatch.lParam) != HTCLIENT) break;
                return wnd.OnSetCursor() ? TRUE : dispatch.result;
            case WM_CLOSE: wnd.OnClose(); return 0;
            default: break;
        }
        return DefWindowProcW(dispatch.window, dispatch.message, dispatch.wParam, dispatch.lParam);
    }
};

LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) WindowMessages::Attach(window, lParam);
    auto* wnd = reinterpret_cast<CWnd*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!wnd) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
        WindowMessages::Detach(*wnd, window);
        // A window whose creation failed stays its creator's object (see CreateEx).
        if (!creating) WindowMessages::Destroyed(*wnd);
        return result;
    }
    Dispatch dispatch{window, message, wParam, lParam};
    Dispatches().push_back(&dispatch);
    const LRESULT result = WindowMessages::Handle(*wnd, dispatch);
    Dispatches().pop_back();
    return result;
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
    // A window object deleted while its window still exists takes the window with it.
    if (handle) DestroyWindow();
}

void CWnd::ForgetWindow() { handle = 0; }

bool CWnd::CreateEx(CreateStruct cs) {
    if (handle || !PreCreateWindow(cs)) return false;
    if (cs.className.empty()) cs.className = kDefaultFrameClass;
    if (!FindRegisteredClass(cs.className)) return false;
    const bool child = (cs.style & WS_CHILD) != 0;
    if (child && cs.parent == 0) return false;
    const std::wstring className = WideFromUtf8(cs.className);
    const std::wstring title = WideFromUtf8(cs.windowName);
    creating = &cs;
    HWND window = CreateWindowExW(cs.exStyle, className.c_str(), title.c_str(), cs.style, cs.x, cs.y, cs.cx, cs.cy,
                                  reinterpret_cast<HWND>(cs.parent), nullptr, ModuleInstance(), this);
    creating = nullptr;
    if (!window) return false;
    UpdateWindow(window);
    return true;
}

bool CWnd::DestroyWindow() { return handle && ::DestroyWindow(reinterpret_cast<HWND>(handle)); }

void CWnd::PostMessage(unsigned message) const { PostMessageW(reinterpret_cast<HWND>(handle), message, 0, 0); }

Rect CWnd::GetClientRect() const {
    RECT client{};
    ::GetClientRect(reinterpret_cast<HWND>(handle), &client);
    return Rect{0, 0, client.right - client.left, client.bottom - client.top};
}

void CWnd::Invalidate() const { InvalidateRect(reinterpret_cast<HWND>(handle), nullptr, TRUE); }

void CWnd::ShowWindow(int command) { ::ShowWindow(reinterpret_cast<HWND>(handle), command); }

bool CWnd::MoveWindow(const Rect& rect) {
    return handle && ::MoveWindow(reinterpret_cast<HWND>(handle), rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
}

bool CWnd::IsHidden() const {
    const HWND window = reinterpret_cast<HWND>(handle);
    return window != nullptr && (!IsWindowVisible(window) || IsIconic(window));
}

void CWnd::Default() {
    if (Dispatches().empty()) return;
    Dispatch& d = *Dispatches().back();
    d.result = DefWindowProcW(d.window, d.message, d.wParam, d.lParam);
}

void CWnd::SetCursor(CursorKind shape) {
    if (shape == CursorKind::kNone) {
        ::SetCursor(nullptr);
        cursorHidden = true;
    } else {
        ::SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
        cursorHidden = false;
    }
}

// A child filling the host's client area at the time; a window of another process cannot be
// followed when it changes size.
bool CFrameWnd::CreateInHost(const char* className, WindowHandle host, unsigned style) {
    RECT client{};
    if (!IsWindow(reinterpret_cast<HWND>(host)) || !::GetClientRect(reinterpret_cast<HWND>(host), &client)) return false;
    return Create(className, nullptr, WS_CHILD | style, Rect{0, 0, client.right, client.bottom}, host);
}

CPaintDC::CPaintDC(CWnd* wnd_) : wnd(wnd_) {
    Paints().emplace_back();
    BeginPaint(reinterpret_cast<HWND>(wnd->GetSafeHwnd()), &Paints().back());
}

CPaintDC::~CPaintDC() {
    EndPaint(reinterpret_cast<HWND>(wnd->GetSafeHwnd()), &Paints().back());
    Paints().pop_back();
}

bool CPaintDC::DrawIcon(int x, int y, const Icon& icon) {
    if (icon.images.empty() || Paints().empty()) return false;
    HICON handle = CreateIconHandle(icon.Standard());
    if (!handle) return false;
    const int width = ::GetSystemMetrics(SM_CXICON);
    const int height = ::GetSystemMetrics(SM_CYICON);
    const bool drawn = DrawIconEx(Paints().back().hdc, x, y, handle, width, height, 0, nullptr, DI_NORMAL);
    DestroyIcon(handle);
    return drawn;
}

}  // namespace framework
