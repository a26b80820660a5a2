#pragma once
// A black window of the full-screen saver over a monitor the picture is not drawn on, so that
// nothing of the desktop shows there. It hides the pointer and ends the saver, all of whose
// windows go together, on the same input as the picture's window.

#include "app/framework/wnd.h"

class CMainFrame;

class CCoverWnd : public framework::CWnd {
public:
    explicit CCoverWnd(CMainFrame& frame);

    // A top-most black popup of the saver's class over `area`, in screen coordinates.
    bool Create(const char* className, const framework::Rect& area);

protected:
    void OnKeyDown(unsigned key, unsigned repeatCount, unsigned flags) override;
    void OnMouseMove(unsigned flags, framework::Point point) override;
    bool OnSetCursor() override;
    // Closing any of the saver's windows closes the saver.
    void OnClose() override;

private:
    CMainFrame& frame;
};
