#pragma once
// The saver's application object and the settings it holds for the whole run.

#include "app/command_line.h"
#include "app/framework/win_app.h"
#include "app/settings.h"

// The program's icon: the window class's and the one the preview shows (the version dialog
// names it in its template).
inline constexpr int kIconResource = 128;

class CMainFrame;

class CSaverApp : public framework::CWinApp {
public:
    CSaverApp() = default;

    // Starts the saver as its command line asks: false (ending the program) for a second
    // instance, the exit and configuration modes, or a window that could not be made.
    bool InitInstance() override;
    // Draws one frame whenever the message loop is idle, except in preview.
    bool OnIdle(long count) override;
    // 0, or 1 when the window could not be made.
    int ExitInstance() override;

    // Reads the settings from the profile's "Option" section; what is absent or unreadable
    // keeps its default, and the start-up volume is the default of the volume.
    void LoadSettings();
    // Writes all six settings in one replacement of the profile; false when it failed.
    bool SaveSettings();

    Settings settings;
    // The output's left-channel level when the saver started.
    int startupVolume = 0;
    // The host's window in preview mode, 0 otherwise.
    framework::WindowHandle previewParent = 0;

private:
    bool CreateMainWindow(const SaverCommand& command);
    void UseShowableResolution();

    CMainFrame* frame = nullptr;  // deletes itself once its window is gone
    int exitStatus = 0;
};
