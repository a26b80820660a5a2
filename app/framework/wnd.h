#pragma once
// Windows and their messages: CWnd carries a display window and turns its events into the
// handler calls below; CFrameWnd is the application's frame, created from a registered
// window class and deleted by itself once its window is gone.

#include <cstdint>
#include <string>

#include "app/framework/types.h"

namespace framework {

struct Icon;

// The creation parameters, which PreCreateWindow may change.
struct CreateStruct {
    std::string className;
    std::string windowName;
    unsigned style = 0;
    unsigned exStyle = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    WindowHandle parent = 0;
};

enum class CursorKind { kClassCursor, kNone };

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The display's id of the window; 0 before creation and after destruction.
    WindowHandle GetSafeHwnd() const { return handle; }

    // Runs OnDestroy, removes the window from the display, then PostNcDestroy.
    bool DestroyWindow();

    // Queues `message` (WM_CLOSE) for a later turn of the message loop: never handled inside
    // the handler or the frame that posts it.
    void PostMessage(unsigned message) const;

    // The client area, origin at its top-left corner.
    Rect GetClientRect() const;

    // Asks for a paint on a later turn of the loop.
    void Invalidate() const;

    // Moves and sizes the window to `rect` (a top-level window's, in screen coordinates).
    bool MoveWindow(const Rect& rect);

    // SW_HIDE or SW_SHOWNOACTIVATE.
    void ShowWindow(int command);

    // Nothing of the window can be seen: it is not shown (unmapped, minimised) or other windows
    // cover all of it. Drawing it then is wasted.
    bool IsHidden() const;

protected:
    virtual bool PreCreateWindow(CreateStruct& cs);
    // 0 to go on with the creation, -1 to make it fail.
    virtual int OnCreate(const CreateStruct& cs);
    virtual void OnDestroy();
    // `key`: the key's symbol as the display's keyboard map gives it; `flags` has KF_REPEAT
    // for an auto-repeat. Keys pressed with Alt, Alt itself and F10 come as system keys.
    virtual void OnKeyDown(unsigned key, unsigned repeatCount, unsigned flags);
    virtual void OnSysKeyDown(unsigned key, unsigned repeatCount, unsigned flags);
    // `point` is the pointer's position in screen coordinates; `flags` the MK_ bits. Also sent
    // when the pointer comes into the window, moved or not.
    virtual void OnMouseMove(unsigned flags, Point point);
    virtual void OnPaint();
    // Sent before each mouse move over the window; true when the handler set the cursor.
    virtual bool OnSetCursor();
    virtual void OnClose();
    // The monitors or the screen's size changed (on X11: sent to top-level windows after a
    // RandR change of the screen they were made on).
    virtual void OnDisplayChange();
    // The last call for the window, after it is gone from the display.
    virtual void PostNcDestroy();

    // The default handling of the message being handled (the base handlers call it).
    void Default();

    // The pointer's shape over this window from now on.
    void SetCursor(CursorKind shape);

    // Creates the window: PreCreateWindow, the display window, OnCreate, then shows it when
    // WS_VISIBLE is set. On failure the object stays the caller's, with no window.
    bool CreateEx(CreateStruct cs);

private:
    friend struct WindowMessages;
    friend struct WaylandWindowMessages;
    friend class CPaintDC;

    enum class Message { kNone, kCreate, kDestroy, kKeyDown, kSysKeyDown, kMouseMove, kPaint, kSetCursor, kClose };

    void ForgetWindow();

    WindowHandle handle = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    Message current = Message::kNone;
    unsigned currentKey = 0;
    bool cursorHidden = false;
    std::uint32_t classBackground = 0;
    bool mapped = false;         // as the display last said
    bool fullyObscured = false;  // likewise
};

class CFrameWnd : public CWnd {
public:
    // `rect` is the whole window: for a captioned window the client area is what remains
    // inside the edges and the caption, as the system metrics give them. `parent` is the id
    // of any window on the display (0: none).
    bool Create(const char* className, const char* windowName, unsigned style, const Rect& rect,
                WindowHandle parent = 0, unsigned exStyle = 0);
    // Makes the frame a child window filling `host`, a window of another program (a
    // screensaver host's), keeps it filling the host when the host changes size, and destroys
    // it with the host, also when it has been moved into another window since. `style`
    // is added to WS_CHILD; with WS_DISABLED the frame gets no keyboard or pointer input.
    // False when `host` is no window of the display.
    bool CreateInHost(const char* className, WindowHandle host, unsigned style);

protected:
    // Adds the sunken client edge, as frames have.
    bool PreCreateWindow(CreateStruct& cs) override;
    // Deletes the frame object.
    void PostNcDestroy() override;
};

// Brackets painting in OnPaint.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    // Draws `icon` at its standard size (SM_CXICON by SM_CYICON) with its top-left corner at
    // (x, y), blended over the window's background.
    bool DrawIcon(int x, int y, const Icon& icon);

private:
    CWnd* wnd;
};

}  // namespace framework
